// What only the Windows side of the file-system service has: Win32 error codes, paths past
// the 260 characters of the plain form, hidden and system entries.
#ifdef _WIN32
#include "core/FileSystem.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <windows.h>

namespace tidemark {
namespace {

TEST(FileSystemWindows, Win32ErrorsReadInFrench) {
    const struct {
        DWORD win32;
        int code;
        const char16_t* raison;
    } cas[] = {
        {ERROR_ACCESS_DENIED, EACCES, u"accès refusé"},
        {ERROR_ALREADY_EXISTS, EEXIST, u"la cible existe déjà"},
        {ERROR_NOT_SAME_DEVICE, EXDEV,
         u"la source et la cible sont sur deux systèmes de fichiers différents"},
        {ERROR_SHARING_VIOLATION, EBUSY, u"fichier occupé"},
        {ERROR_DISK_FULL, ENOSPC, u"plus de place sur le disque"},
        {ERROR_BAD_NET_NAME, ErreurWindows + ERROR_BAD_NET_NAME,
         u"nom de partage réseau introuvable"},
        {ERROR_NOT_READY, ErreurWindows + ERROR_NOT_READY, u"le lecteur n'est pas prêt"},
        {ERROR_INVALID_EA_NAME, ErreurWindows + ERROR_INVALID_EA_NAME, u"erreur Windows 254"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(CodeWindows(c.win32), c.code) << c.win32;
        EXPECT_EQ(FileSystem::reason(CodeWindows(c.win32)), QStringView(c.raison)) << c.win32;
    }
}

TEST(FileSystemWindows, PathsPastTheShortLimitAreMadeMovedAndListed) {
    test::TempTree t;
    QString dossier = t.chemin();
    while (dossier.size() < 300) {
        dossier += QStringLiteral("/dossier-assez-long-pour-passer-la-limite");
        ASSERT_TRUE(FileSystem().createFolder(dossier).ok()) << dossier.size();
    }
    EXPECT_TRUE(CheminWindows(dossier).starts_with(L"\\\\?\\"));
    EXPECT_FALSE(CheminWindows(t.chemin()).starts_with(L"\\\\?\\"));
    t.fichier(QStringLiteral("été.prt.1"), "données");
    FileSystem fs;
    ASSERT_TRUE(
        fs.move(t.chemin(QStringLiteral("été.prt.1")), dossier + QStringLiteral("/été.prt.1"))
            .ok());
    EXPECT_EQ(fs.info(dossier + QStringLiteral("/été.prt.1"))->taille,
              QByteArray("données").size());
    QStringList noms;
    fs.readFolder(dossier, [&](const char* nom, std::size_t longueur, GenreEntree) {
        noms.append(TexteHote(QByteArrayView(nom, qsizetype(longueur))));
    });
    EXPECT_EQ(noms, QStringList{QStringLiteral("été.prt.1")});
    EXPECT_TRUE(fs.forceRemove(dossier + QStringLiteral("/été.prt.1")).ok());
}

TEST(FileSystemWindows, HiddenAndSystemEntriesAreNotListed) {
    test::TempTree t;
    for (const char* nom : {"vu.prt.1", "cache.prt.1", "systeme.prt.1"}) t.fichier(nom, "x");
    t.dossier(QStringLiteral("dossier cache"));
    const auto marque = [&](const char* nom, DWORD attribut) {
        ASSERT_TRUE(
            SetFileAttributesW(CheminWindows(t.chemin(QLatin1String(nom))).c_str(), attribut));
    };
    marque("cache.prt.1", FILE_ATTRIBUTE_HIDDEN);
    marque("systeme.prt.1", FILE_ATTRIBUTE_SYSTEM);
    marque("dossier cache", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    QStringList noms;
    FileSystem().readFolder(t.chemin(), [&](const char* nom, std::size_t longueur, GenreEntree) {
        noms.append(TexteHote(QByteArrayView(nom, qsizetype(longueur))));
    });
    EXPECT_EQ(noms, QStringList{QStringLiteral("vu.prt.1")});
}

}  // namespace
}  // namespace tidemark
#endif
