#include "duplicates/MemeContenu.h"

#include "core/Drives.h"
#include "core/EntreeListe.h"

#include <QByteArrayView>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <tuple>

namespace tidemark {

VueCouples Vue(const AppState& state) {
    return {state.TabFich, state.RepBase, state.Couples, &state.InfosLues};
}

namespace {

// The chunks of one class held at once, to be compared, stay within this many bytes.
constexpr qint64 BudgetParEtape = 32 * 1024 * 1024;
constexpr qint64 ChunkMinimum = 4 * 1024;
constexpr qint64 ChunkMaximum = 64 * 1024;
// Up to this many files read side by side keep their file open between chunks; beyond it
// each chunk opens its file again, to stay far below the process's limit.
constexpr std::size_t OuvertsAuPlus = 256;

FaitContenu FaitDe(const InfoFichier& s) {
    return {{s.peripherique, s.inode}, s.taille, s.modificationNs};
}

// The two files of a cache key in one order, whatever side each was on.
CacheContenus::Cle CleDe(const FaitContenu& a, const FaitContenu& b) {
    const auto avant = [](const FaitContenu& x, const FaitContenu& y) {
        return std::tie(x.identite.peripherique, x.identite.inode, x.modificationNs) <
               std::tie(y.identite.peripherique, y.identite.inode, y.modificationNs);
    };
    return avant(b, a) ? CacheContenus::Cle{b, a} : CacheContenus::Cle{a, b};
}

// One file to read: every list entry that reaches it shares it.
struct Fichier {
    QString hote;
    FaitContenu fait;
    qint32 position = -1;  // the first entry that reached it, for the reason
    FichierLecture fd;
    bool illisible = false;
    qint64 classe = 0;  // files of one class have shown the same bytes so far
};

// The couples still open: two files of one size, not yet told apart.
struct Arete {
    std::size_t couple;  // index in the verdicts
    qint32 a;
    qint32 b;
};

class Comparaison {
public:
    Comparaison(const VueCouples& vue, const DriveMap& lecteurs, CacheContenus& cache)
        : vue_(vue), lecteurs_(lecteurs), cache_(cache) {}

    ContenusCompares compare(std::size_t premier, std::size_t nombre,
                             const std::function<bool()>& arret) {
        premier = std::min(premier, vue_.couples.size());
        nombre = std::min(nombre, vue_.couples.size() - premier);
        resultat_.verdicts.assign(nombre, Contenu::NonCompare);
        std::vector<Arete> aretes;
        for (std::size_t k = 0; k < nombre; ++k) {
            const AppState::Couple& c = vue_.couples[premier + k];
            const qint32 a = fichier(c.premier);
            const qint32 b = fichier(c.second);
            Contenu& verdict = resultat_.verdicts[k];
            if (a < 0 || b < 0) {
                verdict = Contenu::Illisible;
            } else if (a == b) {
                verdict = Contenu::Identique;  // one file reached twice
            } else if (fichiers_[std::size_t(a)].fait.taille !=
                       fichiers_[std::size_t(b)].fait.taille) {
                verdict = Contenu::Different;
            } else if (const Contenu connu = cache_.trouve(fichiers_[std::size_t(a)].fait,
                                                           fichiers_[std::size_t(b)].fait);
                       connu != Contenu::NonCompare) {
                verdict = connu;
                ++resultat_.depuisCache;
            } else {
                aretes.push_back({k, a, b});
            }
        }
        litCoteACote(aretes, arret);
        for (Fichier& f : fichiers_) ferme(f);
        std::sort(resultat_.illisibles.begin(), resultat_.illisibles.end(),
                  [](const EntreeIllisible& x, const EntreeIllisible& y) {
                      return x.position < y.position;
                  });
        return std::move(resultat_);
    }

private:
    // The file of entry p, read once: -1 when it is no regular file once links are followed.
    qint32 fichier(qint32 p) {
        if (const auto it = parPosition_.constFind(p); it != parPosition_.cend())
            return it.value();
        qint32 numero = -1;
        const std::optional<QString> hote =
            p >= 0 && std::size_t(p) < vue_.liste.size()
                ? lecteurs_.versHote(CheminEntree(vue_.liste, vue_.repBase, std::size_t(p)))
                : std::nullopt;
        InfoFichier s;
        bool ordinaire = false;
        int erreur = 0;
        if (p < 0 || std::size_t(p) >= vue_.liste.size()) {
            // A table older than the list: no entry to name.
        } else if (!hote) {
            illisible(p, QStringLiteral("chemin hors des lecteurs"));
        } else if ((erreur = FichierLecture::faitsDe(*hote, s, ordinaire)) != 0) {
            illisible(p, FileSystem::reason(erreur));
        } else if (!ordinaire) {
            illisible(p, QStringLiteral("ce n'est pas un fichier ordinaire"));
        } else {
            const FaitContenu fait = FaitDe(s);
            // Two entries that reach one file (hard links, a link and its target) share it.
            const std::pair<quint64, quint64> identite{fait.identite.peripherique,
                                                       fait.identite.inode};
            if (const auto it = parIdentite_.constFind(identite); it != parIdentite_.cend()) {
                numero = it.value();
            } else {
                numero = qint32(fichiers_.size());
                fichiers_.push_back({*hote, fait, p, {}});
                parIdentite_.insert(identite, numero);
            }
        }
        parPosition_.insert(p, numero);
        return numero;
    }

