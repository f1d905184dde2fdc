#pragma once

#include <QString>
#include <QTemporaryDir>

#include <cstdint>

// A generator of trees that look like Pro/ENGINEER working directories, for benchmarks:
// the same parameters always give the same tree, byte for byte.
namespace tidemark::bench {

struct ParametresArbre {
    int repertoires = 2000;  // directories, the root of the tree included
    int fichiers = 200000;   // files in all, hidden ones included
    // Model names in the pool every folder draws from: the fewer, the more often one model
    // name recurs in several folders.
    int noms = 3000;
    std::uint32_t graine = 20021125;
};

// True when $TIDEMARK_BENCH_SMALL is set to anything but "0": a seconds-long run.
bool ModePetit();

// `pleineTaille`, or a seconds-long size in ModePetit() (20 directories, 2,000 files).
// $TIDEMARK_BENCH_DIRS and $TIDEMARK_BENCH_FILES, when set, override either count.
ParametresArbre ParametresDepuisEnvironnement(ParametresArbre pleineTaille = {});

struct StatistiquesArbre {
    int repertoires = 0;
    int fichiers = 0;
    int modeles = 0;  // revisions of models (.prt .asm .drw and the rarer model types)
};

// Creates the tree below the existing empty host folder `racine`: nested project folders
// with names in capitals, accents and spaces; in each, model series NAME.prt.N (1 to 12
// revisions with gaps, now and then the unnumbered file too), unrevisioned files (.xas .xpr
// .m_p .crc .err .ers .idx), trail.txt.N, *.log.N and *.inf.N series, unrelated files and
// a few hidden ones. Model names come from one pool, so the same names occur in several
// folders. Files are empty. Returns what it made; stops at the first failure to create.
StatistiquesArbre GenereArbreProE(const QString& racine, const ParametresArbre& parametres);

// Makes the tree in the folder "arbre" of `dossier` (a valid temporary folder), prints what
// was made and how long it took behind `titre`, and returns the host path of "arbre"; an
// empty text, after a message on standard error, when the folder is not valid or the tree
// could not be made in full.
QString FaitArbreTemporaire(const QTemporaryDir& dossier, const ParametresArbre& parametres,
                            const char* titre);

}  // namespace tidemark::bench
