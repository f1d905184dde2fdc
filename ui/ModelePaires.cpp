#include "ui/ModelePaires.h"

#include "session/ContenusCouples.h"
#include "ui/TextesCouples.h"
#include "ui/TextesFenetre.h"

namespace tidemark {

ModelePaires::ModelePaires(ContenusCouples& contenus, QObject* parent)
    : QAbstractTableModel(parent), contenus_(contenus) {
    connect(&contenus_, &ContenusCouples::lus, this, &ModelePaires::compte);
    connect(&contenus_, &ContenusCouples::pairesArrivees, this, [this] {
        if (demandees_)
            remplit();
    });
}

int ModelePaires::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !aJour_ ? 0 : int(compares_.size());
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
        return index.column() >= Couples ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
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
            return TexteOctets(p->octetsPremier);
        case Octets2:
            return TexteOctets(p->octetsSecond);
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
    demandees_ = aJour_ = false;
    compares_.clear();
    identiques_.clear();
    endResetModel();
}

void ModelePaires::demande() {
    demandees_ = true;
    if (contenus_.pairesPretes())
        remplit();
    else
        contenus_.demandePaires();
}

void ModelePaires::remplit() {
    beginResetModel();
    const std::size_t n = contenus_.paires().size();
    compares_.assign(n, 0);
    identiques_.assign(n, 0);
    aJour_ = true;
    endResetModel();
    // The verdicts known already; the others are counted as they come.
    std::vector<qint32> connus;
    for (std::size_t k = 0; k < contenus_.paireDe().size(); ++k)
        if (contenus_.verdict(k) != Contenu::NonCompare)
            connus.push_back(qint32(k));
    compte(connus);
    Q_EMIT pairesPretes();
}

const PaireRepertoires* ModelePaires::paire(int r) const {
    const std::vector<PaireRepertoires>& paires = contenus_.paires();
    // The reader's pairs may have gone with a new list before this model was told.
    return aJour_ && r >= 0 && std::size_t(r) < paires.size() && paires.size() == compares_.size()
               ? &paires[std::size_t(r)]
               : nullptr;
}

std::vector<qint32> ModelePaires::couplesDe(int r) const {
    std::vector<qint32> couples;
    if (!paire(r))
        return couples;
    const std::vector<qint32>& paireDe = contenus_.paireDe();
    for (std::size_t k = 0; k < paireDe.size(); ++k)
        if (paireDe[k] == r)
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
    const std::vector<qint32>& paireDe = contenus_.paireDe();
    bool change = false;
    for (const qint32 k : couples) {
        const qint32 p = std::size_t(k) < paireDe.size() ? paireDe[std::size_t(k)] : -1;
        if (p < 0 || std::size_t(p) >= compares_.size())
            continue;
        ++compares_[std::size_t(p)];
        identiques_[std::size_t(p)] += contenus_.verdict(std::size_t(k)) == Contenu::Identique;
        change = true;
    }
    if (change && !compares_.empty())
        Q_EMIT dataChanged(index(0, Identiques), index(rowCount() - 1, Identiques));
}

}  // namespace tidemark
