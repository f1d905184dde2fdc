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
#include <chrono>
#include <cstdio>
#include <mutex>

namespace tidemark {

namespace {

constexpr QStringView Extension = u".txt";
// A journal is a few hundred bytes per file; a larger file is read up to this much.
constexpr qint64 TailleLue = qint64(256) << 20;
constexpr qint64 NsParSeconde = 1000000000;

// A tab, a line feed or a carriage return in a name would cut a line: they are written as
// %09, %0A and %0D, and "%" itself as %25.
QString Echappe(const QString& texte) {
    const auto aEchapper = [](QChar c) {
        return c == u'%' || c == u'\t' || c == u'\n' || c == u'\r';
    };
    if (std::none_of(texte.begin(), texte.end(), aEchapper))
        return texte;  // the usual path: shared, not copied
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
    for (const ActionJournal a : {ActionJournal::Garage, ActionJournal::Suppression,
                                  ActionJournal::Restauration, ActionJournal::Annulation}) {
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

// The header line that gives a run's number on its garage.
constexpr QStringView CleNumero = u"numéro";

}  // namespace

QString NomAction(ActionJournal action) {
    switch (action) {
        case ActionJournal::Garage:
            return QStringLiteral("garage");
        case ActionJournal::Suppression:
            return QStringLiteral("delete");
        case ActionJournal::Restauration:
            return QStringLiteral("restore");
        case ActionJournal::Annulation:
            return QStringLiteral("undone");
    }
    return {};
}

qint64 ExecutionJournal::nombre() const {
    return std::count_if(fichiers.begin(), fichiers.end(),
                         [](const FichierJournal& f) { return f.fait; });
}

qint64 ExecutionJournal::octets() const {
    qint64 total = 0;
    for (const FichierJournal& f : fichiers) total += f.fait ? f.taille : 0;
    return total;
}

QString DateNs(qint64 ns) {
    qint64 secondes = ns / NsParSeconde;
    qint64 reste = ns % NsParSeconde;
    if (reste < 0) {
        reste += NsParSeconde;
        --secondes;
    }
    // Written by hand, every line of a run goes through here: nanoseconds since 1970 reach
    // from 1677 to 2262, years of four digits.
    const std::chrono::sys_seconds temps{std::chrono::seconds(secondes)};
    const auto jour = std::chrono::floor<std::chrono::days>(temps);
    const std::chrono::year_month_day date{jour};
    const std::chrono::hh_mm_ss heure{temps - jour};
    char texte[64];
    std::snprintf(texte, sizeof texte, "%04d-%02u-%02uT%02d:%02d:%02d.%09lldZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(heure.hours().count()),
                  int(heure.minutes().count()), int(heure.seconds().count()),
                  static_cast<long long>(reste));
    return QString::fromLatin1(texte);
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
            else if (cle == CleNumero)
                execution.numero = std::max<qint64>(valeur.toLongLong(), 0);
            continue;
        }
        std::optional<FichierJournal> f = LitLigne(ligne, execution.lettre);
        if (!f) {
            ++execution.lignesIgnorees;
        } else if (f->action != ActionJournal::Annulation) {
            execution.fichiers.push_back(std::move(*f));
        } else {
            // The latest line of that file that went did not: it is marked so.
            auto it = std::find_if(execution.fichiers.rbegin(), execution.fichiers.rend(),
                                   [&](const FichierJournal& g) {
                                       return g.fait && g.original == f->original &&
                                              g.garage == f->garage;
                                   });
            if (it != execution.fichiers.rend())
                it->fait = false;
            else
                ++execution.lignesIgnorees;
        }
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

ResultatFs TientDossierJournaux(FileSystem& fs, const DriveMap& lecteurs, QChar lettre, bool creer,
                                DossierTenu& dossier) {
    const QString racine = lecteurs.racine(lettre);
    if (racine.isEmpty())
        return {ENOENT, FileSystem::reason(ENOENT)};
    DossierTenu haut, garage;
    ResultatFs r = fs.openFolder(racine, haut);
    if (r.ok())
        r = fs.openSubfolder(haut, QStringLiteral("_"), creer, garage);
    if (r.ok())
        r = fs.openSubfolder(garage, QStringLiteral(".tidemark"), creer, dossier);
    return r;
}

QString MessageDossierJournaux(QChar lettre, const ResultatFs& r) {
    if (r.erreur == ELOOP || r.erreur == ENOTDIR)
        return QStringLiteral(
                   "le journal du garage %1:\\_ est refusé : « %1:\\_ » ou « %1:\\_\\.tidemark » "
                   "est un lien symbolique ou n'est pas un dossier")
            .arg(lettre.toUpper());
    return QStringLiteral("le journal du garage %1:\\_ ne peut pas être lu (%2)")
        .arg(lettre.toUpper())
        .arg(r.raison);
}

namespace {

// The text of one journal of the held folder, read only when it is a regular file (not a
// link, a pipe or a folder); nothing otherwise.
std::optional<QByteArray> LitFichierJournal(const FileSystem& fs, const DossierTenu& dossier,
                                            const QString& nom, qint64 maximum) {
    const QString chemin = dossier.acces() + u'/' + nom;
    bool estDossier = false;
    const std::optional<InfoFichier> vu = fs.info(chemin, estDossier);
    if (!vu || vu->lien || estDossier)
        return std::nullopt;
    FichierLecture fichier;
    InfoFichier ouvert;
    bool ordinaire = false;
    // Opened without blocking, then judged on the open file: a pipe put there in between is
    // never waited on.
    if (fichier.ouvre(chemin) != 0 || fichier.faits(ouvert, ordinaire) != 0 || !ordinaire ||
        ouvert.inode != vu->inode || ouvert.peripherique != vu->peripherique)
        return std::nullopt;
    QByteArray texte;
    texte.resize(qsizetype(std::min(vu->taille, maximum)));
    qint64 lus = 0;
    while (lus < texte.size()) {
        int erreur = 0;
        const qint64 n = fichier.lit(lus, texte.data() + lus, texte.size() - lus, erreur);
        if (n <= 0)
            break;
        lus += n;
    }
    texte.resize(qsizetype(lus));
    return texte;
}

// The journal names of the held folder, in name order.
QStringList NomsJournaux(const DossierTenu& dossier) {
    // Told by their ending rather than by a name filter: a filter is a regular expression,
    // whose per-thread data the MinGW runtime frees badly when a worker thread ends.
    QStringList noms =
        QDir(dossier.acces())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                       QDir::Name | QDir::IgnoreCase);
    noms.removeIf([](const QString& nom) { return !nom.endsWith(Extension, Qt::CaseInsensitive); });
    return noms;
}

}  // namespace

std::vector<ExecutionJournal> LitJournaux(const DriveMap& lecteurs, QList<QChar> lettres,
                                          QStringList* avis) {
    if (lettres.isEmpty())
        lettres = lecteurs.lettres();
    FileSystem fs;
    std::vector<ExecutionJournal> executions;
    std::vector<std::vector<ExecutionJournal>> garages;
    for (const QChar lettre : std::as_const(lettres)) {
        DossierTenu dossier;
        if (const ResultatFs r = TientDossierJournaux(fs, lecteurs, lettre, false, dossier);
            !r.ok()) {
            if (r.erreur != ENOENT && avis)
                avis->append(MessageDossierJournaux(lettre, r));
            continue;
        }
        std::vector<ExecutionJournal> garage;
        for (const QString& nom : NomsJournaux(dossier)) {
            const std::optional<QByteArray> texte = LitFichierJournal(fs, dossier, nom, TailleLue);
            if (!texte) {
                if (avis)
                    avis->append(QStringLiteral("« %1:\\_\\.tidemark\\%2 » n'est pas un fichier "
                                                "ordinaire lisible : il n'est pas lu comme journal")
                                     .arg(lettre.toUpper())
                                     .arg(nom));
                continue;
            }
            garage.push_back(LitJournal(*texte, nom.chopped(Extension.size()), lettre));
        }
        // On its garage a run is ordered by its number (1.05's journals, without one, first
        // by date), and counts as made no earlier than the run before it.
        std::stable_sort(garage.begin(), garage.end(),
                         [](const ExecutionJournal& a, const ExecutionJournal& b) {
                             if (a.numero != b.numero)
                                 return a.numero < b.numero;
                             if (a.date != b.date)
                                 return a.date < b.date;
                             return a.id < b.id;
                         });
        QDateTime plancher;
        for (ExecutionJournal& e : garage) {
            e.ordre =
                e.date.isValid() && (!plancher.isValid() || e.date > plancher) ? e.date : plancher;
            plancher = e.ordre;
        }
        garages.push_back(std::move(garage));
    }
    // Between garages by `ordre` (then id), each garage keeping its own order: a merge.
    std::vector<std::size_t> tetes(garages.size(), 0);
    for (;;) {
        std::size_t choisi = garages.size();
        for (std::size_t g = 0; g < garages.size(); ++g) {
            if (tetes[g] >= garages[g].size())
                continue;
            const ExecutionJournal& e = garages[g][tetes[g]];
            if (choisi == garages.size())
                choisi = g;
            const ExecutionJournal& c = garages[choisi][tetes[choisi]];
            if (e.ordre < c.ordre || (e.ordre == c.ordre && e.id < c.id))
                choisi = g;
        }
        if (choisi == garages.size())
            break;
        executions.push_back(std::move(garages[choisi][tetes[choisi]++]));
    }
    return executions;
}

JournalGarage::JournalGarage(ActionJournal action, const DriveMap& lecteurs, QDateTime debut,
                             QString source, FileSystem* fs)
    : action_(action),
      lecteurs_(lecteurs),
      propre_(fs ? nullptr : std::make_unique<FileSystem>()),
      fs_(fs ? fs : propre_.get()),
      debut_(debut.toUTC()),
      source_(std::move(source)) {}

JournalGarage::~JournalGarage() = default;

void JournalGarage::ouvre(QChar lettre, Ouvert& ouvert) {
    const QString base = debut_.toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'"));
    ouvert.echec = true;
    const ResultatFs tenu = TientDossierJournaux(*fs_, lecteurs_, lettre, true, ouvert.dossier);
    if (!tenu.ok()) {
        avis_.append(tenu.erreur == ELOOP || tenu.erreur == ENOTDIR
                         ? MessageDossierJournaux(lettre, tenu)
                         : QStringLiteral("le journal du garage %1:\\_ ne peut pas être écrit (%2)")
                               .arg(lettre.toUpper())
                               .arg(tenu.raison));
        return;
    }
    // The run's number on this garage: one more than the highest there. The caller holds the
    // garage's lock, so no other run takes a number meanwhile.
    qint64 numero = 0;
    const QStringList presents = NomsJournaux(ouvert.dossier);
    for (const QString& nom : presents) {
        if (const std::optional<QByteArray> debut =
                LitFichierJournal(*fs_, ouvert.dossier, nom, 4096))
            numero = std::max(numero, LitJournal(*debut, nom, lettre).numero);
    }
    ++numero;
    QStringList noms;
    if (!id_.isEmpty())
        noms.append(id_);
    noms.append(base);
    for (int n = 2; n < 1000; ++n) noms.append(base + QStringLiteral("-%1").arg(n));
    ResultatFs cree{EEXIST, FileSystem::reason(EEXIST)};
    QString nom;
    for (const QString& essai : std::as_const(noms)) {
        nom = essai;
        cree = fs_->createFile(ouvert.dossier, nom + Extension.toString(), ouvert.fichier);
        if (cree.erreur != EEXIST)
            break;
    }
    ResultatFs ecrit = cree;
    if (cree.ok()) {
        QString entete = QStringLiteral(
                             "# Tidemark : journal du garage %1:\\_\n"
                             "# exécution\t%2\n"
                             "# %3\t%4\n"
                             "# date\t%5\n"
                             "# action\t%6\n")
                             .arg(lettre.toUpper())
                             .arg(nom, CleNumero.toString(), QString::number(numero),
                                  debut_.toString(Qt::ISODateWithMs), NomAction(action_));
        if (!source_.isEmpty())
            entete += QStringLiteral("# restaure\t%1\n").arg(source_);
        entete += QStringLiteral(
            "# colonnes\taction\tchemin d'origine\tchemin au garage\toctets\tmodification\n");
        ecrit = fs_->append(ouvert.fichier, entete.toUtf8());
        if (ecrit.ok() && id_.isEmpty())
            id_ = nom;
    }
    if (!ecrit.ok()) {
        // A journal whose header could not be written records nothing: it goes (a clean-up,
        // which the fault plan does not count).
        ouvert.fichier.ferme();
        if (cree.ok())
            FileSystem().forceRemove(ouvert.dossier.acces() + u'/' + nom + Extension.toString());
        avis_.append(QStringLiteral("le journal du garage %1:\\_ ne peut pas être écrit (%2)")
                         .arg(lettre.toUpper())
                         .arg(ecrit.raison));
        return;
    }
    ouvert.echec = false;
}

bool JournalGarage::note(const FichierJournal& fichier) {
    return ecritLignes({fichier}, fichier.action);
}

bool JournalGarage::note(const std::vector<FichierJournal>& fichiers) {
    return fichiers.empty() || ecritLignes(fichiers, fichiers.front().action);
}

void JournalGarage::annule(const FichierJournal& fichier) {
    ecritLignes({fichier}, ActionJournal::Annulation);
}

bool JournalGarage::ecritLignes(const std::vector<FichierJournal>& fichiers, ActionJournal action) {
    if (std::any_of(fichiers.begin(), fichiers.end(),
                    [](const FichierJournal& f) { return f.original.size() < 3; }))
        return false;
    std::vector<char16_t> lettres;
    std::unique_lock verrou(mutex_);
    for (const FichierJournal& fichier : fichiers) {
        const char16_t lettre = fichier.original[0].toUpper().unicode();
        FichierJournal ligne = fichier;
        ligne.action = action;
        attente_[lettre] += Ligne(ligne);
        if (std::find(lettres.begin(), lettres.end(), lettre) == lettres.end())
            lettres.push_back(lettre);
    }
    const quint64 ticket = ++deposees_;
    // The lines noted while one thread writes are written together by the next one, in one
    // write per drive: each thread returns once its own lines are written.
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
    return std::all_of(lettres.begin(), lettres.end(), [&](char16_t lettre) {
        const auto it = fichiers_.find(lettre);
        return it != fichiers_.end() && !it->second.echec;
    });
}

// Appends lines to the journal of a drive, opening it first; only the thread that writes
// comes here.
void JournalGarage::ecrit(char16_t lettre, const QByteArray& lignes) {
    auto it = fichiers_.find(lettre);
    if (it == fichiers_.end()) {
        it = fichiers_.try_emplace(lettre).first;
        ouvre(QChar(lettre), it->second);
    }
    if (it->second.echec)
        return;
    if (const ResultatFs r = fs_->append(it->second.fichier, lignes); !r.ok()) {
        avis_.append(QStringLiteral("le journal du garage %1:\\_ n'a pas pu être complété (%2)")
                         .arg(QChar(lettre))
                         .arg(r.raison));
        it->second.fichier.ferme();
        it->second.echec = true;
    }
}

}  // namespace tidemark
