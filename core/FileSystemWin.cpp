// The file-system service on Windows: wide-character Win32 calls, with the promises of the
// Linux side. A file's identity is its volume serial number and file index; a move never
// replaces unless asked; read-only is the read-only attribute.
#include "core/DeplacementAilleurs.h"
#include "core/FileSystem.h"
#include "core/FileSystemCommun.h"

#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#include <windows.h>

namespace tidemark {

// ---- Paths and errors -----------------------------------------------------------------

std::wstring CheminWindows(const QString& chemin) {
    QString natif = chemin;
    natif.replace(u'/', u'\\');
    // Doubled separators (a root "C:/" joined with "/_") are one, except the two that open a
    // network path (\\serveur\partage).
    for (qsizetype i = natif.size() - 1; i > 1; --i) {
        if (natif[i] == u'\\' && natif[i - 1] == u'\\')
            natif.remove(i, 1);
    }
    // Past MAX_PATH, less the room a folder keeps for its 8.3 names, only the \\?\ form is
    // taken; it reaches 32,767 characters but takes no "." or "..": the path is cleaned first.
    if (natif.size() >= MAX_PATH - 12 && !natif.startsWith(u"\\\\?\\")) {
        if (natif.startsWith(u"\\\\"))
            natif = QStringLiteral("\\\\?\\UNC\\") + natif.sliced(2);
        else if (natif.size() >= 3 && natif[1] == u':' && natif[2] == u'\\')
            natif = QStringLiteral("\\\\?\\") + natif;
    }
    return natif.toStdWString();
}

int CodeWindows(unsigned long erreur) {
    switch (erreur) {
        case ERROR_SUCCESS:
            return 0;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_CANNOT_MAKE:
            return EACCES;
        case ERROR_PRIVILEGE_NOT_HELD:
            return EPERM;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_DELETE_PENDING:
        case ERROR_BUSY:
            return EBUSY;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return ENAMETOOLONG;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
            return EOPNOTSUPP;
        case ERROR_CRC:
        case ERROR_FILE_CORRUPT:
        case ERROR_DISK_CORRUPT:
            return EBADMSG;
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE:
            return EIO;
        case ERROR_SEM_TIMEOUT:
            return ETIMEDOUT;
        case ERROR_OPERATION_ABORTED:
            return ECANCELED;
        case ERROR_CANT_RESOLVE_FILENAME:
            return ELOOP;
        case ERROR_NOT_LOCKED:
        case ERROR_LOCK_FAILED:
            return ENOLCK;
        default:
            return ErreurWindows + int(erreur);
    }
}

QByteArray OctetsHote(const QString& chemin) {
    return chemin.toUtf8();
}

QString TexteHote(QByteArrayView octets) {
    return QString::fromUtf8(octets);
}

namespace {

int Derniere() {
    return CodeWindows(::GetLastError());
}

// Runs one counted step: the error the fault plan chooses for it, else the call's own
// (0 when the call succeeded). `appel` returns true on success, like a Win32 call.
template <typename Appel>
int Etape(FaultPlan* plan, OperationFs operation, Appel&& appel) {
    if (const int code = PanneChoisie(plan, operation))
        return code;
    return std::forward<Appel>(appel)() ? 0 : Derniere();
}

// An open handle, closed when it goes.
struct Poignee {
    HANDLE h = INVALID_HANDLE_VALUE;
    Poignee() = default;
    explicit Poignee(HANDLE p) : h(p) {}
    Poignee(const Poignee&) = delete;
    Poignee& operator=(const Poignee&) = delete;
    ~Poignee() { ferme(); }
    bool ouverte() const { return h != INVALID_HANDLE_VALUE; }
    void ferme() {
        if (ouverte())
            ::CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
};

// Opens what the path names, to read its facts: the link itself unless `suivre`.
HANDLE OuvreFaits(const std::wstring& chemin, bool suivre) {
    return ::CreateFileW(
        chemin.c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (suivre ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

qint64 NsDepuisEpoque(const FILETIME& t) {
    // 100 ns steps since 1601-01-01; the Unix epoch is 11,644,473,600 s later.
    const qint64 pas = (qint64(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return (pas - 116444736000000000LL) * 100;
}

InfoFichier Faits(const BY_HANDLE_FILE_INFORMATION& f) {
    InfoFichier info;
    info.taille = (qint64(f.nFileSizeHigh) << 32) | f.nFileSizeLow;
    info.modificationNs = NsDepuisEpoque(f.ftLastWriteTime);
    info.lien = (f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    info.peripherique = f.dwVolumeSerialNumber;
    info.inode = (quint64(f.nFileIndexHigh) << 32) | f.nFileIndexLow;
    return info;
}

// The facts of the path's entry (the link itself unless `suivre`): the error, or 0.
int LitFaits(const QString& chemin, bool suivre, BY_HANDLE_FILE_INFORMATION& f) {
    Poignee p(OuvreFaits(CheminWindows(chemin), suivre));
    if (!p.ouverte())
        return Derniere();
    return ::GetFileInformationByHandle(p.h, &f) ? 0 : Derniere();
}

DWORD Attributs(const std::wstring& chemin) {
    return ::GetFileAttributesW(chemin.c_str());
}

bool EstDossier(DWORD a) {
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
           !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Deletes a file or a link, clearing its read-only attribute first (put back on failure).
bool SupprimeFichier(const std::wstring& chemin) {
    const DWORD a = Attributs(chemin);
    const bool lectureSeule = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
    if (lectureSeule)
        ::SetFileAttributesW(chemin.c_str(), a & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (::DeleteFileW(chemin.c_str()))
        return true;
    const DWORD erreur = ::GetLastError();
    if (lectureSeule)
        ::SetFileAttributesW(chemin.c_str(), a);
    ::SetLastError(erreur);
    return false;
}

// The prefix of the hidden temporary names a move creates beside its target.
constexpr char16_t PrefixeTemporaire[] = u".tidemark-";
constexpr qsizetype LongueurSuffixeTemporaire = 6;

// A temporary copy beside the target: removed when it goes unless it was put in place.
struct Temporaire {
    QString chemin;
    Poignee fichier;
    ~Temporaire() {
        fichier.ferme();
        if (!chemin.isEmpty())
            SupprimeFichier(CheminWindows(chemin));
    }
};

// Creates the temporary file under a fresh hidden name in `dossier` (.tidemark-XXXXXX).
int CreeTemporaire(const QString& dossier, Temporaire& tmp) {
    static constexpr char alphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int essai = 0; essai < 100; ++essai) {
        QString candidat = dossier + u'/' + QStringView(PrefixeTemporaire).toString();
        for (qsizetype i = 0; i < LongueurSuffixeTemporaire; ++i)
            candidat +=
                QChar(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet) - 1)]);
        const HANDLE h = ::CreateFileW(CheminWindows(candidat).c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            tmp.fichier.h = h;
            tmp.chemin = candidat;
            return 0;
        }
        const int code = Derniere();
        if (code != EEXIST)
            return code;
    }
    return EEXIST;
}

constexpr DWORD TailleMorceau = 1 << 20;

// Copies the content in chunks; the fault plan counts one Copie per chunk read (one for an
// empty file).
int CopierContenu(FaultPlan* plan, HANDLE source, HANDLE cible) {
    const auto tampon = std::make_unique<char[]>(TailleMorceau);
    for (bool premier = true;; premier = false) {
        DWORD lus = 0;
        if (!::ReadFile(source, tampon.get(), TailleMorceau, &lus, nullptr))
            return Derniere();
        if (lus == 0 && !premier)
            return 0;
        if (const int code = PanneChoisie(plan, OperationFs::Copie))
            return code;
        if (lus == 0)
            return 0;
        for (DWORD ecrits = 0; ecrits < lus;) {
            DWORD n = 0;
            if (!::WriteFile(cible, tampon.get() + ecrits, lus - ecrits, &n, nullptr))
                return Derniere();
            if (n == 0)
                return EIO;
            ecrits += n;
        }
    }
}

// Makes the temporary copy of a file in `dossier` with the source's content, times and
// read-only attribute, flushed to disk.
int CopierFichier(FaultPlan* plan, const QString& source, const BY_HANDLE_FILE_INFORMATION& avant,
                  const QString& dossier, Temporaire& tmp) {
    Poignee src(::CreateFileW(CheminWindows(source).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!src.ouverte())
        return Derniere();
    BY_HANDLE_FILE_INFORMATION debut{};
    if (!::GetFileInformationByHandle(src.h, &debut))
        return Derniere();
    if (!(Faits(debut) == Faits(avant)))
        return EBUSY;  // replaced or written to between the look and the open
    if (int code = CreeTemporaire(dossier, tmp))
        return code;
    if (const int code = CopierContenu(plan, src.h, tmp.fichier.h))
        return code;
    int code = Etape(plan, OperationFs::Attributs, [&] {
        return ::SetFileTime(tmp.fichier.h, &debut.ftCreationTime, &debut.ftLastAccessTime,
                             &debut.ftLastWriteTime);
    });
    if (code != 0)
        return code;
    if ((code = Etape(plan, OperationFs::Synchronise,
                      [&] { return ::FlushFileBuffers(tmp.fichier.h); })))
        return code;
    tmp.fichier.ferme();
    const DWORD garde = debut.dwFileAttributes &
                        (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    if ((code = Etape(plan, OperationFs::Attributs, [&] {
             return ::SetFileAttributesW(CheminWindows(tmp.chemin).c_str(),
                                         garde ? garde : FILE_ATTRIBUTE_NORMAL);
         })))
        return code;
    // Written to while being copied: deleting it would lose what was added.
    BY_HANDLE_FILE_INFORMATION fin{};
    if (!::GetFileInformationByHandle(src.h, &fin))
        return Derniere();
    if (!(Faits(fin) == Faits(debut)))
        return EBUSY;
    return 0;
}

// The steps of a move to another volume, on Windows (see DeplacementAilleurs.h).
class PrimitivesWin : public PrimitivesDeplacement {
public:
    explicit PrimitivesWin(FaultPlan* plan) : plan_(plan) {}

    int copie(const QString& source, const InfoFichier& avant, const QString& dossier, QString& tmp,
              IdentiteFichier& copie) override {
        BY_HANDLE_FILE_INFORMATION lu{};
        if (const int code = LitFaits(source, false, lu))
            return code;
        if (!(Faits(lu) == avant))
            return EBUSY;  // replaced or written to since it was read
        if (lu.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return EOPNOTSUPP;  // a link is not re-created on another volume
        Temporaire t;
        if (const int code = CopierFichier(plan_, source, lu, dossier, t))
            return code;
        BY_HANDLE_FILE_INFORMATION faite{};
        if (const int code = LitFaits(t.chemin, false, faite))
            return code;
        const InfoFichier f = Faits(faite);
        copie = {f.peripherique, f.inode};
        tmp = std::exchange(t.chemin, QString());
        return 0;
    }

    int renommeSansRemplacer(const QString& de, const QString& vers) override {
        const std::wstring a = CheminWindows(de), b = CheminWindows(vers);
        return Etape(plan_, OperationFs::Renomme,
                     [&] { return ::MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_WRITE_THROUGH); });
    }

    // ReplaceFileW keeps the older file under a backup name until told to drop it.
    int remplace(const QString& de, const QString& vers, QString& ancienne) override {
        const std::wstring a = CheminWindows(de), b = CheminWindows(vers);
        const QString sauvegarde =
            de.left(de.size() - LongueurSuffixeTemporaire) + QStringLiteral("ancien");
        const std::wstring secours = CheminWindows(sauvegarde);
        SupprimeFichier(secours);
        // A read-only older file refuses to be replaced: its attribute is cleared for the
        // replace, and put back if the replace fails.
        const DWORD attributs = Attributs(b);
        if (attributs != INVALID_FILE_ATTRIBUTES && (attributs & FILE_ATTRIBUTE_READONLY))
            ::SetFileAttributesW(b.c_str(), attributs & ~DWORD(FILE_ATTRIBUTE_READONLY));
        const int code = Etape(plan_, OperationFs::Renomme, [&] {
            return ::ReplaceFileW(b.c_str(), a.c_str(), secours.c_str(),
                                  REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        });
        if (code != 0) {
            if (attributs != INVALID_FILE_ATTRIBUTES && Attributs(b) != INVALID_FILE_ATTRIBUTES)
                ::SetFileAttributesW(b.c_str(), attributs);
            return code;
        }
        ancienne = sauvegarde;
        return 0;
    }

    // NTFS journals the rename itself; the step is counted so that a fault plan acts on it
    // as on Linux, where the target folder is synced here.
    int synchroniseDossier(const QString&) override {
        return Etape(plan_, OperationFs::Synchronise, [] { return true; });
    }

    std::optional<InfoFichier> faits(const QString& chemin, int& erreur) override {
        BY_HANDLE_FILE_INFORMATION f{};
        if ((erreur = LitFaits(chemin, false, f)) != 0)
            return std::nullopt;
        return Faits(f);
    }

    int supprime(const QString& chemin) override {
        const std::wstring natif = CheminWindows(chemin);
        return Etape(plan_, OperationFs::Supprime, [&] { return SupprimeFichier(natif); });
    }

    void retire(const QString& chemin) override { SupprimeFichier(CheminWindows(chemin)); }

    bool remet(const QString& de, const QString& vers, bool remplacer) override {
        return ::MoveFileExW(CheminWindows(de).c_str(), CheminWindows(vers).c_str(),
                             (remplacer ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH);
    }

private:
    FaultPlan* plan_;
};

bool EstNomTemporaire(const wchar_t* nom) {
    const QString texte = QString::fromWCharArray(nom);
    if (!texte.startsWith(QStringView(PrefixeTemporaire)) ||
        texte.size() != QStringView(PrefixeTemporaire).size() + LongueurSuffixeTemporaire)
        return false;
    for (qsizetype i = QStringView(PrefixeTemporaire).size(); i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        if (c >= 0x80 || !std::isalnum(int(c)))
            return false;
    }
    return true;
}

// Lists a folder with FindFirstFileExW; `visite` gets each entry but "." and "..". The error,
// or 0.
template <typename Visite>
int ParcourtDossier(const QString& dossier, Visite&& visite) {
    const std::wstring motif = CheminWindows(dossier + QStringLiteral("/*"));
    WIN32_FIND_DATAW e{};
    const HANDLE h = ::FindFirstFileExW(motif.c_str(), FindExInfoBasic, &e, FindExSearchNameMatch,
                                        nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        // A drive root has no "." entry: empty, it has nothing at all.
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES ? 0 : CodeWindows(code);
    }
    int erreur = 0;
    do {
        const wchar_t* nom = e.cFileName;
        if (nom[0] == L'.' && (nom[1] == 0 || (nom[1] == L'.' && nom[2] == 0)))
            continue;
        visite(e);
    } while (::FindNextFileW(h, &e));
    if (const DWORD code = ::GetLastError(); code != ERROR_NO_MORE_FILES)
        erreur = CodeWindows(code);
    ::FindClose(h);
    return erreur;
}

int RetireTemporairesDans(const QString& dossier) {
    int retires = 0;
    std::vector<QString> sousDossiers;
    ParcourtDossier(dossier, [&](const WIN32_FIND_DATAW& e) {
        const QString chemin = dossier + u'/' + QString::fromWCharArray(e.cFileName);
        if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (e.cFileName[0] != L'.' && !(e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                sousDossiers.push_back(chemin);
        } else if (EstNomTemporaire(e.cFileName) && SupprimeFichier(CheminWindows(chemin))) {
            ++retires;
        }
    });
    for (const QString& sous : sousDossiers) retires += RetireTemporairesDans(sous);
    return retires;
}

}  // namespace

// ---- FileSystem: queries --------------------------------------------------------------

FileSystem::FileSystem(FaultPlan* plan) : plan_(plan) {}

bool FileSystem::folderExists(const QString& chemin) const {
    return EstDossier(Attributs(CheminWindows(chemin)));
}

bool FileSystem::fileExists(const QString& chemin) const {
    const DWORD a = Attributs(CheminWindows(chemin));
    return a != INVALID_FILE_ATTRIBUTES && !EstDossier(a);
}

std::optional<InfoFichier> FileSystem::info(const QString& chemin) const {
    bool dossier = false;
    return info(chemin, dossier);
}

std::optional<InfoFichier> FileSystem::info(const QString& chemin, bool& dossier) const {
    BY_HANDLE_FILE_INFORMATION f{};
    if (LitFaits(chemin, false, f) != 0)
        return std::nullopt;
    dossier = EstDossier(f.dwFileAttributes);
    return Faits(f);
}

void FileSystem::infosIn(const QString& dossier, std::span<const QStringView> noms,
                         std::span<std::optional<InfoFichier>> infos) const {
    const bool avecBarre = dossier.endsWith(u'/') || dossier.endsWith(u'\\');
    for (std::size_t i = 0; i < noms.size(); ++i) {
        QString chemin = dossier;
        if (!avecBarre)
            chemin.append(u'/');
        chemin.append(noms[i]);
        infos[i] = info(chemin);
    }
}

std::optional<IdentiteFichier> FileSystem::identity(const QString& chemin, int* erreur) const {
    BY_HANDLE_FILE_INFORMATION f{};
    // What a link leads to; a link that leads nowhere is read as itself.
    int code = LitFaits(chemin, true, f);
    if (code != 0)
        code = LitFaits(chemin, false, f);
    if (code != 0) {
        if (erreur)
            *erreur = code;
        return std::nullopt;
    }
    const InfoFichier faits = Faits(f);
    return IdentiteFichier{faits.peripherique, faits.inode};
}

std::optional<QString> FileSystem::realPath(const QString& chemin, int* erreur) const {
    Poignee p(OuvreFaits(CheminWindows(chemin), true));
    int code = p.ouverte() ? 0 : Derniere();
    QString texte;
    if (code == 0) {
        std::wstring tampon(MAX_PATH, L'\0');
        for (;;) {
            const DWORD n = ::GetFinalPathNameByHandleW(p.h, tampon.data(), DWORD(tampon.size()),
                                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            if (n == 0) {
                code = Derniere();
                break;
            }
            if (n < tampon.size()) {
                tampon.resize(n);
                texte = QString::fromStdWString(tampon);
                break;
            }
            tampon.resize(n + 1);
        }
    }
    if (code != 0) {
        if (erreur)
            *erreur = code;
        return std::nullopt;
    }
    if (texte.startsWith(u"\\\\?\\UNC\\"))
        texte = QStringLiteral("\\\\") + texte.sliced(8);
    else if (texte.startsWith(u"\\\\?\\"))
        texte = texte.sliced(4);
    texte.replace(u'\\', u'/');
    if (texte.size() == 2 && texte[1] == u':')
        texte += u'/';
    return texte;
}

ResultatFs FileSystem::readFolder(
    const QString& chemin,
    const std::function<void(const char*, std::size_t, GenreEntree)>& visite) const {
    if (const int code = PanneChoisie(plan_, OperationFs::LitDossier))
        return Resultat(code);
    QByteArray nom;  // reused from entry to entry
    const int erreur = ParcourtDossier(chemin, [&](const WIN32_FIND_DATAW& e) {
        const DWORD a = e.dwFileAttributes;
        if (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            return;
        // A link to a folder is not entered; a link to a file counts as a file.
        const GenreEntree genre = !(a & FILE_ATTRIBUTE_DIRECTORY)      ? GenreEntree::Fichier
                                  : (a & FILE_ATTRIBUTE_REPARSE_POINT) ? GenreEntree::Autre
                                                                       : GenreEntree::Dossier;
        nom = QString::fromWCharArray(e.cFileName).toUtf8();
        visite(nom.constData(), std::size_t(nom.size()), genre);
    });
    return erreur ? Resultat(erreur) : ResultatFs{};
}

bool FileSystem::isReadOnly(const QString& chemin) const {
    const DWORD a = Attributs(CheminWindows(chemin));
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
           !(a & FILE_ATTRIBUTE_REPARSE_POINT) && (a & FILE_ATTRIBUTE_READONLY);
}

// ---- FileSystem: changes --------------------------------------------------------------

ResultatFs FileSystem::createFolder(const QString& chemin, bool* cree) {
    const std::wstring natif = CheminWindows(chemin);
    int code = Etape(plan_, OperationFs::CreeDossier,
                     [&] { return ::CreateDirectoryW(natif.c_str(), nullptr); });
    if (cree)
        *cree = code == 0;
    // Already there counts as done only when it is a folder (not a file, not a link to one).
    if (code == EEXIST && folderExists(chemin))
        code = 0;
    return Resultat(code);
}

ResultatFs FileSystem::forceRemove(const QString& chemin) {
    const std::wstring natif = CheminWindows(chemin);
    int code = Etape(plan_, OperationFs::Supprime, [&] { return SupprimeFichier(natif); });
    // Windows refuses to delete a folder as a file with "access denied".
    if (code == EACCES && EstDossier(Attributs(natif)))
        code = EISDIR;
    return Resultat(code);
}

ResultatFs FileSystem::move(const QString& source, const QString& cible, Remplacement remplacement,
                            const InfoFichier* sourceLue) {
    const std::wstring de = CheminWindows(source);
    const std::wstring vers = CheminWindows(cible);
    if (!sourceLue && EstDossier(Attributs(de)))
        return Resultat(EISDIR);
    const DWORD drapeaux = remplacement == Remplacement::Atomique ? MOVEFILE_REPLACE_EXISTING : 0;
    const DWORD attributsCible =
        remplacement == Remplacement::Atomique ? Attributs(vers) : INVALID_FILE_ATTRIBUTES;
    bool attributRetire = false;
    if (attributsCible != INVALID_FILE_ATTRIBUTES) {
        // Two names of one file (hard links): the target already is the file, only the
        // source name goes. A rename could otherwise do nothing and leave both.
        const std::optional<InfoFichier> a = info(source);
        const std::optional<InfoFichier> b = info(cible);
        if (a && b && a->peripherique == b->peripherique && a->inode == b->inode &&
            QString::compare(source, cible, Qt::CaseInsensitive) != 0)
            return Resultat(
                Etape(plan_, OperationFs::Supprime, [&] { return SupprimeFichier(de); }));
        // A read-only older file refuses to be replaced: its attribute is cleared for the
        // rename, and put back if the rename fails.
        if ((attributsCible & FILE_ATTRIBUTE_READONLY) && !EstDossier(attributsCible))
            attributRetire = ::SetFileAttributesW(vers.c_str(),
                                                  attributsCible & ~DWORD(FILE_ATTRIBUTE_READONLY));
    }
    int code = Etape(plan_, OperationFs::Renomme, [&] {
        return ::MoveFileExW(de.c_str(), vers.c_str(), drapeaux | MOVEFILE_WRITE_THROUGH);
    });
    if (code != 0 && attributRetire)
        ::SetFileAttributesW(vers.c_str(), attributsCible);
    if (code == EXDEV) {
        BY_HANDLE_FILE_INFORMATION avant{};
        code = LitFaits(source, false, avant);
        PrimitivesWin primitives(plan_);
        if (code == 0)
            code = EstDossier(avant.dwFileAttributes)
                       ? EISDIR
                       : DeplaceAilleurs(primitives, source, Faits(avant), cible, remplacement);
    }
    return Resultat(code);
}

// ---- Held folders and appended files ----------------------------------------------------

void DossierTenu::ferme() {
    if (poignee_ != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(poignee_));
    poignee_ = -1;
    acces_.clear();
}

void FichierAjout::ferme() {
    if (poignee_ != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(poignee_));
    poignee_ = -1;
}

namespace {

// Opens a folder to hold it: never through a reparse point (a link or a junction is refused
// with ELOOP), and without FILE_SHARE_DELETE, so that nobody renames or deletes it while it
// is held and its path stays the path of this folder. The error, or 0.
int TenirDossier(const QString& chemin, qintptr& poignee, QString& acces, IdentiteFichier& id) {
    HANDLE h =
        ::CreateFileW(CheminWindows(chemin).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Derniere();
    BY_HANDLE_FILE_INFORMATION f{};
    int code = ::GetFileInformationByHandle(h, &f) ? 0 : Derniere();
    if (code == 0 && (f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        code = ELOOP;
    else if (code == 0 && !(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        code = ENOTDIR;
    if (code != 0) {
        ::CloseHandle(h);
        return code;
    }
    poignee = reinterpret_cast<qintptr>(h);
    acces = chemin;
    id = {f.dwVolumeSerialNumber, (quint64(f.nFileIndexHigh) << 32) | f.nFileIndexLow};
    return 0;
}

QString Dans(const QString& dossier, const QString& nom) {
    return dossier.endsWith(u'/') ? dossier + nom : dossier + u'/' + nom;
}

}  // namespace

ResultatFs FileSystem::openFolder(const QString& chemin, DossierTenu& dossier) const {
    DossierTenu tenu;
    if (const int code = TenirDossier(chemin, tenu.poignee_, tenu.acces_, tenu.identite_))
        return Resultat(code);
    dossier = std::move(tenu);
    return {};
}

ResultatFs FileSystem::openSubfolder(const DossierTenu& parent, const QString& nom, bool creer,
                                     DossierTenu& dossier, bool* cree) {
    if (cree)
        *cree = false;
    if (nom.isEmpty() || nom.contains(u'/') || nom.contains(u'\\') || nom == u"." || nom == u"..")
        return Resultat(EINVAL);
    const QString chemin = Dans(parent.acces_, nom);
    DossierTenu tenu;
    int code = TenirDossier(chemin, tenu.poignee_, tenu.acces_, tenu.identite_);
    if (code == ENOENT && creer) {
        const std::wstring natif = CheminWindows(chemin);
        code = Etape(plan_, OperationFs::CreeDossier,
                     [&] { return ::CreateDirectoryW(natif.c_str(), nullptr); });
        if (code != 0 && code != EEXIST)
            return Resultat(code);
        if (cree)
            *cree = code == 0;
        code = TenirDossier(chemin, tenu.poignee_, tenu.acces_, tenu.identite_);
    }
    if (code != 0)
        return Resultat(code);
    dossier = std::move(tenu);
    return {};
}

bool FileSystem::unmoved(const DossierTenu& dossier) const {
    return dossier.ouvert();
}

ResultatFs FileSystem::createFile(const DossierTenu& dossier, const QString& nom,
                                  FichierAjout& fichier) {
    HANDLE h = ::CreateFileW(CheminWindows(Dans(dossier.acces_, nom)).c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Resultat(Derniere());
    fichier.ferme();
    fichier.poignee_ = reinterpret_cast<qintptr>(h);
    return {};
}

ResultatFs FileSystem::append(FichierAjout& fichier, QByteArrayView octets) {
    if (const int code = PanneChoisie(plan_, OperationFs::Ecrit))
        return Resultat(code);
    if (!fichier.ouvert())
        return Resultat(EBADF);
    DWORD ecrits = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(fichier.poignee_), octets.data(),
                     DWORD(octets.size()), &ecrits, nullptr))
        return Resultat(Derniere());
    return Resultat(qsizetype(ecrits) == octets.size() ? 0 : ENOSPC);
}

ResultatFs FileSystem::openLockFile(const DossierTenu& dossier, const QString& nom, bool creer,
                                    FichierAjout& fichier) {
    if (const int code = PanneChoisie(plan_, OperationFs::Verrou))
        return Resultat(code);
    HANDLE h = ::CreateFileW(CheminWindows(Dans(dossier.acces_, nom)).c_str(),
                             GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, creer ? CREATE_NEW : OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Resultat(Derniere());
    fichier.ferme();
    fichier.poignee_ = reinterpret_cast<qintptr>(h);
    return {};
}

ResultatFs FileSystem::lockFile(FichierAjout& fichier) {
    if (const int code = PanneChoisie(plan_, OperationFs::Verrou))
        return Resultat(code);
    OVERLAPPED zone{};
    if (::LockFileEx(reinterpret_cast<HANDLE>(fichier.poignee_),
                     LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                     &zone))
        return {};
    const DWORD code = ::GetLastError();
    return Resultat(code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING ? EWOULDBLOCK
                                                                             : CodeWindows(code));
}

ResultatFs FileSystem::rewrite(FichierAjout& fichier, QByteArrayView octets) {
    if (const int code = PanneChoisie(plan_, OperationFs::Verrou))
        return Resultat(code);
    const HANDLE h = reinterpret_cast<HANDLE>(fichier.poignee_);
    LARGE_INTEGER debut{};
    if (!::SetFilePointerEx(h, debut, nullptr, FILE_BEGIN) || !::SetEndOfFile(h))
        return Resultat(Derniere());
    DWORD ecrits = 0;
    if (!::WriteFile(h, octets.data(), DWORD(octets.size()), &ecrits, nullptr))
        return Resultat(Derniere());
    return Resultat(qsizetype(ecrits) == octets.size() ? 0 : ENOSPC);
}

std::optional<InfoFichier> FileSystem::facts(const FichierAjout& fichier) const {
    BY_HANDLE_FILE_INFORMATION f{};
    if (!::GetFileInformationByHandle(reinterpret_cast<HANDLE>(fichier.poignee_), &f))
        return std::nullopt;
    return Faits(f);
}

std::optional<qint64> FileSystem::arrivalTime(const QString& chemin) const {
    Poignee p(OuvreFaits(CheminWindows(chemin), false));
    FILE_BASIC_INFO base{};
    if (!p.ouverte() || !::GetFileInformationByHandleEx(p.h, FileBasicInfo, &base, sizeof base))
        return std::nullopt;
    FILETIME t;
    t.dwLowDateTime = DWORD(base.ChangeTime.QuadPart & 0xFFFFFFFF);
    t.dwHighDateTime = DWORD(quint64(base.ChangeTime.QuadPart) >> 32);
    return NsDepuisEpoque(t);
}

int FileSystem::removeLeftoverTemporaries(const QString& dossier) {
    return folderExists(dossier) ? RetireTemporairesDans(dossier) : 0;
}

// ---- FichierLecture -------------------------------------------------------------------

int FichierLecture::faitsDe(const QString& chemin, InfoFichier& info, bool& ordinaire) {
    BY_HANDLE_FILE_INFORMATION f{};
    if (const int code = LitFaits(chemin, true, f))
        return code;
    info = Faits(f);
    ordinaire = !(f.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    return 0;
}

int FichierLecture::ouvre(const QString& chemin) {
    ferme();
    const HANDLE h = ::CreateFileW(CheminWindows(chemin).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Derniere();
    poignee_ = reinterpret_cast<qintptr>(h);
    return 0;
}

int FichierLecture::faits(InfoFichier& info, bool& ordinaire) const {
    const HANDLE h = reinterpret_cast<HANDLE>(poignee_);
    BY_HANDLE_FILE_INFORMATION f{};
    if (!::GetFileInformationByHandle(h, &f))
        return Derniere();
    info = Faits(f);
    ordinaire = ::GetFileType(h) == FILE_TYPE_DISK &&
                !(f.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    return 0;
}

qint64 FichierLecture::lit(qint64 decalage, char* octets, qint64 longueur, int& erreur) {
    OVERLAPPED position{};
    position.Offset = DWORD(quint64(decalage) & 0xFFFFFFFFu);
    position.OffsetHigh = DWORD(quint64(decalage) >> 32);
    DWORD lus = 0;
    const DWORD demande = DWORD(std::min<qint64>(longueur, qint64(1) << 30));
    if (!::ReadFile(reinterpret_cast<HANDLE>(poignee_), octets, demande, &lus, &position)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) {
            erreur = 0;
            return 0;
        }
        erreur = Derniere();
        return -1;
    }
    erreur = 0;
    return lus;
}

void FichierLecture::ferme() {
    if (poignee_ != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(poignee_));
    poignee_ = -1;
}

}  // namespace tidemark
