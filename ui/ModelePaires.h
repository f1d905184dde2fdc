#pragma once

#include "duplicates/PairesRepertoires.h"

#include <QAbstractTableModel>

#include <vector>

namespace tidemark {

struct AppState;
class ContenusCouples;

// The couples grouped by their two folders (PairesRepertoires), most couples first: the two
// folders, the couples, the bytes of each side and how many couples are identical, counted
// as the background reader decides them. Computed when first shown after a search.
class ModelePaires : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Colonne { Premier, Second, Couples, Octets1, Octets2, Identiques, NombreColonnes };

    // `state` and `contenus` are not owned and outlive the model.
    ModelePaires(const AppState& state, ContenusCouples& contenus, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The table changed: no pairs until calcule().
    void vide();
    // The pairs of the present couple table.
    void calcule();
    bool aJour() const { return aJour_; }

    // Pair r, or null.
    const PaireRepertoires* paire(int r) const;
    // The couples of pair r, in the table's order.
    std::vector<qint32> couplesDe(int r) const;
    // The one-sentence description of pair r.
    QString description(int r) const;

private:
    void compte(const std::vector<qint32>& couples);

    const AppState& state_;
    ContenusCouples& contenus_;
    bool aJour_ = false;
    std::vector<PaireRepertoires> paires_;
    std::vector<qint32> paireDe_;  // the pair of each couple of the table
    // Per pair: couples decided by the reader, and of those the identical ones.
    std::vector<qint64> compares_;
    std::vector<qint64> identiques_;
};

}  // namespace tidemark
