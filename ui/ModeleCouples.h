#pragma once

#include <QAbstractTableModel>

#include <vector>

class QTimer;

namespace tidemark {

struct AppState;
class ContenusCouples;

// The couples of the last duplicate search as a table, read from the shared state: both
// paths, each side's size and modification time, and whether the two files hold the same
// bytes. A row shows a couple; which couple is the model's to say (couple()), since the rows
// sort on any column and may be cut down to the couples of one folder pair, while the couple
// numbers stay those of the search. Nothing is computed ahead for the rows: a row's facts
// are looked up when it is shown, and the contents of the couples shown are asked of the
// background reader then.
class ModeleCouples : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Colonne { Chemin1, Chemin2, Taille1, Taille2, Date1, Date2, Verdict, NombreColonnes };
    // For the path columns: the length of the folders both paths begin with, up to their
    // last common "\" (the part a narrow column may leave out first).
    static constexpr int RolePrefixeCommun = Qt::UserRole + 1;

    // `state` and `contenus` are not owned and outlive the model.
    ModeleCouples(const AppState& state, ContenusCouples& contenus, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Sorts the rows (column -1: the couples' own order); the couple numbers stay.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The couples changed: every couple of the table is shown (none for a model cut down to
    // a pair, until it is given its pair again), in the order chosen.
    void rafraichit();
    // Only these couples (indexes in the table) are shown.
    void restreint(std::vector<qint32> couples);

    // The couple of view row `rangee` (its index in the table), -1 when there is none.
    qint32 couple(int rangee) const;
    // The view row of couple k, -1 when it is not shown.
    int rangee(std::size_t k) const;

private:
    void trie();
    void envoieDemande();

    const AppState& state_;
    ContenusCouples& contenus_;
    bool restreint_ = false;
    std::vector<qint32> couples_;  // the couples shown, in the table's order
    std::vector<qint32> ordre_;    // view row -> couple
    int colonneTri_ = -1;
    Qt::SortOrder ordreTri_ = Qt::AscendingOrder;
    // Couples shown whose contents are not known yet, asked for once the view is painted.
    mutable std::vector<qint32> voulus_;
    QTimer* envoi_;
};

}  // namespace tidemark
