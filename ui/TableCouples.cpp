#include "ui/TableCouples.h"

#include "session/Session.h"
#include "ui/ModeleCouples.h"
#include "ui/ModelePaires.h"
#include "ui/TextesCouples.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace tidemark {

namespace {

// A flat table of uniform rows, elided in the middle so that the end of a path shows: it
// shows half a million rows at once, looking at those on screen only.
QTreeView* Table(const char* nom, QAbstractItemModel* modele, QWidget* parent) {
    auto* vue = new QTreeView(parent);
    vue->setObjectName(QLatin1String(nom));
    vue->setAccessibleName(QLatin1String(nom));
    vue->setModel(modele);
    vue->setRootIsDecorated(false);
    vue->setItemsExpandable(false);
    vue->setUniformRowHeights(true);
    vue->setAllColumnsShowFocus(true);
    vue->setSelectionBehavior(QAbstractItemView::SelectRows);
    vue->setSelectionMode(QAbstractItemView::SingleSelection);
    vue->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vue->setTextElideMode(Qt::ElideMiddle);
    vue->header()->setSectionsMovable(false);
    return vue;
}

void Largeurs(QTreeView* vue, std::initializer_list<int> largeurs) {
    int colonne = 0;
    for (const int l : largeurs) vue->header()->resizeSection(colonne++, l);
}

// A path too long for its column leaves out first the folders both paths of the couple
// begin with ("…\old\piston.prt.3" beside "…\release\piston.prt.5"), then its middle: what
// tells the two files apart stays in sight. The whole path is the cell's tooltip.
class DelegueChemin : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* peintre, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QStyle* style = opt.widget ? opt.widget->style() : nullptr;
        const int marge =
            style ? 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1)
                  : 6;
        const int largeur = opt.rect.width() - marge;
        const QFontMetrics mesure(opt.font);
        if (mesure.horizontalAdvance(opt.text) > largeur) {
            const int commun = index.data(ModeleCouples::RolePrefixeCommun).toInt();
            if (commun > 3)
                opt.text = QStringLiteral("…") + opt.text.mid(commun - 1);
            opt.text = mesure.elidedText(opt.text, Qt::ElideMiddle, largeur);
        }
        (style ? style : QApplication::style())
            ->drawControl(QStyle::CE_ItemViewItem, &opt, peintre, opt.widget);
    }
};

// The couple columns: the paths with their own elision, the verdict beside them, then the
// sizes and the times.
void Colonnes(QTreeView* vue) {
    auto* delegue = new DelegueChemin(vue);
    vue->setItemDelegateForColumn(ModeleCouples::Chemin1, delegue);
    vue->setItemDelegateForColumn(ModeleCouples::Chemin2, delegue);
    vue->header()->moveSection(ModeleCouples::Verdict, ModeleCouples::Chemin2 + 1);
    Largeurs(vue, {220, 220, 70, 70, 140, 140, 75});
}

// Sorting on a header click, starting from the couples' own order.
void Triable(QTreeView* vue) {
    vue->header()->setSortIndicator(-1, Qt::AscendingOrder);
    vue->setSortingEnabled(true);
}

}  // namespace

