#include "tests/support/TempTree.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#endif

namespace tidemark::test {

TempTree::TempTree(const QString& base)
    : dir_(base.isEmpty() ? QDir::tempPath() + QStringLiteral("/tidemark-XXXXXX")
                          : base + QStringLiteral("/tidemark-XXXXXX")) {
    EXPECT_TRUE(dir_.isValid()) << "temporary folder under " << base.toStdString();
}

TempTree::TempTree(std::initializer_list<const char*> fichiers) : TempTree() {
    this->fichiers(fichiers);
}

QString TempTree::chemin(const QString& relatif) const {
    return relatif.isEmpty() ? dir_.path() : dir_.path() + u'/' + relatif;
}

void TempTree::fichier(const QString& relatif, const QByteArray& contenu) {
    const QString complet = chemin(relatif);
    QDir().mkpath(QFileInfo(complet).absolutePath());
    QFile f(complet);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << complet.toStdString();
    f.write(contenu);
}

void TempTree::fichiers(std::initializer_list<const char*> relatifs) {
    for (const char* relatif : relatifs) fichier(QString::fromUtf8(relatif));
}

void TempTree::dossier(const QString& relatif) {
    ASSERT_TRUE(QDir().mkpath(chemin(relatif)));
}

void TempTree::lien(const QString& relatif, const QString& cible) {
    const QString complet = chemin(relatif);
    QDir().mkpath(QFileInfo(complet).absolutePath());
#ifdef _WIN32
    const QString cibleComplete = QDir(QFileInfo(complet).absolutePath()).absoluteFilePath(cible);
    const DWORD genre = QFileInfo(cibleComplete).isDir() ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
    ASSERT_TRUE(::CreateSymbolicLinkW(QDir::toNativeSeparators(complet).toStdWString().c_str(),
                                      QDir::toNativeSeparators(cible).toStdWString().c_str(),
                                      genre | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        << "lien " << complet.toStdString();
#else
    ASSERT_EQ(
        ::symlink(QFile::encodeName(cible).constData(), QFile::encodeName(complet).constData()), 0);
#endif
}

void TempTree::lienDur(const QString& cible, const QString& lien) {
#ifdef _WIN32
    ASSERT_TRUE(::CreateHardLinkW(QDir::toNativeSeparators(chemin(lien)).toStdWString().c_str(),
                                  QDir::toNativeSeparators(chemin(cible)).toStdWString().c_str(),
                                  nullptr))
        << lien.toStdString();
#else
    ASSERT_EQ(::link(QFile::encodeName(chemin(cible)).constData(),
                     QFile::encodeName(chemin(lien)).constData()),
              0)
        << lien.toStdString();
#endif
}

void TempTree::lectureSeule(const QString& relatif) {
    QFile f(chemin(relatif));
    ASSERT_TRUE(
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther))
        << relatif.toStdString();
}

void TempTree::piege(const QString& relatif, Piege piege, qint64 taille) {
    QDir().mkpath(QFileInfo(chemin(relatif)).absolutePath());
    if (piege == Piege::Enorme) {
        ASSERT_TRUE(QFile(chemin(relatif)).open(QIODevice::WriteOnly) &&
                    QFile::resize(chemin(relatif), taille));
        return;
    }
#ifdef _WIN32
    FAIL() << "no named pipe or /dev/zero in a Windows folder: skip the test there";
#else
    if (piege == Piege::Tube)
        ASSERT_EQ(::mkfifo(QFile::encodeName(chemin(relatif)).constData(), 0600), 0);
    else
        lien(relatif, QStringLiteral("/dev/zero"));
#endif
}

void TempTree::date(const QString& relatif, qint64 secondes) {
#ifdef _WIN32
    QFile f(chemin(relatif));
    const QDateTime quand = QDateTime::fromSecsSinceEpoch(secondes);
    ASSERT_TRUE(f.open(QIODevice::Append) &&
                f.setFileTime(quand, QFileDevice::FileModificationTime) &&
                f.setFileTime(quand, QFileDevice::FileAccessTime));
#else
    struct utimbuf temps {};
    temps.actime = static_cast<time_t>(secondes);
    temps.modtime = static_cast<time_t>(secondes);
    ASSERT_EQ(::utime(QFile::encodeName(chemin(relatif)).constData(), &temps), 0);
#endif
}

bool TempTree::existe(const QString& relatif) const {
#ifdef _WIN32
    const QFileInfo info(chemin(relatif));
    return info.exists() || info.isSymLink();
#else
    struct stat s {};
    return ::lstat(QFile::encodeName(chemin(relatif)).constData(), &s) == 0;
#endif
}

QByteArray TempTree::contenu(const QString& relatif) const {
    QFile f(chemin(relatif));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList TempTree::tout() const {
    QStringList liste;
    QDirIterator it(dir_.path(), QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relatif = QDir(dir_.path()).relativeFilePath(it.next());
        // The garage journals are the record of the runs, not files of the tree.
        if (!(relatif.contains(u"_/.tidemark/") && relatif.endsWith(u".txt")))
            liste.append(relatif);
    }
    liste.sort();
    return liste;
}

MontageTmpfs::MontageTmpfs(const QString& dossier) : dossier_(QFile::encodeName(dossier)) {
#ifdef _WIN32
    raison_ = QStringLiteral("Windows has no tmpfs to mount");
#else
    if (::mount("tidemark-test", dossier_.constData(), "tmpfs", 0, "size=64m") != 0)
        raison_ = QStringLiteral("no tmpfs can be mounted here (%1)")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
#endif
}

MontageTmpfs::~MontageTmpfs() {
#ifndef _WIN32
    if (monte())
        ::umount2(dossier_.constData(), MNT_DETACH);
#endif
}

namespace {

// QSettings caches the user folder of the first store made in the process; this replaces it
// for both formats the store may ask for (on Linux the native one is the INI one).
void CheminReglages(const QString& dossier) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dossier);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dossier);
}

// On Windows the native store is the registry, which no path moves: the user's own key is
// kept aside while the test runs on an empty one, and put back afterwards.
QList<std::pair<QString, QVariant>> EchangeRegistre(
    const QList<std::pair<QString, QVariant>>& nouvelles) {
    QList<std::pair<QString, QVariant>> anciennes;
#ifdef _WIN32
    QSettings registre(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tidemark"),
                       QStringLiteral("Tidemark"));
    for (const QString& cle : registre.allKeys()) anciennes.append({cle, registre.value(cle)});
    registre.clear();
    for (const auto& [cle, valeur] : nouvelles) registre.setValue(cle, valeur);
    registre.sync();
#else
    Q_UNUSED(nouvelles);
#endif
    return anciennes;
}

}  // namespace

ConfigTemporaire::ConfigTemporaire()
    : ancienXdg_(qgetenv("XDG_CONFIG_HOME")),
      avaitXdg_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
      ancienChemin_(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(chemin()));
    CheminReglages(chemin());
    registre_ = EchangeRegistre({});
}

ConfigTemporaire::~ConfigTemporaire() {
    if (avaitXdg_)
        qputenv("XDG_CONFIG_HOME", ancienXdg_);
    else
        qunsetenv("XDG_CONFIG_HOME");
    CheminReglages(ancienChemin_);
    EchangeRegistre(registre_);
}

}  // namespace tidemark::test
