// The path a symbolic link leads to, for the file-system service.
#include "core/FileSystem.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace tidemark {

std::optional<QString> FileSystem::realPath(const QString& chemin, int* erreur) const {
    const QByteArray natif = QFile::encodeName(chemin);
    const std::unique_ptr<char, decltype(&std::free)> reel(::realpath(natif.constData(), nullptr),
                                                           &std::free);
    int code = reel ? 0 : errno;
    QString texte;
    if (reel) {
        // A path whose bytes are not UTF-8 would name another file once turned into text.
        texte = QFile::decodeName(reel.get());
        if (QFile::encodeName(texte) != QByteArrayView(reel.get()))
            code = EILSEQ;
    }
    if (code != 0) {
        if (erreur)
            *erreur = code;
        return std::nullopt;
    }
    return texte;
}

}  // namespace tidemark
