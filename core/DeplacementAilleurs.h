#pragma once

// The move of a file to another file system (another volume on Windows), written once for
// every system over the few primitives each system's side of the file-system service gives:
// copy beside the target, put in place without replacing or by an atomic replace, flush the
// folder, delete the source, and undo. For the file-system service's own use.
#include "core/FileSystem.h"

#include <optional>

namespace tidemark {

// What one system gives the move across file systems. Paths are host paths. The steps a
// fault plan counts (copy, rename, replace, flush, delete) are counted by these primitives;
// the clean-ups and the undo (`retire`, `remet`) are never counted, so a plan cannot make an
// undo fail.
class PrimitivesDeplacement {
public:
    virtual ~PrimitivesDeplacement() = default;
    // Copies the source (a regular file, or a link re-created as a link) to a new hidden
    // temporary name in `dossier`, with its mode or attributes and its times, flushed. The
    // source must still be what `avant` says (else EBUSY) and must not change while it is
    // copied (EBUSY). 0 with `tmp` (its path) and `copie` (its identity), or the errno, with
    // no temporary left behind.
    virtual int copie(const QString& source, const InfoFichier& avant, const QString& dossier,
                      QString& tmp, IdentiteFichier& copie) = 0;
    // Renames, never replacing: EEXIST when something is at `vers`.
    virtual int renommeSansRemplacer(const QString& de, const QString& vers) = 0;
    // Replaces the entry at `vers` with `de` in one step. `ancienne` receives a second name
    // of the replaced file when the system can keep one (empty otherwise).
    virtual int remplace(const QString& de, const QString& vers, QString& ancienne) = 0;
    // Writes the folder's entries to disk.
    virtual int synchroniseDossier(const QString& dossier) = 0;
    // The facts of the entry itself (a link as itself); nothing when it cannot be read, with
    // the errno in `erreur` (ENOENT: it is not there).
    virtual std::optional<InfoFichier> faits(const QString& chemin, int& erreur) = 0;
    // Deletes the source once its copy is in place.
    virtual int supprime(const QString& chemin) = 0;
    // Removes an entry of this move's own (a temporary, a second name, an undone copy).
    virtual void retire(const QString& chemin) = 0;
    // Renames back for an undo, replacing what is at `vers` only when `remplacer`.
    virtual bool remet(const QString& de, const QString& vers, bool remplacer) = 0;
};

// The folder of a host path (C:/x -> C:/, /x -> /).
QString DossierHote(const QString& chemin);

// Moves `source`, whose facts were read as `avant`, to `cible` on another file system: a copy
// is made beside the target, put in place (replacing an older file in one step with
// Atomique, never with Jamais), the folder flushed, and only then is the source deleted. Any
// failure leaves the source whole and the target as it was; an older file replaced is kept
// under its second name until the source is gone, and kept for good when an undo cannot put
// it back. A source gone or changed once the copy is in place is no reason to remove the
// copy: it may now be the only one of that content (EBUSY for a changed one). The errno, or 0.
int DeplaceAilleurs(PrimitivesDeplacement& p, const QString& source, const InfoFichier& avant,
                    const QString& cible, Remplacement remplacement);

}  // namespace tidemark
