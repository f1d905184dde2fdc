// The French reasons of the system's errors, as the program shows them after a path.
#include "core/FileSystem.h"

#include <cerrno>

namespace tidemark {

namespace {

struct RaisonSysteme {
    int code;
    const char* texte;  // UTF-8
};

// What a file system, local or on the network, can answer. Some codes exist on Linux only. Where
// two names share one value (EAGAIN and EWOULDBLOCK, EOPNOTSUPP and ENOTSUP on Linux), the first
// row found is used.
constexpr RaisonSysteme Raisons[] = {
    {EACCES, "accès refusé"},
    {EPERM, "accès refusé"},
    {ENOENT, "fichier ou dossier introuvable"},
    {EEXIST, "la cible existe déjà"},
    {ENOSPC, "plus de place sur le disque"},
    {EROFS, "système de fichiers en lecture seule"},
    {EXDEV, "la source et la cible sont sur deux systèmes de fichiers différents"},
    {EBUSY, "fichier occupé"},
    {ENAMETOOLONG, "chemin trop long"},
    {ENOTDIR, "un élément du chemin n'est pas un dossier"},
    {EISDIR, "c'est un dossier"},
    {EIO, "erreur d'entrée-sortie"},
#ifdef EDQUOT
    {EDQUOT, "quota dépassé"},
#endif
    {ELOOP, "trop de liens symboliques dans le chemin"},
    {EOPNOTSUPP, "opération non prise en charge pour ce fichier"},
    {ENOTSUP, "opération non prise en charge pour ce fichier"},
    {EBADMSG, "données illisibles ou corrompues"},
    {EFBIG, "fichier trop grand"},
    {ETIMEDOUT, "délai d'attente dépassé"},
#ifdef ESTALE
    {ESTALE, "fichier réseau périmé : le partage a changé depuis"},
#endif
    {ENOTCONN, "le système de fichiers n'est plus connecté"},
#ifdef EHOSTDOWN
    {EHOSTDOWN, "la machine distante est arrêtée"},
#endif
    {EHOSTUNREACH, "la machine distante est injoignable"},
    {ENETDOWN, "le réseau est arrêté"},
    {ENETUNREACH, "le réseau est injoignable"},
    {ENETRESET, "la connexion a été coupée par le réseau"},
    {ECONNRESET, "la connexion a été coupée par la machine distante"},
    {ECONNREFUSED, "connexion refusée par la machine distante"},
    {ECONNABORTED, "connexion interrompue"},
    {ENOLINK, "le lien avec la machine distante est rompu"},
#ifdef ECOMM
    {ECOMM, "erreur de communication"},
#endif
    {EPROTO, "erreur de protocole"},
#ifdef EREMOTEIO
    {EREMOTEIO, "erreur d'entrée-sortie sur la machine distante"},
#endif
#ifdef EUCLEAN
    {EUCLEAN, "système de fichiers endommagé, à vérifier"},
#endif
    {ENODATA, "aucune donnée disponible"},
    {ENOLCK, "aucun verrou disponible"},
    {EDEADLK, "verrouillage impossible sans blocage"},
    {EAGAIN, "ressource momentanément indisponible, réessayez"},
    {EWOULDBLOCK, "ressource momentanément indisponible, réessayez"},
    {EINTR, "opération interrompue"},
    {EINVAL, "nom ou opération non valide"},
    {EILSEQ, "nom de fichier non valide pour ce système de fichiers"},
    {EMLINK, "trop de liens vers ce fichier"},
    {ENOTEMPTY, "le dossier n'est pas vide"},
    {EMFILE, "trop de fichiers ouverts par le programme"},
    {ENFILE, "trop de fichiers ouverts sur le système"},
    {ENOMEM, "mémoire insuffisante"},
    {ENOBUFS, "mémoire tampon insuffisante"},
    {ETXTBSY, "fichier exécutable en cours d'utilisation"},
    {ENXIO, "périphérique ou adresse introuvable"},
    {ENODEV, "périphérique introuvable"},
#ifdef ENOMEDIUM
    {ENOMEDIUM, "aucun support dans le lecteur"},
#endif
#ifdef EMEDIUMTYPE
    {EMEDIUMTYPE, "type de support incorrect"},
#endif
    {ECANCELED, "opération annulée"},
    {EOVERFLOW, "valeur trop grande pour être lue"},
    {ERANGE, "valeur hors limites"},
    {EBADF, "fichier mal ouvert"},
    {ENOSYS, "opération non prise en charge par le système"},
    {EPIPE, "tube fermé à l'autre bout"},
    {ESPIPE, "déplacement impossible dans ce fichier"},
#ifdef ENOKEY
    {ENOKEY, "clé de chiffrement absente : dossier verrouillé"},
#endif
#ifdef EKEYEXPIRED
    {EKEYEXPIRED, "clé de chiffrement expirée"},
#endif
#ifdef EKEYREVOKED
    {EKEYREVOKED, "clé de chiffrement révoquée"},
#endif
#ifdef EKEYREJECTED
    {EKEYREJECTED, "clé de chiffrement refusée"},
#endif
};

// Windows errors that have no errno of their own (see CodeWindows), by their Win32 number.
constexpr RaisonSysteme RaisonsWindows[] = {
    {21, "le lecteur n'est pas prêt"},
    {53, "chemin réseau introuvable"},
    {55, "la ressource réseau n'est plus disponible"},
    {59, "erreur réseau inattendue"},
    {64, "le nom réseau n'est plus disponible"},
    {67, "nom de partage réseau introuvable"},
    {225, "fichier bloqué par l'antivirus"},
    {1224, "fichier ouvert en mémoire par un autre programme"},
    {1920, "le système ne peut pas accéder au fichier"},
};

}  // namespace

QString FileSystem::reason(int codeErreur) {
    if (codeErreur == 0)
        return {};
    if (codeErreur > ErreurWindows) {
        const int code = codeErreur - ErreurWindows;
        for (const RaisonSysteme& raison : RaisonsWindows) {
            if (raison.code == code)
                return QString::fromUtf8(raison.texte);
        }
        return QStringLiteral("erreur Windows %1").arg(code);
    }
    for (const RaisonSysteme& raison : Raisons) {
        if (raison.code == codeErreur)
            return QString::fromUtf8(raison.texte);
    }
    // The system's own text would be in English: the number lets the error be looked up.
    return QStringLiteral("erreur système %1").arg(codeErreur);
}

}  // namespace tidemark
