#include "core/FileSystem.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tidemark {
namespace {

using test::TempTree;

QByteArray Natif(const QString& chemin) {
    return QFile::encodeName(chemin);
}

// The facts of the entry itself, as the service reads them.
InfoFichier Faits(const QString& chemin) {
    const std::optional<InfoFichier> info = FileSystem().info(chemin);
    EXPECT_TRUE(info) << chemin.toStdString();
    return info.value_or(InfoFichier{});
}

#ifndef _WIN32
struct stat Lstat(const QString& chemin) {
    struct stat s {};
    EXPECT_EQ(::lstat(Natif(chemin).constData(), &s), 0) << chemin.toStdString();
    return s;
}
#endif

// What a move must keep of a file or link, and what a failed move must leave untouched.
struct Etat {
    bool lien = false;
    QByteArray contenu;  // the data of a file, the target text of a link
    int mode = 0;        // on Windows: 0444 for the read-only attribute, else 0644
    qint64 modificationNs = 0;
    bool operator==(const Etat&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Etat& e) {
    return os << (e.lien ? "link -> " : "file ") << e.contenu.left(40).toStdString() << " ("
              << e.contenu.size() << " bytes), mode " << std::oct << e.mode << std::dec
              << ", mtime " << e.modificationNs;
}

Etat Lire(const QString& chemin) {
    Etat e;
#ifdef _WIN32
    const InfoFichier s = Faits(chemin);
    e.lien = s.lien;
    e.mode = FileSystem().isReadOnly(chemin) ? 0444 : 0644;
    e.modificationNs = s.modificationNs;
    if (e.lien) {
        e.contenu = QFileInfo(chemin).symLinkTarget().toUtf8();
    } else {
#else
    const struct stat s = Lstat(chemin);
    e.lien = S_ISLNK(s.st_mode);
    e.mode = s.st_mode & 07777;
    e.modificationNs = qint64(s.st_mtim.tv_sec) * 1'000'000'000 + s.st_mtim.tv_nsec;
    if (e.lien) {
        char tampon[4096];
        const ssize_t n = ::readlink(Natif(chemin).constData(), tampon, sizeof tampon);
        e.contenu = QByteArray(tampon, n > 0 ? n : 0);
    } else {
#endif
        QFile f(chemin);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << chemin.toStdString();
        e.contenu = f.readAll();
    }
    return e;
}

// A source file with a mode and a nanosecond modification time that a careless copy
// would not reproduce (new files get 0644 or 0600 and the current time). Windows keeps
// times in 100 ns steps, and has no mode but the read-only attribute.
void Preparer(TempTree& t, const QString& relatif, const QByteArray& contenu) {
    t.fichier(relatif, contenu);
#ifdef _WIN32
    const HANDLE h = ::CreateFileW(CheminWindows(t.chemin(relatif)).c_str(), FILE_WRITE_ATTRIBUTES,
                                   0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const quint64 pas = 116444736000000000ULL + 16'000'000'000'000'000ULL + 1'234'567ULL;
    const FILETIME temps{DWORD(pas & 0xFFFFFFFFu), DWORD(pas >> 32)};
    EXPECT_TRUE(::SetFileTime(h, nullptr, nullptr, &temps));
    ::CloseHandle(h);
    return;
#endif
#ifndef _WIN32
    const QByteArray chemin = Natif(t.chemin(relatif));
    ASSERT_EQ(::chmod(chemin.constData(), 0640), 0);
    const struct timespec temps[2] = {{1'500'000'000, 0}, {1'600'000'000, 123'456'789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, chemin.constData(), temps, 0), 0);
#endif
}

QByteArray Gros(qsizetype taille) {
    QByteArray donnees(taille, Qt::Uninitialized);
    for (qsizetype i = 0; i < taille; ++i) donnees[i] = char((i * 7 + i / 4093) & 0xff);
    return donnees;
}

FaultPlan AutreSysteme() {
    FaultPlan plan;
    plan.echoue(OperationFs::Renomme, 1, EXDEV);  // as if the target were on another disk
    return plan;
}

const char* Nom(OperationFs op) {
    switch (op) {
        case OperationFs::CreeDossier:
            return "CreeDossier";
        case OperationFs::Supprime:
            return "Supprime";
        case OperationFs::Renomme:
            return "Renomme";
        case OperationFs::Copie:
            return "Copie";
        case OperationFs::Synchronise:
            return "Synchronise";
        case OperationFs::Attributs:
            return "Attributs";
        case OperationFs::LitDossier:
            return "LitDossier";
        case OperationFs::Ecrit:
            return "Ecrit";
        case OperationFs::Verrou:
            return "Verrou";
        case OperationFs::Nombre:
            break;
    }
    return "?";
}

bool SystemesDifferents(const QString& a, const QString& b) {
    return Faits(a).peripherique != Faits(b).peripherique;
}

// ---- Reasons -------------------------------------------------------------------------------

TEST(FileSystemRaison, CommonErrorsReadAsFrenchAndOthersNameTheCode) {
    EXPECT_EQ(FileSystem::reason(EACCES), u"accès refusé");
    EXPECT_EQ(FileSystem::reason(EPERM), u"accès refusé");
    EXPECT_EQ(FileSystem::reason(ENOENT), u"fichier ou dossier introuvable");
    EXPECT_EQ(FileSystem::reason(EEXIST), u"la cible existe déjà");
    EXPECT_EQ(FileSystem::reason(ENOSPC), u"plus de place sur le disque");
    EXPECT_EQ(FileSystem::reason(EROFS), u"système de fichiers en lecture seule");
    EXPECT_EQ(FileSystem::reason(EBUSY), u"fichier occupé");
    EXPECT_EQ(FileSystem::reason(ENAMETOOLONG), u"chemin trop long");
    EXPECT_EQ(FileSystem::reason(EIO), u"erreur d'entrée-sortie");
#ifdef EDQUOT
    EXPECT_EQ(FileSystem::reason(EDQUOT), u"quota dépassé");
#endif
    for (const int code : {EXDEV, ENOTDIR, EISDIR})
        EXPECT_FALSE(FileSystem::reason(code).startsWith(u"erreur système")) << code;
    // An error no file system gives: its number, and no English text.
    EXPECT_EQ(FileSystem::reason(ECHILD), QStringLiteral("erreur système %1").arg(ECHILD));
}

TEST(FileSystemRaison, EveryErrorAFileSystemGivesReadsInFrench) {
    std::vector<int> codes{
        EBADMSG,  EIO,          ENOSPC,     EROFS,   ELOOP,   ENAMETOOLONG, EFBIG,       ETIMEDOUT,
        ENOTCONN, EHOSTUNREACH, ECONNRESET, ENODATA, ENOLCK,  EAGAIN,       EWOULDBLOCK, EINTR,
        EINVAL,   EMLINK,       ENOTEMPTY,  EMFILE,  ENFILE,  ENOMEM,       ETXTBSY,     ENXIO,
        ENODEV,   ECANCELED,    EOVERFLOW,  EILSEQ,  ENOTSUP, EBADF};
#ifndef _WIN32
    // Linux's own codes, unknown on Windows.
    codes.insert(codes.end(), {EDQUOT, ESTALE, EHOSTDOWN, EREMOTEIO, EUCLEAN, ENOKEY, ENOMEDIUM});
#endif
    for (const int code : codes) {
        const QString raison = FileSystem::reason(code);
        EXPECT_FALSE(raison.isEmpty() || raison.startsWith(u"erreur système")) << code;
        EXPECT_FALSE(
            raison.contains(QString::fromLocal8Bit(std::strerror(code)), Qt::CaseInsensitive))
            << raison.toStdString();
    }
}

// ---- createFolder --------------------------------------------------------------------------

TEST(FileSystemCreateFolder, MakesOneLevelAndAcceptsOnlyAnExistingFolder) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    TempTree t;
    FileSystem fs;
    EXPECT_TRUE(fs.createFolder(t.chemin("garage")).ok());
    EXPECT_TRUE(fs.folderExists(t.chemin("garage")));
    EXPECT_TRUE(fs.createFolder(t.chemin("garage")).ok()) << "already a folder";

    const ResultatFs sansParent = fs.createFolder(t.chemin("manque/garage"));
    EXPECT_EQ(sansParent.erreur, ENOENT);
    EXPECT_EQ(sansParent.raison, FileSystem::reason(ENOENT));
    EXPECT_FALSE(t.existe("manque"));

    t.fichier("fichier");
    EXPECT_EQ(fs.createFolder(t.chemin("fichier")).erreur, EEXIST);
    t.lien("versDossier", t.chemin("garage"));
    EXPECT_EQ(fs.createFolder(t.chemin("versDossier")).erreur, EEXIST) << "a link is no folder";

    FaultPlan plan;
    plan.echoue(OperationFs::CreeDossier, 1, EROFS);
    FileSystem enPanne(&plan);
    EXPECT_EQ(enPanne.createFolder(t.chemin("neuf")).erreur, EROFS);
    EXPECT_FALSE(t.existe("neuf"));
}

// ---- remove --------------------------------------------------------------------------------

TEST(FileSystemRemove, ReadOnlyFileIsRefusedUnlessForced) {
    TempTree t;
    t.fichier("lecture.prt.2", "garder");
    t.lectureSeule("lecture.prt.2");
    FileSystem fs;
    ASSERT_TRUE(fs.isReadOnly(t.chemin("lecture.prt.2")));

    const ResultatFs refus = fs.remove(t.chemin("lecture.prt.2"));
    EXPECT_EQ(refus.erreur, EACCES);
    EXPECT_EQ(refus.raison, u"accès refusé");
    EXPECT_EQ(t.contenu("lecture.prt.2"), "garder");

    EXPECT_TRUE(fs.forceRemove(t.chemin("lecture.prt.2")).ok());
    EXPECT_FALSE(t.existe("lecture.prt.2"));
}

TEST(FileSystemRemove, LinkGoesButItsTargetStays) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    TempTree t;
    t.fichier("cible.prt.1", "donnees");
    t.lectureSeule("cible.prt.1");
    t.lien("lien.prt.1", t.chemin("cible.prt.1"));
    t.lien("perdu.prt.1", t.chemin("absent"));
    FileSystem fs;
    EXPECT_TRUE(fs.remove(t.chemin("lien.prt.1")).ok()) << "the link itself is not read-only";
    EXPECT_TRUE(fs.remove(t.chemin("perdu.prt.1")).ok()) << "a dangling link";
    EXPECT_EQ(t.tout(), QStringList{"cible.prt.1"});
    EXPECT_EQ(t.contenu("cible.prt.1"), "donnees");
}

TEST(FileSystemRemove, FailuresAreReportedAndKeepTheFile) {
    TempTree t;
    t.fichier("a.prt.1");
    t.dossier("dossier");
    FaultPlan plan;
    plan.echoue(OperationFs::Supprime, 1, EBUSY);
    FileSystem fs(&plan);
    EXPECT_EQ(fs.remove(t.chemin("a.prt.1")).erreur, EBUSY);
    EXPECT_TRUE(t.existe("a.prt.1"));
    EXPECT_EQ(fs.remove(t.chemin("absent")).erreur, ENOENT);
    EXPECT_EQ(fs.forceRemove(t.chemin("dossier")).erreur, EISDIR);
    EXPECT_TRUE(fs.folderExists(t.chemin("dossier")));
}

// ---- move within one file system -----------------------------------------------------------

TEST(FileSystemMove, SameFileSystemRenamesInPlace) {
    TempTree t;
    Preparer(t, "proj/a.prt.3", "contenu");
    t.dossier("garage");
    const Etat avant = Lire(t.chemin("proj/a.prt.3"));
    const quint64 inode = Faits(t.chemin("proj/a.prt.3")).inode;
    FaultPlan plan;
    FileSystem fs(&plan);
    ASSERT_TRUE(fs.move(t.chemin("proj/a.prt.3"), t.chemin("garage/a.prt.3")).ok());
    EXPECT_EQ(Lire(t.chemin("garage/a.prt.3")), avant);
    EXPECT_EQ(Faits(t.chemin("garage/a.prt.3")).inode, inode) << "renamed, not copied";
    EXPECT_EQ(t.tout(), QStringList{"garage/a.prt.3"});
    EXPECT_EQ(plan.compte(OperationFs::Copie), 0);

    EXPECT_EQ(fs.move(t.chemin("absent"), t.chemin("garage/b")).erreur, ENOENT);
    EXPECT_EQ(fs.move(t.chemin("garage"), t.chemin("proj/garage")).erreur, EISDIR);
    EXPECT_TRUE(fs.folderExists(t.chemin("garage")));
}

// Jamais: an existing target is never replaced, whether renamed or copied across.
TEST(FileSystemMove, JamaisKeepsAnExistingTarget) {
    for (const bool ailleurs : {false, true}) {
        SCOPED_TRACE(ailleurs ? "across file systems" : "same file system");
        TempTree t;
        t.fichier("a.prt.1", "neuf");
        t.fichier("b.prt.1", "ancien");
        FaultPlan plan = ailleurs ? AutreSysteme() : FaultPlan();
        FileSystem fs(&plan);
        const ResultatFs r =
            fs.move(t.chemin("a.prt.1"), t.chemin("b.prt.1"), Remplacement::Jamais);
        EXPECT_EQ(r.erreur, EEXIST);
        EXPECT_EQ(r.raison, u"la cible existe déjà");
        EXPECT_EQ(t.contenu("a.prt.1"), "neuf");
        EXPECT_EQ(t.contenu("b.prt.1"), "ancien");
        EXPECT_EQ(t.tout(), (QStringList{"a.prt.1", "b.prt.1"}));
    }
}

// File systems without RENAME_NOREPLACE: link + unlink, then check-and-rename.
TEST(FileSystemMove, JamaisWithoutNoReplaceStillRefusesAnExistingTarget) {
    TIDEMARK_SAUF_WINDOWS("MoveFileExW never replaces unless asked: no fallback to test");
#ifndef _WIN32
    struct Cas {
        const char* nom;
        std::vector<int> pannes;  // the errors of the first rename steps
    };
    const Cas cas[] = {{"by hard link", {EINVAL}}, {"by check and rename", {ENOSYS, EPERM}}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        auto sansNoReplace = [&] {
            FaultPlan plan;
            int k = 0;
            for (const int code : c.pannes) plan.echoue(OperationFs::Renomme, ++k, code);
            return plan;
        };
        TempTree t;
        t.fichier("a.prt.1", "neuf");
        t.fichier("b.prt.1", "ancien");
        FaultPlan plan = sansNoReplace();
        FileSystem fs(&plan);
        EXPECT_EQ(fs.move(t.chemin("a.prt.1"), t.chemin("b.prt.1")).erreur, EEXIST);
        EXPECT_EQ(t.contenu("b.prt.1"), "ancien");

        FaultPlan plan2 = sansNoReplace();
        FileSystem fs2(&plan2);
        ASSERT_TRUE(fs2.move(t.chemin("a.prt.1"), t.chemin("c.prt.1")).ok());
        EXPECT_EQ(t.tout(), (QStringList{"b.prt.1", "c.prt.1"}));
        EXPECT_EQ(t.contenu("c.prt.1"), "neuf");
        EXPECT_EQ(Lstat(t.chemin("c.prt.1")).st_nlink, 1u) << "no second name left";

        // A link is linked as itself, not as the file it points to.
        t.lien("l.prt.1", QStringLiteral("c.prt.1"));
        FaultPlan plan3 = sansNoReplace();
        FileSystem fs3(&plan3);
        ASSERT_TRUE(fs3.move(t.chemin("l.prt.1"), t.chemin("m.prt.1")).ok());
        const Etat lien = Lire(t.chemin("m.prt.1"));
        EXPECT_TRUE(lien.lien);
        EXPECT_EQ(lien.contenu, "c.prt.1");
        EXPECT_EQ(t.tout(), (QStringList{"b.prt.1", "c.prt.1", "m.prt.1"}));
    }
#endif
}

// Each case runs twice: the move reading the source itself, and the move given what the
// caller has just read of it (as the garage does after its re-check).
TEST(FileSystemMove, AtomiqueReplacesAndAFailedReplacementKeepsBoth) {
    for (const bool lue : {false, true}) {
        for (const bool ailleurs : {false, true}) {
            SCOPED_TRACE(ailleurs ? "across file systems" : "same file system");
            SCOPED_TRACE(lue ? "source read by the caller" : "source read by the move");
            TempTree t;
            Preparer(t, "a.prt.1", "neuf");
            t.fichier("b.prt.1", "ancien");
            const Etat neuf = Lire(t.chemin("a.prt.1"));
            FaultPlan plan = ailleurs ? AutreSysteme() : FaultPlan();
            FileSystem fs(&plan);
            const std::optional<InfoFichier> info = fs.info(t.chemin("a.prt.1"));
            ASSERT_TRUE(fs.move(t.chemin("a.prt.1"), t.chemin("b.prt.1"), Remplacement::Atomique,
                                lue ? &*info : nullptr)
                            .ok());
            EXPECT_EQ(Lire(t.chemin("b.prt.1")), neuf);
            EXPECT_EQ(t.tout(), QStringList{"b.prt.1"}) << "no temporary or second name left";
        }
        TempTree t;
        t.fichier("a.prt.1", "neuf");
        t.fichier("b.prt.1", "ancien");
        FaultPlan plan;
        plan.echoue(OperationFs::Renomme, 1, EIO);
        FileSystem fs(&plan);
        const std::optional<InfoFichier> info = fs.info(t.chemin("a.prt.1"));
        EXPECT_EQ(fs.move(t.chemin("a.prt.1"), t.chemin("b.prt.1"), Remplacement::Atomique,
                          lue ? &*info : nullptr)
                      .erreur,
                  EIO);
        EXPECT_EQ(t.contenu("a.prt.1"), "neuf");
        EXPECT_EQ(t.contenu("b.prt.1"), "ancien");
    }
}

// rename(2) between two hard links of one file succeeds without doing anything.
TEST(FileSystemMove, AtomiqueOntoAHardLinkOfTheSourceRemovesTheSourceName) {
    for (const bool lue : {false, true}) {
        TempTree t;
        t.fichier("a.prt.1", "meme");
#ifdef _WIN32
        ASSERT_TRUE(::CreateHardLinkW(CheminWindows(t.chemin("b.prt.1")).c_str(),
                                      CheminWindows(t.chemin("a.prt.1")).c_str(), nullptr));
#else
        ASSERT_EQ(
            ::link(Natif(t.chemin("a.prt.1")).constData(), Natif(t.chemin("b.prt.1")).constData()),
            0);
#endif
        FileSystem fs;
        const std::optional<InfoFichier> info = fs.info(t.chemin("a.prt.1"));
        ASSERT_TRUE(fs.move(t.chemin("a.prt.1"), t.chemin("b.prt.1"), Remplacement::Atomique,
                            lue ? &*info : nullptr)
                        .ok());
        EXPECT_EQ(t.tout(), QStringList{"b.prt.1"}) << lue;
        EXPECT_EQ(t.contenu("b.prt.1"), "meme");
    }
}

// ---- symbolic links ------------------------------------------------------------------------

TEST(FileSystemMove, LinkMovesAsALinkAndItsTargetIsUntouched) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    for (const bool ailleurs : {false, true}) {
        SCOPED_TRACE(ailleurs ? "across file systems" : "same file system");
        TempTree t;
        t.fichier("modele.prt.4", "modele");
        t.lien("proj/lien.prt.4", QStringLiteral("../modele.prt.4"));  // relative, kept as written
        t.dossier("garage");
        const Etat avant = Lire(t.chemin("proj/lien.prt.4"));
        FaultPlan plan = ailleurs ? AutreSysteme() : FaultPlan();
        FileSystem fs(&plan);
        ASSERT_TRUE(fs.move(t.chemin("proj/lien.prt.4"), t.chemin("garage/lien.prt.4")).ok());
        EXPECT_EQ(Lire(t.chemin("garage/lien.prt.4")), avant);
        EXPECT_EQ(t.tout(), (QStringList{"garage/lien.prt.4", "modele.prt.4"}));
        EXPECT_EQ(t.contenu("modele.prt.4"), "modele");
    }
}

// ---- across file systems -------------------------------------------------------------------

TEST(FileSystemCrossFs, RealSecondFileSystemKeepsDataModeAndTimes) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    TempTree ici;
    if (!QFile::exists(QStringLiteral("/dev/shm")))
        GTEST_SKIP() << "no /dev/shm on this machine";
    TempTree ailleurs(QStringLiteral("/dev/shm"));
    if (!SystemesDifferents(ici.chemin(), ailleurs.chemin()))
        GTEST_SKIP() << "/dev/shm and the temporary folder are on the same file system";
    Preparer(ailleurs, "proj/gros.prt.7", Gros((5 << 19) + 17));  // 2.5 MiB: several chunks
    ailleurs.lien("proj/lien.prt.7", QStringLiteral("gros.prt.7"));
    ici.dossier("garage");
    const Etat fichier = Lire(ailleurs.chemin("proj/gros.prt.7"));
    const Etat lien = Lire(ailleurs.chemin("proj/lien.prt.7"));

