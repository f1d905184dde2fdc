#include "core/LectureFichier.h"

#include "core/FileSystem.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Closes the descriptor when it goes.
struct Descripteur {
    int fd;
    ~Descripteur() {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

LectureFichier LitFichierOrdinaire(const QString& chemin, qint64 limite, Lecture lecture) {
    const QByteArray natif = QFile::encodeName(chemin);
    // What the path leads to is looked at before it is opened: opening a device may act on it.
    struct stat avant {};
    if (::stat(natif.constData(), &avant) != 0)
        return EchecSysteme(errno);
    if (!S_ISREG(avant.st_mode))
        return Echec(IssueLecture::PasOrdinaire, 0, limite);

    // Without O_NONBLOCK, a pipe put in the file's place since would block the open itself
    // until a writer comes; the descriptor's own facts decide what it is.
    Descripteur f{-1};
    do {
        f.fd = ::open(natif.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (f.fd < 0 && errno == EINTR);
    if (f.fd < 0)
        return EchecSysteme(errno);
    struct stat s {};
    if (::fstat(f.fd, &s) != 0)
        return EchecSysteme(errno);
    if (!S_ISREG(s.st_mode))
        return Echec(IssueLecture::PasOrdinaire, 0, limite);
    if (s.st_size > limite)
        return Echec(IssueLecture::TropGrand, 0, limite);

    LectureFichier l;
    l.issue = IssueLecture::Lu;
    if (lecture == Lecture::Controle)
        return l;
    // One byte past the bound tells a file that grew beyond it. A file whose size says
    // nothing (some system files give 0) is read in chunks.
    constexpr qint64 Morceau = 64 * 1024;
    qint64 lus = 0;
    l.octets.resize(std::min<qint64>(limite, s.st_size) + 1);
    for (;;) {
        if (lus == l.octets.size())
            l.octets.resize(std::min<qint64>(limite + 1, lus + Morceau));
        const ssize_t n = ::read(f.fd, l.octets.data() + lus, std::size_t(l.octets.size() - lus));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return EchecSysteme(errno);
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
