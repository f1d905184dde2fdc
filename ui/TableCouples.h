#pragma once

#include <QTabWidget>

#include <optional>

class QLabel;
class QModelIndex;
class QTreeView;

namespace tidemark {

class ModeleCouples;
class ModelePaires;
class Session;

// The couples of the last search, in two views: the table of every couple ("ListV"), and
// the folder pairs ("ListPaires") with the couples of the chosen pair under them
// ("ListVPaire"). Clicking or moving to a couple's row in either view chooses it; choosing
// a pair chooses its first couple. The views sort on a click on their header, which
// changes the rows' order only: a couple keeps its number in the search.
class TableCouples : public QTabWidget {
    Q_OBJECT
public:
    // `session` is not owned and outlives the widget.
    explicit TableCouples(Session& session, QWidget* parent = nullptr);

    QTreeView* couples() const { return ListV; }

    // Shows couple k as the current row of the couple views (none when k is empty), without
    // choosing it again.
    void montre(std::optional<std::size_t> k);
    // Moves to the next row of the couple view in sight, the first after the last; which
    // chooses that row's couple.
    void suivant();

Q_SIGNALS:
    // The user chose couple k (its index in the search's table).
    void coupleChoisi(std::size_t k);

private:
    void rafraichit();
    void ongletChange(int onglet);
    void paireChoisie(const QModelIndex& index);
    void rangeeChoisie(const QModelIndex& index);
    QTreeView* vueCouples() const;

    Session& session_;
    ModeleCouples* modele_;
    ModeleCouples* modelePaire_;
    ModelePaires* paires_;
    QTreeView* ListV;
    QTreeView* ListPaires;
    QTreeView* ListVPaire;
    QLabel* LbPaire;
    bool silence_ = false;  // the rows move to show the couple chosen, not to choose one
};

}  // namespace tidemark
