#include "garage/Journal.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "garage/Garage.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTimeZone>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tidemark {

namespace {

constexpr QStringView Extension = u".txt";
// A journal is a few hundred bytes per file; a larger file is read up to this much.
constexpr qint64 TailleLue = qint64(256) << 20;
constexpr qint64 NsParSeconde = 1000000000;

// A tab, a line feed or a carriage return in a name would cut a line: they are written as
// %09, %0A and %0D, and "%" itself as %25.
QString Echappe(const QString& texte) {
    QString sortie;
    sortie.reserve(texte.size());
    for (const QChar c : texte) {
        if (c == u'%' || c == u'\t' || c == u'\n' || c == u'\r')
            sortie += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QChar(u'0')).toUpper();
        else
            sortie += c;
    }
    return sortie;
}

std::optional<QString> Desechappe(QStringView texte) {
    QString sortie;
    sortie.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (texte[i] != u'%') {
            sortie += texte[i];
            continue;
        }
        bool ok = false;
        const int code = i + 2 < texte.size() ? texte.sliced(i + 1, 2).toInt(&ok, 16) : 0;
        if (!ok || (code != 0x25 && code != 0x09 && code != 0x0A && code != 0x0D))
            return std::nullopt;
        sortie += QChar(code);
        i += 2;
    }
    return sortie;
}

// A drive path of drive `lettre` in its plain form, outside the garage: X:\a\b, every
// component non-empty, none "." or "..", none holding "/" or NUL.
bool OriginalValable(QStringView chemin, QChar lettre) {
    if (chemin.size() < 4 || chemin[0] != lettre || chemin[1] != u':' || chemin[2] != u'\\')
        return false;
    bool premier = true;
    for (QStringView composant : chemin.sliced(3).tokenize(u'\\')) {
        if (composant.isEmpty() || composant == u"." || composant == u".." ||
            composant.contains(u'/') || composant.contains(QChar(0)) ||
            (premier && composant == u"_"))
            return false;
        premier = false;
    }
    return true;
}

std::optional<ActionJournal> LitAction(QStringView mot) {
    for (const ActionJournal a :
         {ActionJournal::Garage, ActionJournal::Suppression, ActionJournal::Restauration}) {
        if (mot == NomAction(a))
            return a;
    }
    return std::nullopt;
}

std::optional<FichierJournal> LitLigne(QStringView ligne, QChar lettre) {
    const QList<QStringView> champs = ligne.split(u'\t');
    if (champs.size() != 5)
        return std::nullopt;
    FichierJournal f;
    const std::optional<ActionJournal> action = LitAction(champs[0]);
    const std::optional<QString> original = Desechappe(champs[1]);
    const std::optional<QString> garage = Desechappe(champs[2]);
    bool tailleLue = false;
    f.taille = champs[3].toLongLong(&tailleLue);
    const std::optional<qint64> date = LitDateNs(champs[4]);
    if (!action || !original || !garage || !tailleLue || f.taille < 0 || !date ||
        !OriginalValable(*original, lettre))
        return std::nullopt;
    f.action = *action;
    f.original = *original;
    f.garage = *garage;
    f.modificationNs = *date;
    // Only a file destroyed at its place has no garage path; any other garage path must be
    // the one the garage gives its original.
    const bool sansGarage = f.action == ActionJournal::Suppression && f.garage.isEmpty();
    if (!sansGarage && f.garage != CheminGarage(f.original))
        return std::nullopt;
    return f;
}

QByteArray Ligne(const FichierJournal& f) {
    return (NomAction(f.action) + u'\t' + Echappe(f.original) + u'\t' + Echappe(f.garage) + u'\t' +
            QString::number(f.taille) + u'\t' + DateNs(f.modificationNs) + u'\n')
        .toUtf8();
}

