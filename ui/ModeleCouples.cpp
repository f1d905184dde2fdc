#include "ui/ModeleCouples.h"

#include "core/AppState.h"
#include "duplicates/RechercheDoublons.h"
#include "session/ContenusCouples.h"
#include "ui/TextesCouples.h"
#include "ui/TextesFenetre.h"

#include <QTimer>

#include <algorithm>
#include <numeric>

namespace tidemark {

namespace {

// Where a verdict sorts: the known ones first, those still unread last.
int RangVerdict(Contenu contenu) {
    switch (contenu) {
        case Contenu::Identique:
            return 0;
        case Contenu::Different:
            return 1;
        case Contenu::Illisible:
            return 2;
        case Contenu::NonCompare:
            break;
    }
    return 3;
}

}  // namespace

ModeleCouples::ModeleCouples(const AppState& state, ContenusCouples& contenus, QObject* parent)
    : QAbstractTableModel(parent), state_(state), contenus_(contenus), envoi_(new QTimer(this)) {
    envoi_->setSingleShot(true);
    envoi_->setInterval(0);
    connect(envoi_, &QTimer::timeout, this, &ModeleCouples::envoieDemande);
    // A verdict came: the view repaints the rows it shows, and only those.
    connect(&contenus_, &ContenusCouples::lus, this, [this] {
        if (!ordre_.empty())
            Q_EMIT dataChanged(index(0, Verdict), index(rowCount() - 1, Verdict),
                               {Qt::DisplayRole, Qt::ToolTipRole});
    });
}

int ModeleCouples::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ordre_.size());
}

int ModeleCouples::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : NombreColonnes;
}

QVariant ModeleCouples::data(const QModelIndex& index, int role) const {
    const qint32 k = index.isValid() ? couple(index.row()) : -1;
    // The table may have been replaced since the view last asked (a new scan).
    if (k < 0 || std::size_t(k) >= state_.Couples.size())
        return {};
    const AppState::Couple& c = state_.Couples[std::size_t(k)];
    const int colonne = index.column();
    if (role == Qt::TextAlignmentRole)
        return colonne == Taille1 || colonne == Taille2
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    if (role == RolePrefixeCommun && (colonne == Chemin1 || colonne == Chemin2)) {
        const QString a = TexteCouple1(state_, std::size_t(k));
        const QString b = TexteCouple2(state_, std::size_t(k));
        qsizetype commun = 0;
        for (qsizetype i = 0; i < std::min(a.size(), b.size()) && a[i] == b[i]; ++i)
            if (a[i] == u'\\')
                commun = i + 1;
        return int(commun);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (colonne == Chemin1)
        return TexteCouple1(state_, std::size_t(k));
    if (colonne == Chemin2)
        return TexteCouple2(state_, std::size_t(k));
    if (colonne == Verdict) {
        const Contenu verdict = contenus_.verdict(std::size_t(k));
        if (verdict == Contenu::NonCompare) {
            voulus_.push_back(k);
            if (!envoi_->isActive())
                envoi_->start();
        }
        return role == Qt::ToolTipRole ? InfoBulleVerdict(verdict) : TexteContenu(verdict);
    }
    if (role == Qt::ToolTipRole)
        return {};
    const InfoFichier* info =
        state_.InfosLues.trouve(colonne == Taille1 || colonne == Date1 ? c.premier : c.second);
    if (!info)
        return {};
    return colonne == Taille1 || colonne == Taille2 ? TexteTailleExacte(info->taille)
                                                    : TexteDate(info->modificationNs);
}

QVariant ModeleCouples::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= NombreColonnes)
        return {};
    if (role == Qt::ToolTipRole && section == Verdict)
        return InfoBulleContenu.toString();
    if (role != Qt::DisplayRole)
        return {};
    if (section == Chemin1)
        return TitreColonne1ListV.toString();
    if (section == Chemin2)
        return TitreColonne2ListV.toString();
    return TitresColonnesCouples[section - Taille1].toString();
}