    void illisible(qint32 p, const QString& raison) { resultat_.illisibles.push_back({p, raison}); }

    // Reads the files of the open couples chunk after chunk, side by side, and splits each
    // class of files that showed the same bytes so far by the bytes of the next chunk.
    void litCoteACote(std::vector<Arete>& aretes, const std::function<bool()>& arret) {
        // The first classes: the files joined by open couples (all of one size), so that a
        // couple whose files are in no other couple is a class of two, compared directly.
        std::vector<qint32> parent(fichiers_.size());
        for (std::size_t f = 0; f < parent.size(); ++f) parent[f] = qint32(f);
        const auto racine = [&parent](qint32 f) {
            while (parent[std::size_t(f)] != f)
                f = parent[std::size_t(f)] = parent[std::size_t(parent[std::size_t(f)])];
            return f;
        };
        for (const Arete& e : aretes) parent[std::size_t(racine(e.a))] = racine(e.b);
        for (std::size_t f = 0; f < fichiers_.size(); ++f) fichiers_[f].classe = racine(qint32(f));
        qint64 prochaineClasse = qint64(fichiers_.size());

        qint64 decalage = 0;
        std::vector<qint32> actifs;
        std::vector<quint8> marque(fichiers_.size(), 0);
        while (!aretes.empty()) {
            if (arret && arret())
                return;
            actifs.clear();
            for (const Arete& e : aretes) {
                for (const qint32 f : {e.a, e.b}) {
                    if (!marque[std::size_t(f)]) {
                        marque[std::size_t(f)] = 1;
                        actifs.push_back(f);
                    }
                }
            }
            for (const qint32 f : actifs) marque[std::size_t(f)] = 0;
            // The files of one class one after the other, in file order.
            std::sort(actifs.begin(), actifs.end(), [this](qint32 x, qint32 y) {
                return std::pair(fichiers_[std::size_t(x)].classe, x) <
                       std::pair(fichiers_[std::size_t(y)].classe, y);
            });
            std::size_t plusGrande = 0;
            for (std::size_t debut = 0, fin = 0; debut < actifs.size(); debut = fin) {
                fin = debut + 1;
                while (fin < actifs.size() && fichiers_[std::size_t(actifs[fin])].classe ==
                                                  fichiers_[std::size_t(actifs[debut])].classe)
                    ++fin;
                plusGrande = std::max(plusGrande, fin - debut);
            }
            const bool garde = actifs.size() <= OuvertsAuPlus;
            const qint64 chunk =
                std::clamp(BudgetParEtape / qint64(plusGrande) / ChunkMinimum * ChunkMinimum,
                           ChunkMinimum, ChunkMaximum);
            for (std::size_t debut = 0, fin = 0; debut < actifs.size(); debut = fin) {
                fin = debut + 1;
                while (fin < actifs.size() && fichiers_[std::size_t(actifs[fin])].classe ==
                                                  fichiers_[std::size_t(actifs[debut])].classe)
                    ++fin;
                partage({actifs.data() + debut, fin - debut}, decalage, chunk, garde,
                        prochaineClasse);
            }
            decalage += chunk;

            // A couple is decided when one side could not be read, when its files parted,
            // or when both reached their end together.
            std::erase_if(aretes, [&](const Arete& e) {
                const Fichier& a = fichiers_[std::size_t(e.a)];
                const Fichier& b = fichiers_[std::size_t(e.b)];
                Contenu& verdict = resultat_.verdicts[e.couple];
                if (a.illisible || b.illisible)
                    verdict = Contenu::Illisible;
                else if (a.classe != b.classe)
                    verdict = Contenu::Different;
                else if (decalage >= a.fait.taille)
                    verdict = Contenu::Identique;
                else
                    return false;
                if (verdict != Contenu::Illisible)
                    cache_.retient(a.fait, b.fait, verdict == Contenu::Identique);
                return true;
            });
        }
    }