TableCouples::TableCouples(Session& session, QWidget* parent)
    : QTabWidget(parent), session_(session) {
    setObjectName(QStringLiteral("OngletsCouples"));
    setAccessibleName(QStringLiteral("OngletsCouples"));
    const AppState& etat = session_.etat();
    modele_ = new ModeleCouples(etat, session_.contenus(), this);
    modelePaire_ = new ModeleCouples(etat, session_.contenus(), this);
    modelePaire_->restreint({});
    paires_ = new ModelePaires(session_.contenus(), this);

    ListV = Table("ListV", modele_, this);
    Colonnes(ListV);
    Triable(ListV);
    addTab(ListV, TitreOngletCouples.toString());

    auto* pages = new QSplitter(Qt::Vertical, this);
    pages->setObjectName(QStringLiteral("PagePaires"));
    ListPaires = Table("ListPaires", paires_, pages);
    ListPaires->setToolTip(InfoBulleListPaires.toString());
    // The identical couples beside the couples, then the bytes.
    ListPaires->header()->moveSection(ModelePaires::Identiques, ModelePaires::Couples + 1);
    Largeurs(ListPaires, {170, 170, 60, 75, 75, 90});
    auto* bas = new QWidget(pages);
    LbPaire = new QLabel(bas);
    LbPaire->setObjectName(QStringLiteral("LbPaire"));
    LbPaire->setAccessibleName(QStringLiteral("LbPaire"));
    LbPaire->setWordWrap(true);
    LbPaire->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ListVPaire = Table("ListVPaire", modelePaire_, bas);
    Colonnes(ListVPaire);
    Triable(ListVPaire);
    auto* colonne = new QVBoxLayout(bas);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->addWidget(LbPaire);
    colonne->addWidget(ListVPaire, 1);
    pages->addWidget(ListPaires);
    pages->addWidget(bas);
    addTab(pages, TitreOngletPaires.toString());

    for (QTreeView* vue : {ListV, ListVPaire}) {
        connect(vue->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &TableCouples::rangeeChoisie);
        connect(vue, &QAbstractItemView::clicked, this, &TableCouples::rangeeChoisie);
    }
    connect(ListPaires->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TableCouples::paireChoisie);
    connect(ListPaires, &QAbstractItemView::clicked, this, &TableCouples::paireChoisie);
    connect(this, &QTabWidget::currentChanged, this, &TableCouples::ongletChange);
    // A new list or a new search: the views start again from the table.
    connect(&session_, &Session::scanTermine, this, &TableCouples::rafraichit);
    connect(&session_, &Session::rechercheTerminee, this, &TableCouples::rafraichit);
}

void TableCouples::rafraichit() {
    const QSignalBlocker bloque(this);
    silence_ = true;
    modele_->rafraichit();
    paires_->vide();
    modelePaire_->restreint({});
    LbPaire->clear();
    silence_ = false;
    ongletChange(currentIndex());
}

void TableCouples::ongletChange(int onglet) {
    if (onglet != 1 || paires_->demandees())
        return;
    // The pairs, then the contents of the whole table, that they count their identical
    // couples, are worked out in the background, after the couples on screen.
    paires_->demande();
    session_.contenus().demandeTout();
}

void TableCouples::paireChoisie(const QModelIndex& index) {
    if (!paires_->paire(index.row()))
        return;
    modelePaire_->restreint(paires_->couplesDe(index.row()));
    LbPaire->setText(paires_->description(index.row()));
    // Its first couple is the one under review: "Ces Fichiers" acts on the pair.
    ListVPaire->setCurrentIndex(modelePaire_->index(0, 0));
    rangeeChoisie(ListVPaire->currentIndex());
}

void TableCouples::rangeeChoisie(const QModelIndex& index) {
    if (silence_ || !index.isValid())
        return;
    const auto* modele = static_cast<const ModeleCouples*>(index.model());
    const qint32 k = modele->couple(index.row());
    if (k >= 0)
        Q_EMIT coupleChoisi(std::size_t(k));
}

void TableCouples::montre(std::optional<std::size_t> k) {
    silence_ = true;
    for (QTreeView* vue : {ListV, ListVPaire}) {
        const auto* modele = static_cast<const ModeleCouples*>(vue->model());
        const int r = k ? modele->rangee(*k) : -1;
        if (r < 0) {
            vue->selectionModel()->clear();
            continue;
        }
        const QModelIndex index = modele->index(r, 0);
        vue->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        vue->scrollTo(index);
    }
    silence_ = false;
}

void TableCouples::suivant() {
    QTreeView* vue = vueCouples();
    const int n = vue->model()->rowCount();
    if (n == 0)
        return;
    const int r = vue->currentIndex().isValid() ? (vue->currentIndex().row() + 1) % n : 0;
    const QModelIndex index = vue->model()->index(r, 0);
    vue->setCurrentIndex(index);
    vue->scrollTo(index);
    rangeeChoisie(index);
}

QTreeView* TableCouples::vueCouples() const {
    return currentIndex() == 1 ? ListVPaire : ListV;
}

}  // namespace tidemark