    FileSystem fs;
    ASSERT_TRUE(fs.move(ailleurs.chemin("proj/gros.prt.7"), ici.chemin("garage/gros.prt.7")).ok());
    ASSERT_TRUE(fs.move(ailleurs.chemin("proj/lien.prt.7"), ici.chemin("garage/lien.prt.7")).ok());
    EXPECT_EQ(Lire(ici.chemin("garage/gros.prt.7")), fichier);
    EXPECT_EQ(Lire(ici.chemin("garage/lien.prt.7")), lien);
    EXPECT_EQ(ici.tout(), (QStringList{"garage/gros.prt.7", "garage/lien.prt.7"}));
    EXPECT_TRUE(ailleurs.tout().isEmpty());
}

TEST(FileSystemCrossFs, ForcedOnOneFileSystemCopiesInChunks) {
    TempTree t;
    Preparer(t, "proj/gros.prt.7", Gros((5 << 19) + 17));
    t.dossier("garage");
    const Etat avant = Lire(t.chemin("proj/gros.prt.7"));
    FaultPlan plan = AutreSysteme();
    FileSystem fs(&plan);
    ASSERT_TRUE(fs.move(t.chemin("proj/gros.prt.7"), t.chemin("garage/gros.prt.7")).ok());
    EXPECT_EQ(Lire(t.chemin("garage/gros.prt.7")), avant);
    EXPECT_EQ(t.tout(), QStringList{"garage/gros.prt.7"});
    EXPECT_EQ(plan.compte(OperationFs::Copie), 3) << "one per MiB chunk";
    EXPECT_EQ(plan.compte(OperationFs::Synchronise), 2) << "the file, then its folder";
}

