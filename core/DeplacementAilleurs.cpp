#include "core/DeplacementAilleurs.h"

#include <cerrno>

namespace tidemark {

namespace {

// How a copy was put in place at the target, so that it can be undone.
struct Mise {
    bool nouvelle = false;   // the target did not exist: undoing removes the copy
    QString ancienne;        // a second name of the replaced older file, to put it back
    IdentiteFichier placee;  // the copy that was put in place
};

IdentiteFichier Identite(const InfoFichier& f) {
    return {f.peripherique, f.inode};
}

// Undoes a placed copy after a later step failed; the source is still whole. Only the copy
// this move placed is ever touched: whatever another program or run has put at the target
// since (another identity) stays.
// - The target was new: the copy is removed, nothing is duplicated.
// - An older file was replaced and a second name of it was kept: it is renamed back over
//   the copy, so the target is exactly as before. Should that fail, the second name stays.
// - An older file was replaced without a second name: the copy stays. The older file is
//   gone either way, and removing the copy would leave the target empty; it is identical to
//   the source, so the worst outcome is a duplicate, never a loss.
// - The target is no longer the copy: if it is gone, the older file is put back under its
//   name (without replacing anything); if something else stands there, the older file has
//   been replaced by it and its second name goes.
void Defaire(PrimitivesDeplacement& p, Mise& mise, const QString& cible) {
    int erreur = 0;
    const std::optional<InfoFichier> present = p.faits(cible, erreur);
    if (!present || Identite(*present) != mise.placee) {
        if (mise.ancienne.isEmpty())
            return;
        if (present)
            p.retire(mise.ancienne);
        else if (!p.remet(mise.ancienne, cible, false))
            return;  // the second name is all that is left of the older file: it stays
        mise.ancienne.clear();
        return;
    }
    if (!mise.ancienne.isEmpty()) {
        if (p.remet(mise.ancienne, cible, true))
            mise.ancienne.clear();
    } else if (mise.nouvelle) {
        p.retire(cible);
    }
}

}  // namespace

QString DossierHote(const QString& chemin) {
    const qsizetype i = std::max(chemin.lastIndexOf(u'/'), chemin.lastIndexOf(u'\\'));
    if (i < 0)
        return QStringLiteral(".");
    if (i == 0 || (i == 2 && chemin[1] == u':'))
        return chemin.left(i + 1);  // "/" or "C:/"
    return chemin.left(i);
}

int DeplaceAilleurs(PrimitivesDeplacement& p, const QString& source, const InfoFichier& avant,
                    const QString& cible, Remplacement remplacement) {
    int erreur = 0;
    if (remplacement == Remplacement::Jamais && p.faits(cible, erreur))
        return EEXIST;  // checked again when placing; this only spares a useless copy
    const QString dossier = DossierHote(cible);
    QString tmp;
    Mise mise;
    if (const int code = p.copie(source, avant, dossier, tmp, mise.placee))
        return code;

    int code = p.renommeSansRemplacer(tmp, cible);
    if (code == 0) {
        mise.nouvelle = true;
    } else if (code == EEXIST && remplacement == Remplacement::Atomique) {
        code = p.remplace(tmp, cible, mise.ancienne);
    }
    if (code != 0) {
        p.retire(tmp);
        return code;
    }
    // A replace may give the placed copy the identity of the file it replaced (Windows).
    if (const std::optional<InfoFichier> placee = p.faits(cible, erreur))
        mise.placee = Identite(*placee);

    const auto finit = [&](int resultat) {
        if (!mise.ancienne.isEmpty())
            p.retire(mise.ancienne);
        return resultat;
    };
    code = p.synchroniseDossier(dossier);
    // Once the copy is in place, only a failure of this move's own steps while the source is
    // still the file that was copied undoes it.
    const std::optional<InfoFichier> maintenant = p.faits(source, erreur);
    if (!maintenant)
        return finit(erreur == ENOENT ? 0 : erreur);  // gone meanwhile: the copy stays
    if (Identite(*maintenant) != Identite(avant) || maintenant->taille != avant.taille ||
        maintenant->modificationNs != avant.modificationNs)
        return finit(EBUSY);  // replaced or written to meanwhile: reported, the copy stays
    if (code == 0)
        code = p.supprime(source);
    if (code != 0) {
        Defaire(p, mise, cible);  // the older file's second name stays if it could not go back
        return code;
    }
    return finit(0);
}

}  // namespace tidemark
