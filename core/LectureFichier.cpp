#include "core/LectureFichier.h"

#include "core/FileSystem.h"

#include <algorithm>
#include <cerrno>

namespace tidemark {

namespace {

LectureFichier Echec(IssueLecture issue, int erreur, qint64 limite) {
    LectureFichier l;
    l.issue = issue;
    l.erreur = erreur;
    switch (issue) {
        case IssueLecture::PasOrdinaire:
            l.raison = QStringLiteral("n'est pas un fichier ordinaire");
            break;
        case IssueLecture::TropGrand:
            l.raison = limite % Mo == 0 ? QStringLiteral("dépasse %1 Mo").arg(limite / Mo)
                                        : QStringLiteral("dépasse %1 octets").arg(limite);
            break;
        default:
            l.raison = FileSystem::reason(erreur);
            break;
    }
    return l;
}

LectureFichier EchecSysteme(int erreur) {
    return Echec(erreur == ENOENT ? IssueLecture::Absent : IssueLecture::Erreur, erreur, 0);
}

}  // namespace

LectureFichier LitFichierOrdinaire(const QString& chemin, qint64 limite, Lecture lecture) {
    // What the path leads to is looked at before it is opened: opening a device may act on it.
    InfoFichier avant;
    bool ordinaire = false;
    if (const int code = FichierLecture::faitsDe(chemin, avant, ordinaire))
        return EchecSysteme(code);
    if (!ordinaire)
        return Echec(IssueLecture::PasOrdinaire, 0, limite);

    // A pipe put in the file's place since does not block the open; the open file's own
    // facts decide what it is.
    FichierLecture f;
    if (const int code = f.ouvre(chemin))
        return EchecSysteme(code);
    InfoFichier s;
    if (const int code = f.faits(s, ordinaire))
        return EchecSysteme(code);
    if (!ordinaire)
        return Echec(IssueLecture::PasOrdinaire, 0, limite);
    if (s.taille > limite)
        return Echec(IssueLecture::TropGrand, 0, limite);

    LectureFichier l;
    l.issue = IssueLecture::Lu;
    if (lecture == Lecture::Controle)
        return l;
    // One byte past the bound tells a file that grew beyond it. A file whose size says
    // nothing (some system files give 0) is read in chunks.
    constexpr qint64 Morceau = 64 * 1024;
    qint64 lus = 0;
    l.octets.resize(std::min<qint64>(limite, s.taille) + 1);
    for (;;) {
        if (lus == l.octets.size())
            l.octets.resize(std::min<qint64>(limite + 1, lus + Morceau));
        int erreur = 0;
        const qint64 n = f.lit(lus, l.octets.data() + lus, l.octets.size() - lus, erreur);
        if (n < 0)
            return EchecSysteme(erreur);
        if (n == 0)
            break;
        lus += n;
        if (lus > limite)
            return Echec(IssueLecture::TropGrand, 0, limite);
    }
    l.octets.truncate(lus);
    return l;
}

QString PhraseRefus(const LectureFichier& lecture, const QString& nom) {
    // "n'est pas un fichier ordinaire" and "dépasse 16 Mo" follow the name as a verb does;
    // a system reason is a phrase of its own.
    const bool verbe =
        lecture.issue == IssueLecture::PasOrdinaire || lecture.issue == IssueLecture::TropGrand;
    return QStringLiteral("« ") + nom + (verbe ? QStringLiteral(" » ") : QStringLiteral(" » : ")) +
           lecture.raison;
}

}  // namespace tidemark