    // Reads the chunk at `decalage` of the files of one class and gives each group of equal
    // chunks a new class. A chunk is compared byte for byte with the first chunk of each
    // group found so far; once a class holds more than a few groups, only with those of the
    // same hash (hashing every chunk would cost more than the comparison in the usual case
    // of a few versions).
    void partage(std::span<const qint32> classe, qint64 decalage, qint64 chunk, bool garde,
                 qint64& prochaineClasse) {
        struct Groupe {
            std::vector<char> octets;
            qint64 longueur;
            qint64 classe;
            std::optional<size_t> hachage;
        };
        constexpr std::size_t GroupesSansHachage = 8;
        std::vector<Groupe> groupes;
        const auto hachage = [](const std::vector<char>& octets, qint64 longueur) {
            return qHash(QByteArrayView(octets.data(), longueur));
        };
        for (const qint32 numero : classe) {
            Fichier& f = fichiers_[std::size_t(numero)];
            const qint64 longueur = std::min(chunk, f.fait.taille - decalage);
            if (f.illisible || longueur <= 0)
                continue;  // at its end: its class stays as it is
            std::vector<char> octets = prendTampon(longueur);
            if (!lit(f, decalage, octets.data(), longueur, garde)) {
                tampons_.push_back(std::move(octets));
                continue;
            }
            std::optional<size_t> h;
            if (groupes.size() >= GroupesSansHachage)
                h = hachage(octets, longueur);
            const auto egal = std::find_if(groupes.begin(), groupes.end(), [&](Groupe& g) {
                if (h && !g.hachage)
                    g.hachage = hachage(g.octets, g.longueur);
                return (!h || *g.hachage == *h) &&
                       std::memcmp(g.octets.data(), octets.data(), std::size_t(longueur)) == 0;
            });
            if (egal != groupes.end()) {
                f.classe = egal->classe;
                tampons_.push_back(std::move(octets));
            } else {
                f.classe = prochaineClasse++;
                groupes.push_back({std::move(octets), longueur, f.classe, h});
            }
        }
        for (Groupe& g : groupes) tampons_.push_back(std::move(g.octets));
    }

    // A buffer of at least `longueur` bytes, one given back earlier when there is one.
    std::vector<char> prendTampon(qint64 longueur) {
        std::vector<char> tampon;
        if (!tampons_.empty()) {
            tampon = std::move(tampons_.back());
            tampons_.pop_back();
        }
        if (qint64(tampon.size()) < longueur)
            tampon.resize(std::size_t(longueur));
        return tampon;
    }

    // Reads `longueur` bytes of the file from `decalage` into `octets`; marks the file
    // unreadable on failure or when it is no longer the file that was measured.
    bool lit(Fichier& f, qint64 decalage, char* octets, qint64 longueur, bool garde) {
        if (!f.fd.ouvert()) {
            // A pipe put in the file's place since it was measured must not block the read;
            // its facts then refuse it.
            const int erreur = f.fd.ouvre(f.hote);
            InfoFichier s;
            bool ordinaire = false;
            if (erreur != 0 || f.fd.faits(s, ordinaire) != 0 || !ordinaire ||
                !(FaitDe(s) == f.fait)) {
                marqueIllisible(f, erreur != 0 ? FileSystem::reason(erreur)
                                               : QStringLiteral("modifié depuis sa mesure"));
                return false;
            }
            if (decalage == 0)
                ++resultat_.fichiersLus;
        }
        qint64 lus = 0;
        while (lus < longueur) {
            int erreur = 0;
            const qint64 n = f.fd.lit(decalage + lus, octets + lus, longueur - lus, erreur);
            if (n <= 0) {
                marqueIllisible(f, n < 0 ? FileSystem::reason(erreur)
                                         : QStringLiteral("raccourci pendant la lecture"));
                return false;
            }
            lus += n;
        }
        resultat_.octetsLus += lus;
        if (!garde)
            ferme(f);
        return true;
    }

    void marqueIllisible(Fichier& f, const QString& raison) {
        ferme(f);
        f.illisible = true;
        illisible(f.position, raison);
    }

    static void ferme(Fichier& f) { f.fd.ferme(); }

    const VueCouples& vue_;
    const DriveMap& lecteurs_;
    CacheContenus& cache_;
    ContenusCompares resultat_;
    std::vector<Fichier> fichiers_;
    QHash<qint32, qint32> parPosition_;
    std::vector<std::vector<char>> tampons_;  // chunk buffers free for another read
    QHash<std::pair<quint64, quint64>, qint32> parIdentite_;
};

}  // namespace

size_t qHash(const CacheContenus::Cle& cle, size_t graine) {
    return qHashMulti(graine, cle.a.identite.peripherique, cle.a.identite.inode, cle.a.taille,
                      cle.a.modificationNs, cle.b.identite.peripherique, cle.b.identite.inode,
                      cle.b.taille, cle.b.modificationNs);
}

Contenu CacheContenus::trouve(const FaitContenu& a, const FaitContenu& b) const {
    const auto it = verdicts_.constFind(CleDe(a, b));
    if (it == verdicts_.cend())
        return Contenu::NonCompare;
    return it.value() ? Contenu::Identique : Contenu::Different;
}

void CacheContenus::retient(const FaitContenu& a, const FaitContenu& b, bool identiques) {
    verdicts_.insert(CleDe(a, b), identiques);
}

ContenusCompares CompareContenus(const VueCouples& vue, std::size_t premier, std::size_t nombre,
                                 const DriveMap& lecteurs, CacheContenus& cache,
                                 const std::function<bool()>& arret) {
    return Comparaison(vue, lecteurs, cache).compare(premier, nombre, arret);
}

}  // namespace tidemark
