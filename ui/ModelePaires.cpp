#include "ui/ModelePaires.h"

#include "core/AppState.h"
#include "session/ContenusCouples.h"
#include "ui/TextesCouples.h"

namespace tidemark {

ModelePaires::ModelePaires(const AppState& state, ContenusCouples& contenus, QObject* parent)
    : QAbstractTableModel(parent), state_(state), contenus_(contenus) {
    connect(&contenus_, &ContenusCouples::lus, this, &ModelePaires::compte);
}

int ModelePaires::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(paires_.size());
}

int ModelePaires::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : NombreColonnes;
}

QVariant ModelePaires::data(const QModelIndex& index, int role) const {
    const PaireRepertoires* p = index.isValid() ? paire(index.row()) : nullptr;
    if (!p)
        return {};
    const std::size_t r = std::size_t(index.row());
    if (role == Qt::TextAlignmentRole)
        return index.column() >= Couples ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                         : QVariant();
    if (role == Qt::ToolTipRole)
        return description(index.row());
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Premier:
        return p->premier;
    case Second:
        return p->second;
    case Couples:
        return TexteTailleExacte(p->couples);
    case Octets1:
        return TexteTailleExacte(p->octetsPremier);
    case Octets2:
        return TexteTailleExacte(p->octetsSecond);
    case Identiques:
        return TexteIdentiques(identiques_[r], compares_[r], p->couples);
    default:
        return {};
    }
}

QVariant ModelePaires::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= NombreColonnes)
        return {};
    return TitresColonnesPaires[section].toString();
}

void ModelePaires::vide() {
    beginResetModel();
    aJour_ = false;
    paires_.clear();
    paireDe_.clear();
    compares_.clear();
    identiques_.clear();
    endResetModel();
}

void ModelePaires::calcule() {
    beginResetModel();
    paires_ = PairesRepertoires(Vue(state_), {}, &paireDe_);
    compares_.assign(paires_.size(), 0);
    identiques_.assign(paires_.size(), 0);
    aJour_ = true;
    endResetModel();
    // The verdicts known already; the others are counted as they come.
    std::vector<qint32> connus;
    for (std::size_t k = 0; k < paireDe_.size(); ++k)
        if (contenus_.verdict(k) != Contenu::NonCompare)
            connus.push_back(qint32(k));
    compte(connus);
}

const PaireRepertoires* ModelePaires::paire(int r) const {
    return r >= 0 && std::size_t(r) < paires_.size() ? &paires_[std::size_t(r)] : nullptr;
}

std::vector<qint32> ModelePaires::couplesDe(int r) const {
    std::vector<qint32> couples;
    for (std::size_t k = 0; k < paireDe_.size(); ++k)
        if (paireDe_[k] == r)
            couples.push_back(qint32(k));
    return couples;
}

QString ModelePaires::description(int r) const {
    const PaireRepertoires* p = paire(r);
    return p ? TextePaire(*p, identiques_[std::size_t(r)], compares_[std::size_t(r)]) : QString();
}

void ModelePaires::compte(const std::vector<qint32>& couples) {
    if (!aJour_)
        return;
    bool change = false;
    for (const qint32 k : couples) {
        const qint32 p = std::size_t(k) < paireDe_.size() ? paireDe_[std::size_t(k)] : -1;
        if (p < 0)
            continue;
        ++compares_[std::size_t(p)];
        identiques_[std::size_t(p)] += contenus_.verdict(std::size_t(k)) == Contenu::Identique;
        change = true;
    }
    if (change && !paires_.empty())
        Q_EMIT dataChanged(index(0, Identiques), index(rowCount() - 1, Identiques));
}

}  // namespace tidemark