// A move across file systems made to fail at every counted step in turn: the source stays
// whole, the target as it was, and no temporary file remains.
TEST(FileSystemCrossFs, FailureAtAnyStepLeavesSourceAndTargetWhole) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    struct Scenario {
        const char* nom;
        Remplacement remplacement;
        bool ancienne;  // an older file is already at the target
        bool lien;      // the source is a symbolic link
    };
    const Scenario scenarios[] = {
        {"Jamais, new target", Remplacement::Jamais, false, false},
        {"Atomique, new target", Remplacement::Atomique, false, false},
        {"Atomique over an older file", Remplacement::Atomique, true, false},
        {"link, Jamais", Remplacement::Jamais, false, true},
        {"link, Atomique over an older file", Remplacement::Atomique, true, true},
    };
    const std::pair<OperationFs, int> pannes[] = {
        {OperationFs::Renomme, EIO},     {OperationFs::Copie, ENOSPC},
        {OperationFs::Synchronise, EIO}, {OperationFs::Attributs, EPERM},
        {OperationFs::Supprime, EACCES},
    };
    for (const Scenario& s : scenarios) {
        auto preparer = [&](TempTree& t) {
            if (s.lien)
                t.lien("proj/a.prt.2", QStringLiteral("/nulle/part"));
            else
                Preparer(t, "proj/a.prt.2", Gros((3 << 19) + 5));  // two chunks
            if (s.ancienne)
                t.fichier("garage/a.prt.2", "ancien");
            else
                t.dossier("garage");
        };
        // A successful run counts the steps to make fail.
        FaultPlan reference = AutreSysteme();
        {
            TempTree t;
            preparer(t);
            FileSystem fs(&reference);
            ASSERT_TRUE(
                fs.move(t.chemin("proj/a.prt.2"), t.chemin("garage/a.prt.2"), s.remplacement).ok())
                << s.nom;
        }
        EXPECT_GE(reference.compte(OperationFs::Renomme), 2) << s.nom;
        for (const OperationFs op : {OperationFs::Copie, OperationFs::Synchronise,
                                     OperationFs::Attributs, OperationFs::Supprime})
            EXPECT_GE(reference.compte(op), 1) << s.nom << ", " << Nom(op);

        for (const auto& [op, code] : pannes) {
            for (int k = op == OperationFs::Renomme ? 2 : 1; k <= reference.compte(op); ++k) {
                SCOPED_TRACE(testing::Message() << s.nom << ", " << Nom(op) << " #" << k);
                TempTree t;
                preparer(t);
                const Etat source = Lire(t.chemin("proj/a.prt.2"));
                const QStringList toutAvant = t.tout();
                FaultPlan plan = AutreSysteme();
                plan.echoue(op, k, code);
                FileSystem fs(&plan);
                const ResultatFs r =
                    fs.move(t.chemin("proj/a.prt.2"), t.chemin("garage/a.prt.2"), s.remplacement);
                EXPECT_EQ(r.erreur, code);
                EXPECT_EQ(r.raison, FileSystem::reason(code));
                EXPECT_EQ(Lire(t.chemin("proj/a.prt.2")), source);
                EXPECT_EQ(t.tout(), toutAvant) << "a temporary file or the copy was left";
                if (s.ancienne) {
                    EXPECT_EQ(t.contenu("garage/a.prt.2"), "ancien");
                }
            }
        }
    }
}

