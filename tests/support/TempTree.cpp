#include "tests/support/TempTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

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
    ASSERT_EQ(
        ::symlink(QFile::encodeName(cible).constData(), QFile::encodeName(complet).constData()), 0);
}

void TempTree::piege(const QString& relatif, Piege piege, qint64 taille) {
    QDir().mkpath(QFileInfo(chemin(relatif)).absolutePath());
    if (piege == Piege::Tube)
        ASSERT_EQ(::mkfifo(QFile::encodeName(chemin(relatif)).constData(), 0600), 0);
    else if (piege == Piege::LienZero)
        lien(relatif, QStringLiteral("/dev/zero"));
    else
        ASSERT_TRUE(QFile(chemin(relatif)).open(QIODevice::WriteOnly) &&
                    QFile::resize(chemin(relatif), taille));
}

void TempTree::date(const QString& relatif, qint64 secondes) {
    struct utimbuf temps {};
    temps.actime = static_cast<time_t>(secondes);
    temps.modtime = static_cast<time_t>(secondes);
    ASSERT_EQ(::utime(QFile::encodeName(chemin(relatif)).constData(), &temps), 0);
}

bool TempTree::existe(const QString& relatif) const {
    struct stat s {};
    return ::lstat(QFile::encodeName(chemin(relatif)).constData(), &s) == 0;
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
    if (::mount("tidemark-test", dossier_.constData(), "tmpfs", 0, "size=64m") != 0)
        raison_ = QStringLiteral("no tmpfs can be mounted here (%1)")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

MontageTmpfs::~MontageTmpfs() {
    if (monte())
        ::umount2(dossier_.constData(), MNT_DETACH);
}

namespace {

// QSettings caches the user folder of the first store made in the process; this replaces it
// for both formats the store may ask for (on Linux the native one is the INI one).
void CheminReglages(const QString& dossier) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dossier);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dossier);
}

}  // namespace

ConfigTemporaire::ConfigTemporaire()
    : ancienXdg_(qgetenv("XDG_CONFIG_HOME")),
      avaitXdg_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
      ancienChemin_(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(chemin()));
    CheminReglages(chemin());
}

ConfigTemporaire::~ConfigTemporaire() {
    if (avaitXdg_)
        qputenv("XDG_CONFIG_HOME", ancienXdg_);
    else
        qunsetenv("XDG_CONFIG_HOME");
    CheminReglages(ancienChemin_);
}

}  // namespace tidemark::test
