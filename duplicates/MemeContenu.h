#pragma once

#include "core/AppState.h"
#include "core/FaitsLus.h"
#include "core/FileSystem.h"
#include "duplicates/RechercheDoublons.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <functional>
#include <span>
#include <vector>

// Whether the two files of a couple hold the same bytes. This is a step of its own, asked
// for the couples shown (one screen of the table) or for a whole table by the command line;
// the search never reads contents.
//
// An entry that is a symbolic link is compared by the bytes of the file it points to: that
// is what a user opening it sees. (Disposal still acts on the link itself, and a link and
// its target are one file, never a couple.) An entry that is no regular file once its links
// are followed (a folder, a pipe, a device, a link leading nowhere) is not read: its couples
// are "illisible".
namespace tidemark {

class DriveMap;

// The part of the working set that the content comparison and the folder pairs read: the
// list, the base directory of its bare names, the couples as list positions, and the sizes
// the search read. Nothing is copied; the state must outlive the view.
struct VueCouples {
    std::span<const QString> liste;             // TabFich
    QString repBase;                            // RepBase
    std::span<const AppState::Couple> couples;  // Couples
    const FaitsLus* faits = nullptr;            // InfosLues (may be null: no sizes)
};
VueCouples Vue(const AppState& state);

// The verdict on one couple.
enum class Contenu : quint8 {
    NonCompare,  // not asked, or the comparison was stopped before it
    Identique,   // the same bytes (or one file reached twice)
    Different,   // sizes differ (not read), or the bytes differ somewhere
    Illisible,   // one side could not be read as a regular file
};

// The facts of a file as the comparison read them (links followed).
struct FaitContenu {
    IdentiteFichier identite;
    qint64 taille = 0;
    qint64 modificationNs = 0;
    bool operator==(const FaitContenu&) const = default;
};

// What earlier comparisons found, by the identity, size and modification time of both
// files: asking again for couples whose files did not change reads no byte. A file that was
// rewritten (another modification time) or replaced (another inode) is read again.
class CacheContenus {
public:
    // The verdict known for these two files, Contenu::NonCompare when none is.
    Contenu trouve(const FaitContenu& a, const FaitContenu& b) const;
    void retient(const FaitContenu& a, const FaitContenu& b, bool identiques);
    qsizetype size() const { return verdicts_.size(); }
    void clear() { verdicts_.clear(); }

    struct Cle {
        FaitContenu a;
        FaitContenu b;
        bool operator==(const Cle&) const = default;
    };

private:
    QHash<Cle, bool> verdicts_;
};
size_t qHash(const CacheContenus::Cle& cle, size_t graine = 0);

// What one comparison found and what it cost.
struct ContenusCompares {
    std::vector<Contenu> verdicts;            // one per couple asked, in their order
    std::vector<EntreeIllisible> illisibles;  // entries that could not be read, in list order
    qint64 fichiersLus = 0;                   // files opened for reading (each once at most)
    qint64 octetsLus = 0;
    qint64 depuisCache = 0;  // couples answered by the cache
};

// Compares the couples vue.couples[premier] .. vue.couples[premier + nombre - 1] (cut to the
// table). Couples of two sizes are "Different" without reading; the others are read in
// chunks, every file at most once however many couples it is in: the files of one size are
// read side by side, chunk after chunk, each chunk sorted with the chunks equal to it, and
// a file is read no further once each of its couples is decided; so a couple stops at its
// first differing chunk. Memory holds a few tens of MiB of chunks at most, never a whole
// file. `arret` (may be empty) is asked between chunks: when it returns true the couples
// still open are left NonCompare. The verdicts found are kept in `cache`.
ContenusCompares CompareContenus(const VueCouples& vue, std::size_t premier, std::size_t nombre,
                                 const DriveMap& lecteurs, CacheContenus& cache,
                                 const std::function<bool()>& arret = {});

}  // namespace tidemark
