#include "core/FileSystem.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace tidemark {

namespace {

QByteArray Natif(const QString& chemin) { return QFile::encodeName(chemin); }

}  // namespace

// ---- FaultPlan ------------------------------------------------------------------------

void FaultPlan::echoue(OperationFs operation, int k, int codeErreur) {
    pannes_.push_back({operation, k, codeErreur});
}

int FaultPlan::suivante(OperationFs operation) {
    const int rang = ++comptes_[static_cast<int>(operation)];
    for (const Panne& panne : pannes_) {
        if (panne.operation == operation && panne.rang == rang)
            return panne.code;
    }
    return 0;
}

int FaultPlan::compte(OperationFs operation) const {
    return comptes_[static_cast<int>(operation)];
}

// ---- FileSystem: queries --------------------------------------------------------------

FileSystem::FileSystem(FaultPlan* plan) : plan_(plan) {}

bool FileSystem::folderExists(const QString& chemin) const {
    struct stat s {};
    return ::lstat(Natif(chemin).constData(), &s) == 0 && S_ISDIR(s.st_mode);
}

bool FileSystem::fileExists(const QString& chemin) const {
    struct stat s {};
    return ::lstat(Natif(chemin).constData(), &s) == 0 && !S_ISDIR(s.st_mode);
}

std::optional<InfoFichier> FileSystem::info(const QString& chemin) const {
    struct stat s {};
    if (::lstat(Natif(chemin).constData(), &s) != 0)
        return std::nullopt;
    InfoFichier info;
    info.taille = s.st_size;
    info.modificationNs = qint64(s.st_mtim.tv_sec) * 1'000'000'000 + s.st_mtim.tv_nsec;
    info.lien = S_ISLNK(s.st_mode);
    return info;
}

bool FileSystem::isReadOnly(const QString& chemin) const {
    struct stat s {};
    return ::lstat(Natif(chemin).constData(), &s) == 0 && !S_ISLNK(s.st_mode) &&
           (s.st_mode & S_IWUSR) == 0;
}

}  // namespace tidemark
