#include "ui/ModeleCouples.h"

#include "core/AppState.h"
#include "duplicates/RechercheDoublons.h"
#include "ui/TextesFenetre.h"

namespace tidemark {

ModeleCouples::ModeleCouples(const AppState& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state) {}

int ModeleCouples::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(state_.Couples.size());
}

int ModeleCouples::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant ModeleCouples::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const std::size_t k = std::size_t(index.row());
    return index.column() == 0 ? TexteCouple1(state_, k) : TexteCouple2(state_, k);
}

QVariant ModeleCouples::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return (section == 0 ? TitreColonne1ListV : TitreColonne2ListV).toString();
}

void ModeleCouples::rafraichit() {
    beginResetModel();
    endResetModel();
}

}  // namespace tidemark
