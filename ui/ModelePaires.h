#pragma once

#include "duplicates/PairesRepertoires.h"

#include <QAbstractTableModel>

#include <vector>

namespace tidemark {

class ContenusCouples;

// The couples grouped by their two folders (PairesRepertoires), most couples first: the two
// folders, the couples, the bytes of each side and how many couples are identical, counted
// as the background reader decides them. Worked out by that reader when first asked for
// after a search (they cost a pass over the whole table).
class ModelePaires : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Colonne { Premier, Second, Couples, Octets1, Octets2, Identiques, NombreColonnes };

    // `contenus` is not owned and outlives the model.
    explicit ModelePaires(ContenusCouples& contenus, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The table changed: no pairs until asked for again.
    void vide();
    // Asks for the pairs of the present couple table; they come with pairesPretes().
    void demande();
    bool demandees() const { return demandees_; }

    // Pair r, or null.
    const PaireRepertoires* paire(int r) const;
    // The couples of pair r, in the table's order.
    std::vector<qint32> couplesDe(int r) const;
    // The one-sentence description of pair r.
    QString description(int r) const;

Q_SIGNALS:
    void pairesPretes();

private:
    void remplit();
    void compte(const std::vector<qint32>& couples);

    ContenusCouples& contenus_;
    bool demandees_ = false;
    bool aJour_ = false;
    // Per pair: couples decided by the reader, and of those the identical ones.
    std::vector<qint64> compares_;
    std::vector<qint64> identiques_;
};

}  // namespace tidemark
