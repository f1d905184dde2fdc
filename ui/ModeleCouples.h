#pragma once

#include <QAbstractTableModel>

namespace tidemark {

struct AppState;

// The two-column list of the couples of the last duplicate search, read from the shared
// state: one row per couple, its first file then its second. Reset once per search.
class ModeleCouples : public QAbstractTableModel {
    Q_OBJECT
public:
    // `state` is not owned and outlives the model.
    explicit ModeleCouples(const AppState& state, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Tells the view that the couples changed.
    void rafraichit();

private:
    const AppState& state_;
};

}  // namespace tidemark
