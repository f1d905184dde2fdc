#pragma once

#include <QAbstractListModel>

namespace tidemark {

struct AppState;

// The list box's lines, read from the shared state: while files are listed, line i is the
// mark of its state followed by entry i, and its item data (Qt::UserRole) is the state;
// otherwise the message lines. The model is reset once per command, never line by line.
class ModeleListe : public QAbstractListModel {
    Q_OBJECT
public:
    // `state` is not owned and outlives the model.
    explicit ModeleListe(const AppState& state, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The text of line i as the list shows it, mark included.
    QString texte(int ligne) const;
    // Tells the view that the state's lines changed.
    void rafraichit();
    // Tells the view that the marks of the file lines changed (no line added or removed).
    void marquesChangees();

private:
    const AppState& state_;
};

}  // namespace tidemark
