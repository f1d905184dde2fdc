#pragma once

#include "core/FileSystem.h"

#include <QtGlobal>

#include <memory>
#include <vector>

namespace tidemark {

// The facts read of list entries, by position in the list. Held in a vector indexed by
// position rather than in a hash: the purge analysis records up to half a million of them in
// one go, and a slot costs less than a hash node; a lookup is an index. Copies share their
// data until one of them changes, as the plan and the shared state hold the same facts.
class FaitsLus {
public:
    // Records the facts of entry `position` (>= 0), replacing any already there.
    void insert(qint32 position, const InfoFichier& info);
    // The facts of entry `position`, or nothing.
    const InfoFichier* trouve(qint32 position) const;
    bool contains(qint32 position) const { return trouve(position) != nullptr; }
    // The facts of entry `position`, or default facts when none were read.
    InfoFichier value(qint32 position) const;

    qsizetype size() const { return d_ ? d_->nombre : 0; }
    bool isEmpty() const { return size() == 0; }
    void clear() { d_.reset(); }
    // Records every fact of `autres`, replacing those of the same positions.
    void fusionne(const FaitsLus& autres);
    // Makes room for positions below `positions` at once.
    void reserve(qsizetype positions);

private:
    struct Donnees {
        std::vector<InfoFichier> faits;
        std::vector<quint8> presents;  // 1 where `faits` holds what was read
        qsizetype nombre = 0;
    };
    // The data, made private to this copy first when another copy shares it.
    Donnees& modifiable();

    std::shared_ptr<Donnees> d_;
};

}  // namespace tidemark