// The few file calls of the journal, with wide-character paths on Windows; each sets errno.
#ifdef _WIN32
bool Dossier(const QString& chemin) {
    const std::wstring natif = CheminWindows(chemin);
    if (::CreateDirectoryW(natif.c_str(), nullptr))
        return true;
    errno = CodeWindows(::GetLastError());
    const DWORD attributs = ::GetFileAttributesW(natif.c_str());
    return errno == EEXIST && attributs != INVALID_FILE_ATTRIBUTES &&
           (attributs & FILE_ATTRIBUTE_DIRECTORY) && !(attributs & FILE_ATTRIBUTE_REPARSE_POINT);
}

int OuvreNouveau(const QString& chemin) {
    return ::_wopen(CheminWindows(chemin).c_str(),
                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_APPEND | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}

bool Ecrit(int fd, const QByteArray& octets) {
    return ::_write(fd, octets.constData(), unsigned(octets.size())) == octets.size();
}

void Ferme(int fd) {
    ::_close(fd);
}

void Retire(const QString& chemin) {
    ::DeleteFileW(CheminWindows(chemin).c_str());
}
#else
bool Dossier(const QString& chemin) {
    const QByteArray natif = OctetsHote(chemin);
    if (::mkdir(natif.constData(), 0777) == 0)
        return true;
    struct stat s {};
    return errno == EEXIST && ::lstat(natif.constData(), &s) == 0 && S_ISDIR(s.st_mode);
}

int OuvreNouveau(const QString& chemin) {
    return ::open(OctetsHote(chemin).constData(),
                  O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
}

bool Ecrit(int fd, const QByteArray& octets) {
    return ::write(fd, octets.constData(), std::size_t(octets.size())) == octets.size();
}

void Ferme(int fd) {
    ::close(fd);
}

void Retire(const QString& chemin) {
    ::unlink(OctetsHote(chemin).constData());
}
#endif

}  // namespace

QString NomAction(ActionJournal action) {
    switch (action) {
        case ActionJournal::Garage:
            return QStringLiteral("garage");
        case ActionJournal::Suppression:
            return QStringLiteral("delete");
        case ActionJournal::Restauration:
            return QStringLiteral("restore");
    }
    return {};
}

qint64 ExecutionJournal::octets() const {
    qint64 total = 0;
    for (const FichierJournal& f : fichiers) total += f.taille;
    return total;
}

QString DateNs(qint64 ns) {
    qint64 secondes = ns / NsParSeconde;
    qint64 reste = ns % NsParSeconde;
    if (reste < 0) {
        reste += NsParSeconde;
        --secondes;
    }
    return QDateTime::fromSecsSinceEpoch(secondes, QTimeZone::utc())
               .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral(".%1Z").arg(reste, 9, 10, QChar(u'0'));
}

std::optional<qint64> LitDateNs(QStringView texte) {
    // yyyy-MM-ddTHH:mm:ss.nnnnnnnnnZ
    if (texte.size() != 30 || texte[19] != u'.' || texte[29] != u'Z')
        return std::nullopt;
    const QDateTime date = QDateTime::fromString(texte.first(19).toString(), Qt::ISODate);
    bool ok = false;
    const qint64 fraction = texte.sliced(20, 9).toLongLong(&ok);
    if (!date.isValid() || !ok || fraction < 0)
        return std::nullopt;
    const QDateTime utc(date.date(), date.time(), QTimeZone::utc());
    return utc.toSecsSinceEpoch() * NsParSeconde + fraction;
}

QString CheminOriginal(QStringView cheminGarage) {
    if (cheminGarage.size() < 6 || cheminGarage.sliced(1, 4) != u":\\_\\")
        return {};
    QString original = cheminGarage.first(3).toString();
    original.append(cheminGarage.sliced(5));
    return original;
}

ExecutionJournal LitJournal(const QByteArray& texte, const QString& id, QChar lettre) {
    ExecutionJournal execution;
    execution.id = id;
    execution.lettre = lettre.toUpper();
    qsizetype debut = 0;
    while (debut < texte.size()) {
        const qsizetype fin = texte.indexOf('\n', debut);
        if (fin < 0) {
            // Cut short: the run was stopped while writing it.
            ++execution.lignesIgnorees;
            break;
        }
        QByteArrayView octets = QByteArrayView(texte).sliced(debut, fin - debut);
        debut = fin + 1;
        if (octets.endsWith('\r'))
            octets.chop(1);
        if (octets.isEmpty())
            continue;
        QStringDecoder utf8(QStringConverter::Utf8);
        const QString ligne = utf8.decode(octets);
        if (utf8.hasError()) {
            ++execution.lignesIgnorees;
            continue;
        }
        if (ligne.startsWith(u'#')) {
            const qsizetype tab = ligne.indexOf(u'\t');
            if (tab < 0)
                continue;
            const QStringView cle = QStringView(ligne).first(tab).sliced(1).trimmed();
            const QStringView valeur = QStringView(ligne).sliced(tab + 1).trimmed();
            if (cle == u"date")
                execution.date =
                    QDateTime::fromString(valeur.toString(), Qt::ISODateWithMs).toUTC();
            else if (cle == u"action")
                execution.action = LitAction(valeur).value_or(execution.action);
            else if (cle == u"restaure")
                execution.source = valeur.toString();
            continue;
        }
        if (std::optional<FichierJournal> f = LitLigne(ligne, execution.lettre))
            execution.fichiers.push_back(std::move(*f));
        else
            ++execution.lignesIgnorees;
    }
    if (!execution.date.isValid()) {
        // A journal without a usable date: the one its name says.
        const QDateTime nom = QDateTime::fromString(id.first(std::min<qsizetype>(id.size(), 19)),
                                                    QStringLiteral("yyyyMMdd'T'HHmmss.zzz"));
        if (nom.isValid())
            execution.date = QDateTime(nom.date(), nom.time(), QTimeZone::utc());
    }
    return execution;
}

QString DossierJournaux(const DriveMap& lecteurs, QChar lettre) {
    const std::optional<QString> garage =
        lecteurs.versHote(QString(lettre.toUpper()) + QStringLiteral(":\\_"));
    return garage ? *garage + QStringLiteral("/.tidemark") : QString();
}

std::vector<ExecutionJournal> LitJournaux(const DriveMap& lecteurs, QList<QChar> lettres) {
    if (lettres.isEmpty())
        lettres = lecteurs.lettres();
    std::vector<ExecutionJournal> executions;
    for (const QChar lettre : std::as_const(lettres)) {
        const QString dossier = DossierJournaux(lecteurs, lettre);
        if (dossier.isEmpty())
            continue;
        // Regular files only: a pipe named like a journal would keep the reader waiting. The
        // names are told by their ending here rather than by a name filter: a filter is a
        // regular expression, whose per-thread data the MinGW runtime frees badly when a
        // worker thread ends.
        const QStringList noms =
            QDir(dossier).entryList(QDir::Files | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
        for (const QString& nom : noms) {
            if (!nom.endsWith(Extension, Qt::CaseInsensitive))
                continue;
            QFile fichier(dossier + u'/' + nom);
            if (!fichier.open(QIODevice::ReadOnly))
                continue;
            executions.push_back(
                LitJournal(fichier.read(TailleLue), nom.chopped(Extension.size()), lettre));
        }
    }
    std::stable_sort(executions.begin(), executions.end(),
                     [](const ExecutionJournal& a, const ExecutionJournal& b) {
                         if (a.date != b.date)
                             return a.date < b.date;
                         return a.id < b.id;
                     });
    return executions;
}

JournalGarage::JournalGarage(ActionJournal action, const DriveMap& lecteurs, QDateTime debut,
                             QString source)
    : action_(action), lecteurs_(lecteurs), debut_(debut.toUTC()), source_(std::move(source)) {}

JournalGarage::~JournalGarage() {
    for (const auto& [lettre, fd] : fichiers_) {
        if (fd >= 0)
            Ferme(fd);
    }
}

int JournalGarage::ouvre(QChar lettre) {
    const QString dossier = DossierJournaux(lecteurs_, lettre);
    const QString base = debut_.toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'"));
    int code = ENOENT;
    // A few attempts: another run leaving may remove the folders it made in between.
    for (int essai = 0; essai < 20 && !dossier.isEmpty(); ++essai) {
        const QString& hote = dossier;
        if (!Dossier(hote.first(hote.lastIndexOf(u'/'))) || !Dossier(hote)) {
            code = errno;
            if (code == ENOENT)
                continue;
            break;
        }
        QStringList noms;
        if (!id_.isEmpty())
            noms.append(id_);
        noms.append(base);
        for (int n = 2; n < 1000; ++n) noms.append(base + QStringLiteral("-%1").arg(n));
        for (const QString& nom : std::as_const(noms)) {
            const QString chemin = hote + u'/' + nom + Extension.toString();
            const int fd = OuvreNouveau(chemin);
            if (fd < 0) {
                code = errno;
                if (code == EEXIST)
                    continue;
                break;
            }
            QString entete = QStringLiteral(
                                 "# Tidemark : journal du garage %1:\\_\n"
                                 "# exécution\t%2\n"
                                 "# date\t%3\n"
                                 "# action\t%4\n")
                                 .arg(lettre.toUpper())
                                 .arg(nom, debut_.toString(Qt::ISODateWithMs), NomAction(action_));
            if (!source_.isEmpty())
                entete += QStringLiteral("# restaure\t%1\n").arg(source_);
            entete += QStringLiteral(
                "# colonnes\taction\tchemin d'origine\tchemin au garage\toctets\tmodification\n");
            const QByteArray octets = entete.toUtf8();
            errno = 0;
            if (!Ecrit(fd, octets)) {
                code = errno ? errno : ENOSPC;
                Ferme(fd);
                Retire(chemin);
                break;
            }
            if (id_.isEmpty())
                id_ = nom;
            return fd;
        }
        if (code != ENOENT)
            break;
    }
    avis_.append(QStringLiteral("le journal du garage %1:\\_ ne peut pas être écrit (%2)")
                     .arg(lettre.toUpper())
                     .arg(FileSystem::reason(code)));
    return -1;
}

bool JournalGarage::note(const FichierJournal& fichier) {
    if (fichier.original.size() < 3)
        return false;
    const char16_t lettre = fichier.original[0].toUpper().unicode();
    std::unique_lock verrou(mutex_);
    attente_[lettre] += Ligne(fichier);
    const quint64 ticket = ++deposees_;
    // The lines noted while one thread writes are written together by the next one, in one
    // write(2) per drive: each thread returns once its own line is written, so a killed run
    // misses at most the line of each file that was being moved.
    while (ecrites_ < ticket) {
        if (ecriture_) {
            ecrit_.wait(verrou);
            continue;
        }
        ecriture_ = true;
        std::map<char16_t, QByteArray> lot;
        lot.swap(attente_);
        const quint64 jusqua = deposees_;
        verrou.unlock();
        for (auto& [l, lignes] : lot) ecrit(l, lignes);
        verrou.lock();
        ecrites_ = jusqua;
        ecriture_ = false;
        ecrit_.notify_all();
    }
    const auto it = fichiers_.find(lettre);
    return it != fichiers_.end() && it->second >= 0;
}

// Appends lines to the journal of a drive, opening it first; only the thread that writes
// comes here.
void JournalGarage::ecrit(char16_t lettre, const QByteArray& lignes) {
    auto it = fichiers_.find(lettre);
    if (it == fichiers_.end())
        it = fichiers_.emplace(lettre, ouvre(QChar(lettre))).first;
    if (it->second < 0)
        return;
    errno = 0;
    if (Ecrit(it->second, lignes))
        return;
    avis_.append(QStringLiteral("le journal du garage %1:\\_ n'a pas pu être complété (%2)")
                     .arg(QChar(lettre))
                     .arg(FileSystem::reason(errno ? errno : ENOSPC)));
    Ferme(it->second);
    it->second = -1;
}

}  // namespace tidemark
