#include "bench/ArbreProE.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

#include <random>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tidemark::bench {

namespace {

// The value of environment variable `nom` when it is a whole number above 0, else `defaut`.
int EntierEnvironnement(const char* nom, int defaut) {
    bool ok = false;
    const int valeur = qEnvironmentVariableIntValue(nom, &ok);
    return ok && valeur > 0 ? valeur : defaut;
}

// The standard fixes mt19937's output for a seed, so the tree is the same everywhere;
// only this modulo is used on it (the standard distributions differ between libraries).
class Hasard {
public:
    explicit Hasard(std::uint32_t graine) : moteur_(graine) {}
    int sous(int n) { return static_cast<int>(moteur_() % static_cast<std::uint32_t>(n)); }
    bool chance(int pourcent) { return sous(100) < pourcent; }
    template <typename T, size_t N>
    const T& parmi(const T (&liste)[N]) {
        return liste[sous(static_cast<int>(N))];
    }

private:
    std::mt19937 moteur_;
};

const char* const Dossiers[] = {"moteur",         "Carter",    "PISTON_ASSY", "bielle",
                                "Vilebrequin",    "archives",  "Révision B",  "essais",
                                "Sous-ensembles", "lib",       "outillage",   "Château d'eau",
                                "proto",          "SERIE_2005"};
const char* const Racines[] = {"PISTON",  "CARTER", "BIELLE",   "VIS_M8", "ECROU_H",
                               "SUPPORT", "AXE",    "RONDELLE", "CAPOT",  "BRIDE",
                               "flasque", "Palier", "JOINT",    "TOLE",   "PIGNON"};
const char* const TypesModeles[] = {"prt", "prt", "prt", "prt", "asm", "asm", "drw",
                                    "drw", "frm", "sym", "lay", "tbl", "dgm"};
const char* const TypesSansRevision[] = {"xas", "xpr", "m_p", "crc", "err", "ers", "idx"};
const char* const Etrangers[] = {"notes.doc",   "photo.jpg",  "Makefile", "rapport final.pdf",
                                 "données.csv", "plan.dwg",   "README",   "copie.prt.bak",
                                 "essai.stp",   "mesures.xls"};
const char* const Caches[] = {".directory", ".pro_cache.prt.1", ".~lock.doc"};

class Generateur {
public:
    Generateur(const QString& racine, const ParametresArbre& parametres)
        : hasard_(parametres.graine), parametres_(parametres) {
        chemins_.push_back(QFile::encodeName(racine).toStdString());
        // Numbers drawn from a range three times the pool's size (at least 9,000), so that a
        // larger pool holds few names twice.
        const int nombres = std::max(9000, 3 * parametres.noms);
        for (int i = 0; i < std::max(1, parametres.noms); ++i)
            pool_.push_back(std::string(hasard_.parmi(Racines)) + '_' +
                            std::to_string(100 + hasard_.sous(nombres)));
    }

