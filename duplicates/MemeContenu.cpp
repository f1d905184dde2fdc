#include "duplicates/MemeContenu.h"

#include "core/Drives.h"
#include "core/EntreeListe.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tidemark {

VueCouples Vue(const AppState& state) {
    return {state.TabFich, state.RepBase, state.Couples, &state.InfosLues};
}

namespace {

// Chunks read at one step, all files together, stay within this many bytes.
constexpr qint64 BudgetParEtape = 32 * 1024 * 1024;
constexpr qint64 ChunkMinimum = 4 * 1024;
constexpr qint64 ChunkMaximum = 1024 * 1024;
// Up to this many files read side by side keep their file open between chunks; beyond it
// each chunk opens its file again, to stay far below the process's limit.
constexpr std::size_t OuvertsAuPlus = 256;

FaitContenu FaitDe(const struct stat& s) {
    return {{quint64(s.st_dev), quint64(s.st_ino)},
            qint64(s.st_size),
            qint64(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec};
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
    QByteArray hote;
    FaitContenu fait;
    qint32 position = -1;  // the first entry that reached it, for the reason
    int fd = -1;
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
        struct stat s {};
        if (!hote) {
            illisible(p, QStringLiteral("chemin hors des lecteurs"));
        } else if (const QByteArray local = QFile::encodeName(*hote);
                   ::stat(local.constData(), &s) != 0) {
            illisible(p, FileSystem::reason(errno));
        } else if (!S_ISREG(s.st_mode)) {
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
                fichiers_.push_back({local, fait, p});
                parIdentite_.insert(identite, numero);
            }
        }
        parPosition_.insert(p, numero);
        return numero;
    }

    void illisible(qint32 p, const QString& raison) {
        resultat_.illisibles.push_back({p, raison});
    }

    // Reads the files of the open couples chunk after chunk, side by side, and splits each
    // class of files that showed the same bytes so far by the bytes of the next chunk.
    void litCoteACote(std::vector<Arete>& aretes, const std::function<bool()>& arret) {
        // The first classes: one per size.
        QHash<qint64, qint64> parTaille;
        for (const Arete& e : aretes) {
            for (const qint32 f : {e.a, e.b}) {
                Fichier& fichier = fichiers_[std::size_t(f)];
                fichier.classe = parTaille.value(fichier.fait.taille, qint64(parTaille.size()));
                parTaille.insert(fichier.fait.taille, fichier.classe);
            }
        }
        qint64 prochaineClasse = parTaille.size();
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
            std::sort(actifs.begin(), actifs.end());
            for (const qint32 f : actifs) marque[std::size_t(f)] = 0;
            const bool garde = actifs.size() <= OuvertsAuPlus;
            qint64 chunk = BudgetParEtape / qint64(actifs.size());
            chunk = std::clamp(chunk / ChunkMinimum * ChunkMinimum, ChunkMinimum, ChunkMaximum);

            // The chunks that open a new class, found by the old class and a hash of the
            // bytes, then compared byte for byte.
            QMultiHash<std::pair<qint64, size_t>, std::pair<QByteArray, qint64>> representants;
            for (const qint32 f : actifs) {
                Fichier& fichier = fichiers_[std::size_t(f)];
                const qint64 longueur = std::min(chunk, fichier.fait.taille - decalage);
                if (fichier.illisible || longueur <= 0)
                    continue;  // at its end: its class stays as it is
                QByteArray octets = lit(fichier, decalage, longueur, garde);
                if (fichier.illisible)
                    continue;
                const std::pair<qint64, size_t> cle{fichier.classe, qHash(octets)};
                qint64 classe = -1;
                for (auto it = representants.constFind(cle);
                     it != representants.cend() && it.key() == cle; ++it) {
                    if (it.value().first == octets) {
                        classe = it.value().second;
                        break;
                    }
                }
                if (classe < 0) {
                    classe = prochaineClasse++;
                    representants.insert(cle, {std::move(octets), classe});
                }
                fichier.classe = classe;
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
            for (const qint32 f : actifs) {
                if (!garde)
                    ferme(fichiers_[std::size_t(f)]);
            }
        }
    }

    // `longueur` bytes of the file from `decalage`; marks the file unreadable on failure or
    // when it is no longer the file that was measured.
    QByteArray lit(Fichier& f, qint64 decalage, qint64 longueur, bool garde) {
        if (f.fd < 0) {
            // O_NONBLOCK: a pipe put in the file's place since it was measured must not
            // block the read; fstat then refuses it.
            f.fd = ::open(f.hote.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
            struct stat s {};
            if (f.fd < 0 || ::fstat(f.fd, &s) != 0 || !S_ISREG(s.st_mode) || !(FaitDe(s) == f.fait)) {
                const int erreur = errno;
                marqueIllisible(f, f.fd < 0 ? FileSystem::reason(erreur)
                                            : QStringLiteral("modifié depuis sa mesure"));
                return {};
            }
            if (decalage == 0) {
                ++resultat_.fichiersLus;
                ::posix_fadvise(f.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            }
        }
        QByteArray octets(longueur, Qt::Uninitialized);
        qint64 lus = 0;
        while (lus < longueur) {
            const ssize_t n = ::pread(f.fd, octets.data() + lus, std::size_t(longueur - lus),
                                      off_t(decalage + lus));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                marqueIllisible(f, n < 0 ? FileSystem::reason(errno)
                                         : QStringLiteral("raccourci pendant la lecture"));
                return {};
            }
            lus += n;
        }
        resultat_.octetsLus += lus;
        if (!garde)
            ferme(f);
        return octets;
    }

    void marqueIllisible(Fichier& f, const QString& raison) {
        ferme(f);
        f.illisible = true;
        illisible(f.position, raison);
    }

    static void ferme(Fichier& f) {
        if (f.fd >= 0)
            ::close(f.fd);
        f.fd = -1;
    }

    const VueCouples& vue_;
    const DriveMap& lecteurs_;
    CacheContenus& cache_;
    ContenusCompares resultat_;
    std::vector<Fichier> fichiers_;
    QHash<qint32, qint32> parPosition_;
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
