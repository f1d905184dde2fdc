#include "ui/ModeleListe.h"

#include "core/AppState.h"
#include "inventory/Marquage.h"

namespace tidemark {

ModeleListe::ModeleListe(const AppState& state, QObject* parent)
    : QAbstractListModel(parent), state_(state) {}

int ModeleListe::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(state_.ListeDeFichiers ? state_.TabFich.size()
                                                   : std::size_t(state_.MessagesListe.size()));
}

QString ModeleListe::texte(int ligne) const {
    if (state_.ListeDeFichiers)
        return TexteLigne(state_, std::size_t(ligne));
    // Message lines keep their own line endings; a list line shows none of them.
    QString texte = state_.MessagesListe.at(ligne);
    while (texte.endsWith(u'\n') || texte.endsWith(u'\r')) texte.chop(1);
    return texte;
}

QVariant ModeleListe::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return texte(index.row());
    if (role == Qt::UserRole)
        return EtatDeLigne(state_, std::size_t(index.row()));
    return {};
}

void ModeleListe::rafraichit() {
    beginResetModel();
    endResetModel();
}

void ModeleListe::marquesChangees() {
    const int n = rowCount();
    if (n > 0)
        Q_EMIT dataChanged(index(0), index(n - 1), {Qt::DisplayRole, Qt::UserRole});
}

}  // namespace tidemark