    StatistiquesArbre genere() {
        StatistiquesArbre stats;
        stats.repertoires = 1;
        std::vector<int> profondeur{0};
        for (int i = 1; i < parametres_.repertoires; ++i) {
            // A parent among the recent folders keeps the tree a few levels deep.
            int parent = i - 1 - hasard_.sous(std::min(i, 12));
            if (profondeur[parent] >= 7)
                parent = 0;
            const std::string chemin =
                chemins_[parent] + '/' + hasard_.parmi(Dossiers) + ' ' + std::to_string(i);
            if (::mkdir(chemin.c_str(), 0755) != 0)
                return stats;
            chemins_.push_back(chemin);
            profondeur.push_back(profondeur[parent] + 1);
            ++stats.repertoires;
        }
        const int n = static_cast<int>(chemins_.size());
        for (int r = 0; r < n; ++r) {
            // An even share, the remainder to the first folders.
            const int part = parametres_.fichiers / n + (r < parametres_.fichiers % n ? 1 : 0);
            if (!remplit(chemins_[r], part, stats))
                break;
        }
        return stats;
    }

private:
    // 1 when the file was made, 0 when passed over (name already taken here, or the
    // folder's share used up), -1 when it could not be made.
    int cree(const std::string& dossier, const std::string& nom, std::set<std::string>& noms,
             StatistiquesArbre& stats, int& reste) {
        if (reste <= 0 || !noms.insert(nom).second)
            return 0;
        const std::string chemin = dossier + '/' + nom;
        const int fd = ::open(chemin.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return -1;
        ::close(fd);
        ++stats.fichiers;
        --reste;
        return 1;
    }

    bool remplit(const std::string& dossier, int part, StatistiquesArbre& stats) {
        std::set<std::string> noms;
        int reste = part;
        for (int essais = 0; reste > 0 && essais < part * 20 + 100; ++essais) {
            const int tirage = hasard_.sous(100);
            int fait = 0;
            if (tirage < 60) {
                // A model with 1 to 12 revisions out of a wider range: the gaps are the
                // revisions purged or lost earlier.
                const std::string base = pool_[hasard_.sous(static_cast<int>(pool_.size()))] + '.' +
                                         hasard_.parmi(TypesModeles);
                const int nombre = 1 + hasard_.sous(12);
                int revision = 0;
                for (int k = 0; k < nombre && fait >= 0; ++k) {
                    revision += 1 + (hasard_.chance(25) ? 1 + hasard_.sous(4) : 0);
                    fait = cree(dossier, base + '.' + std::to_string(revision), noms, stats, reste);
                    stats.modeles += fait > 0 ? 1 : 0;
                }
                if (fait >= 0 && hasard_.chance(10))
                    fait = cree(dossier, base, noms, stats, reste);
            } else if (tirage < 72) {
                fait = cree(dossier,
                            pool_[hasard_.sous(static_cast<int>(pool_.size()))] + '.' +
                                hasard_.parmi(TypesSansRevision),
                            noms, stats, reste);
            } else if (tirage < 84) {
                const char* const series[] = {"trail.txt", "std.log", "PISTON.inf", "reg.log",
                                              "CARTER_ASSY.inf"};
                const std::string base = hasard_.parmi(series);
                const int nombre = 1 + hasard_.sous(15);
                for (int k = 1; k <= nombre && fait >= 0; ++k)
                    fait = cree(dossier, base + '.' + std::to_string(k), noms, stats, reste);
            } else if (tirage < 98) {
                fait =
                    cree(dossier, std::to_string(hasard_.sous(50)) + '_' + hasard_.parmi(Etrangers),
                         noms, stats, reste);
            } else {
                fait = cree(dossier, hasard_.parmi(Caches), noms, stats, reste);
            }
            if (fait < 0)
                return false;
        }
        return true;
    }

    Hasard hasard_;
    ParametresArbre parametres_;
    std::vector<std::string> chemins_;  // host path of each folder, the root first
    std::vector<std::string> pool_;     // model names shared by every folder
};

}  // namespace

bool ModePetit() {
    const QByteArray petit = qgetenv("TIDEMARK_BENCH_SMALL");
    return !petit.isEmpty() && petit != "0";
}

ParametresArbre ParametresDepuisEnvironnement(ParametresArbre pleineTaille) {
    ParametresArbre parametres = pleineTaille;
    if (ModePetit()) {
        parametres.repertoires = 20;
        parametres.fichiers = 2000;
    }
    parametres.repertoires = EntierEnvironnement("TIDEMARK_BENCH_DIRS", parametres.repertoires);
    parametres.fichiers = EntierEnvironnement("TIDEMARK_BENCH_FILES", parametres.fichiers);
    return parametres;
}

StatistiquesArbre GenereArbreProE(const QString& racine, const ParametresArbre& parametres) {
    return Generateur(racine, parametres).genere();
}

QString FaitArbreTemporaire(const QTemporaryDir& dossier, const ParametresArbre& parametres,
                            const char* titre) {
    if (!dossier.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return {};
    }
    const QString racine = dossier.path() + QStringLiteral("/arbre");
    if (!QDir().mkpath(racine))
        return {};
    QElapsedTimer chrono;
    chrono.start();
    const StatistiquesArbre stats = GenereArbreProE(racine, parametres);
    std::printf("%s: %d folders, %d files (%d model revisions), made in %.1f s\n", titre,
                stats.repertoires, stats.fichiers, stats.modeles,
                double(chrono.elapsed()) / 1000.0);
    if (stats.repertoires != parametres.repertoires ||
        stats.fichiers < parametres.fichiers * 9 / 10) {
        std::fprintf(stderr, "the tree could not be made in full\n");
        return {};
    }
    return racine;
}

}  // namespace tidemark::bench