// Another hand at work during a move across file systems. Its copy, put at the target before
// this move fails, survives the undo; a source removed once this move's copy is in place
// leaves that copy, now the only one, where it is; and the leftovers of a killed move are
// found and removed later.
TEST(FileSystemCrossFs, UndoTouchesOnlyItsOwnCopyAndASourceGoneKeepsTheCopy) {
    for (const bool sourcePartie : {false, true}) {
        SCOPED_TRACE(sourcePartie ? "source removed after placing" : "copy replaced, undo");
        TempTree t;
        Preparer(t, "proj/a.prt.2", "neuf");
        t.fichier("garage/a.prt.2", "ancien");
        t.fichier("autre", "celle d'un autre");
        FaultPlan plan = AutreSysteme();
        if (!sourcePartie)
            plan.echoue(OperationFs::Supprime, 1, EACCES);
        plan.avantEtape = [&](OperationFs op, int rang) {
            if (!sourcePartie && op == OperationFs::Supprime) {
#ifdef _WIN32
                ASSERT_TRUE(::MoveFileExW(CheminWindows(t.chemin("autre")).c_str(),
                                          CheminWindows(t.chemin("garage/a.prt.2")).c_str(),
                                          MOVEFILE_REPLACE_EXISTING));
#else
                ASSERT_EQ(::rename(Natif(t.chemin("autre")).constData(),
                                   Natif(t.chemin("garage/a.prt.2")).constData()),
                          0);
#endif
            }
            if (sourcePartie && op == OperationFs::Synchronise && rang == 2) {
                ASSERT_EQ(::unlink(Natif(t.chemin("proj/a.prt.2")).constData()), 0);
            }
        };
        FileSystem fs(&plan);
        const ResultatFs r =
            fs.move(t.chemin("proj/a.prt.2"), t.chemin("garage/a.prt.2"), Remplacement::Atomique);
        EXPECT_EQ(r.erreur, sourcePartie ? 0 : EACCES);
        EXPECT_EQ(t.contenu("garage/a.prt.2"), sourcePartie ? "neuf" : "celle d'un autre");
        EXPECT_EQ(t.tout(), sourcePartie ? QStringList({"autre", "garage/a.prt.2"})
                                         : QStringList({"garage/a.prt.2", "proj/a.prt.2"}));
    }

    TempTree t;
    t.fichiers({"g/.tidemark-aB3xY9", "g/p/.tidemark-000000", "g/p/.tidemark-court", "g/p/a.prt.1",
                "g/.cache/.tidemark-zzzzzz"});
    FileSystem fs;
    EXPECT_EQ(fs.removeLeftoverTemporaries(t.chemin("g")), 2);
    EXPECT_EQ(t.tout(),
              (QStringList{"g/.cache/.tidemark-zzzzzz", "g/p/.tidemark-court", "g/p/a.prt.1"}));
}

}  // namespace
}  // namespace tidemark