void ModeleCouples::sort(int column, Qt::SortOrder order) {
    colonneTri_ = column;
    ordreTri_ = order;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The rows the view keeps (the current one, the selection) follow their couple.
    const QModelIndexList avant = persistentIndexList();
    std::vector<qint32> couplesAvant;
    couplesAvant.reserve(std::size_t(avant.size()));
    for (const QModelIndex& i : avant) couplesAvant.push_back(couple(i.row()));
    trie();
    QModelIndexList apres;
    apres.reserve(avant.size());
    for (qsizetype i = 0; i < avant.size(); ++i) {
        const int r = couplesAvant[std::size_t(i)] < 0
                          ? -1
                          : rangee(std::size_t(couplesAvant[std::size_t(i)]));
        apres.append(r < 0 ? QModelIndex() : index(r, avant[i].column()));
    }
    changePersistentIndexList(avant, apres);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ModeleCouples::rafraichit() {
    beginResetModel();
    couples_.clear();
    if (!restreint_) {
        couples_.resize(state_.Couples.size());
        std::iota(couples_.begin(), couples_.end(), 0);
    }
    voulus_.clear();
    trie();
    endResetModel();
}

void ModeleCouples::restreint(std::vector<qint32> couples) {
    beginResetModel();
    restreint_ = true;
    couples_ = std::move(couples);
    voulus_.clear();
    trie();
    endResetModel();
}

qint32 ModeleCouples::couple(int rangee) const {
    return rangee >= 0 && std::size_t(rangee) < ordre_.size() ? ordre_[std::size_t(rangee)] : -1;
}

int ModeleCouples::rangee(std::size_t k) const {
    const auto it = std::find(ordre_.begin(), ordre_.end(), qint32(k));
    return it == ordre_.end() ? -1 : int(it - ordre_.begin());
}

// The rows in the order of the chosen column, by a key per couple: the paths sort in the
// list's order (the tree as the scan walked it), sizes by their value, times to the
// millisecond, the contents known first. Ties keep the couples' own order. Each row sorts
// as one integer, its key above its couple number, which is twice as quick as a pair.
void ModeleCouples::trie() {
    ordre_ = couples_;
    if (colonneTri_ < 0 || colonneTri_ >= NombreColonnes || ordre_.empty())
        return;
    constexpr int BitsCouple = 20;  // CapaciteCouples < 2^20
    static_assert(CapaciteCouples < (1 << BitsCouple));
    constexpr quint64 CleMax = (quint64(1) << (64 - BitsCouple)) - 1;
    const bool premier = colonneTri_ == Chemin1 || colonneTri_ == Taille1 || colonneTri_ == Date1;
    const auto cle = [&](qint32 k) -> quint64 {
        if (std::size_t(k) >= state_.Couples.size())
            return 0;
        const AppState::Couple& c = state_.Couples[std::size_t(k)];
        const qint32 p = premier ? c.premier : c.second;
        if (colonneTri_ == Chemin1 || colonneTri_ == Chemin2)
            return quint64(p) + 1;
        if (colonneTri_ == Verdict)
            return quint64(RangVerdict(contenus_.verdict(std::size_t(k))));
        const InfoFichier* info = state_.InfosLues.trouve(p);
        if (!info)
            return 0;  // no facts: before every size and time
        const qint64 valeur = colonneTri_ == Taille1 || colonneTri_ == Taille2
                                  ? info->taille
                                  : info->modificationNs / 1000000;
        return std::min(quint64(std::max<qint64>(valeur, 0)) + 1, CleMax);
    };
    const bool descendant = ordreTri_ == Qt::DescendingOrder;
    std::vector<quint64> cles(ordre_.size());
    for (std::size_t i = 0; i < ordre_.size(); ++i) {
        const quint64 c = cle(ordre_[i]);
        cles[i] = (descendant ? CleMax - c : c) << BitsCouple | quint64(ordre_[i]);
    }
    std::sort(cles.begin(), cles.end());
    const quint64 masque = (quint64(1) << BitsCouple) - 1;
    for (std::size_t i = 0; i < cles.size(); ++i) ordre_[i] = qint32(cles[i] & masque);
}

void ModeleCouples::envoieDemande() {
    std::sort(voulus_.begin(), voulus_.end());
    voulus_.erase(std::unique(voulus_.begin(), voulus_.end()), voulus_.end());
    contenus_.demande(std::exchange(voulus_, {}));
}

}  // namespace tidemark
