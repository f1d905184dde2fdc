#include "garage/Journal.h"
#include "garage/Restauration.h"

#include "purge/AnalysePurge.h"
#include "purge/TraitementPurge.h"
#include "tests/purge/BancPurge.h"

#include <QDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <limits>
#include <map>
#include <memory>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>

// A name with a tab, which the journal escapes; Windows names may hold none, so a space there.
#ifdef _WIN32
#define ECROU "écrou M6"
#else
#define ECROU "écrou\tM6"
#endif

namespace tidemark {
namespace {

using test::BancPurge;

// Everything a restore must give back of a file: its bytes, modification time and mode.
using Etat = std::map<QString, std::tuple<QByteArray, qint64, unsigned>>;

Etat Photo(const test::TempTree& tree) {
    Etat etat;
    for (const QString& relatif : tree.tout()) {
#ifdef _WIN32
        const std::optional<InfoFichier> info = FileSystem().info(tree.chemin(relatif));
        const unsigned mode = FileSystem().isReadOnly(tree.chemin(relatif)) ? 0444 : 0644;
        etat[relatif] = {tree.contenu(relatif), info ? info->modificationNs : 0, mode};
#else
        struct stat s {};
        ::lstat(QFile::encodeName(tree.chemin(relatif)).constData(), &s);
        etat[relatif] = {tree.contenu(relatif),
                         qint64(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec, s.st_mode};
#endif
    }
    return etat;
}

// A tree of revisions, with dates and modes of their own, purged into the garage.
struct ArbrePurge {
    BancPurge banc;
    std::unique_ptr<test::MontageTmpfs> montage;
    Etat avant;

    explicit ArbrePurge(bool garageAilleurs = false) {
        // The garage on a file system of its own when one can be mounted: moves then copy.
        if (garageAilleurs) {
            banc.tree.dossier("_");
            montage = std::make_unique<test::MontageTmpfs>(banc.tree.chemin("_"));
        }
        banc.liste({"a/piston.prt.1", "a/piston.prt.2", "a/piston.prt.3", "a/b/c/bielle.prt.1",
                    "a/b/c/bielle.prt.2", "Pièces/" ECROU ".prt.1", "Pièces/" ECROU ".prt.2",
                    "w/x/trail.txt.1"});
        banc.tree.date("a/piston.prt.1", 1000000000);
        banc.lectureSeule("a/b/c/bielle.prt.1");
        ::chmod(QFile::encodeName(banc.tree.chemin("a/piston.prt.2")).constData(), 0750);
        banc.selectionne({0, 8});  // models, trail files
        avant = Photo(banc.tree);
    }
    QString Purger(const QDateTime& debut = QDateTime::currentDateTimeUtc()) {
        VisuPurge(banc.state, banc.lecteurs, banc.fs);
        JournalGarage journal(ActionJournal::Garage, banc.lecteurs, debut);
        ContexteGarage contexte(&journal);
        for (std::size_t i = 0; i < banc.state.TabFich.size(); ++i) {
            if (banc.state.EtatMarque[i] != EtatX && banc.state.EtatMarque[i] != EtatTiret)
                continue;
            EXPECT_TRUE(TraiteDoublon(banc.state.TabFich[i], ModeDisposition::Deplacer, 0,
                                      banc.state.InfosLues.trouve(qint32(i)), banc.lecteurs,
                                      banc.fs, &contexte)
                            .ok());
        }
        return journal.id();
    }
    std::vector<ExecutionJournal> Journaux() const { return LitJournaux(banc.lecteurs); }
};

struct Purge : ::testing::Test, ArbrePurge {};

TEST_F(Purge, UnePurgeAuGaragePuisSaRestaurationRendentLArbreALOctetPres) {
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    ASSERT_EQ(
        TraitementPurge(banc.state, ModeDisposition::Deplacer, banc.lecteurs, banc.fs).traitees, 5);
    ASSERT_NE(Photo(banc.tree), avant);
    std::vector<ExecutionJournal> journaux = Journaux();
    ASSERT_EQ(journaux.size(), 1u);
    EXPECT_EQ(journaux[0].action, ActionJournal::Garage);
    EXPECT_EQ(journaux[0].lignesIgnorees, 0);
    ASSERT_EQ(journaux[0].fichiers.size(), 5u);
    EXPECT_EQ(journaux[0].fichiers[3].original, u"C:\\Pièces\\" ECROU ".prt.1");
    EXPECT_EQ(journaux[0].fichiers[3].garage, u"C:\\_\\Pièces\\" ECROU ".prt.1");
    for (const LigneExecution& l : EtatExecution(journaux, journaux[0].id, banc.lecteurs, banc.fs))
        EXPECT_EQ(l.etat, EtatFichier::Garage) << l.fichier.original.toStdString();

    // One chosen file first, then the rest.
    const QString choisi = QStringLiteral("C:\\a\\piston.prt.2");
    ResultatGarage retour =
        RestaureExecution(journaux[0].id, banc.lecteurs, {}, banc.fs, false, {choisi});
    ASSERT_EQ(retour.faits.size(), 1u);
    EXPECT_EQ(retour.faits[0].original, choisi);
    EXPECT_TRUE(banc.tree.existe("a/piston.prt.2"));
    // Stopped before its second file: one more back, the others left in the garage for later.
    DemandeArret arret;
    arret.apres(2);
    retour = RestaureExecution(journaux[0].id, banc.lecteurs, {}, banc.fs, false, {}, {},
                               QDateTime::currentDateTimeUtc(), &arret);
    EXPECT_TRUE(retour.arrete);
    EXPECT_EQ(retour.faits.size(), 1u);
    retour = RestaureExecution(journaux[0].id, banc.lecteurs, {}, banc.fs, false);
    EXPECT_TRUE(retour.complet());
    EXPECT_EQ(retour.faits.size(), 3u);
    EXPECT_EQ(Photo(banc.tree), avant);
    EXPECT_EQ(QDir(banc.tree.chemin("_")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList())
        << "no empty garage folder is left";
    journaux = Journaux();
    ASSERT_EQ(journaux.size(), 4u);
    EXPECT_EQ(journaux[3].action, ActionJournal::Restauration);
    EXPECT_EQ(journaux[3].source, journaux[0].id);
    for (const LigneExecution& l : EtatExecution(journaux, journaux[0].id, banc.lecteurs, banc.fs))
        EXPECT_EQ(l.etat, EtatFichier::Restaure);
}

TEST_F(Purge, LaRestaurationNeRemplaceRienEtLaisseALaPurgeSuivanteLaCopieQuElleARemplacee) {
    const QString premiere = Purger(QDateTime::currentDateTimeUtc().addSecs(-60));
    // piston.prt.1 comes back at its place; bielle.prt.1 is purged again, another version.
    banc.tree.fichier("a/piston.prt.1", "revenu");
    ::chmod(QFile::encodeName(banc.tree.chemin("_/a/b/c/bielle.prt.1")).constData(), 0644);
    banc.liste({"a/b/c/bielle.prt.1", "a/b/c/bielle.prt.2"});
    banc.tree.fichier("a/b/c/bielle.prt.1", "nouvelle");
    banc.tree.date("a/b/c/bielle.prt.1", 1500000000);
    const QString seconde = Purger();

    ResultatGarage r = RestaureExecution(premiere, banc.lecteurs, {}, banc.fs, false);
    ASSERT_EQ(r.echecs.size(), 2u);
    EXPECT_EQ(r.echecs[0].chemin, u"C:\\a\\piston.prt.1");
    EXPECT_TRUE(r.echecs[0].raison.contains(u"occupe de nouveau sa place"));
    EXPECT_EQ(r.echecs[1].chemin, u"C:\\a\\b\\c\\bielle.prt.1");
    EXPECT_TRUE(r.echecs[1].raison.contains(seconde)) << r.echecs[1].raison.toStdString();
    EXPECT_EQ(banc.tree.contenu("a/piston.prt.1"), "revenu");
    EXPECT_EQ(banc.tree.contenu("_/a/piston.prt.1"), "a/piston.prt.1");
    EXPECT_EQ(banc.tree.contenu("Pièces/" ECROU ".prt.1"), "Pièces/" ECROU ".prt.1");

    r = RestaureExecution(seconde, banc.lecteurs, {}, banc.fs, false);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(banc.tree.contenu("a/b/c/bielle.prt.1"), "nouvelle");
    const std::vector<LigneExecution> lignes =
        EtatExecution(Journaux(), premiere, banc.lecteurs, banc.fs);
    std::map<QString, EtatFichier> etats;
    for (const LigneExecution& l : lignes) etats[l.fichier.original] = l.etat;
    EXPECT_EQ(etats[QStringLiteral(u"C:\\a\\piston.prt.1")], EtatFichier::Garage);
    EXPECT_EQ(etats[QStringLiteral(u"C:\\a\\b\\c\\bielle.prt.1")], EtatFichier::Manquant);
    EXPECT_EQ(etats[QStringLiteral(u"C:\\a\\piston.prt.2")], EtatFichier::Restaure);
}

// A restore that fails at any step leaves each file at its place or in the garage, whole,
// and a second restore finishes the work.
TEST_F(Purge, UneRestaurationQuiEchoueAChaqueEtapeNePerdRien) {
    for (const OperationFs operation :
         {OperationFs::CreeDossier, OperationFs::Renomme, OperationFs::Copie,
          OperationFs::Synchronise, OperationFs::Attributs, OperationFs::Supprime}) {
        for (int k = 1; k <= 3; ++k) {
            ArbrePurge essai(true);
            const QString id = essai.Purger();
            // The folder the purge emptied is gone: the restore makes it again.
            ASSERT_TRUE(QDir(essai.banc.tree.chemin("w")).removeRecursively());
            essai.banc.plan.echoue(operation, essai.banc.plan.compte(operation) + k, EIO);
            RestaureExecution(id, essai.banc.lecteurs, {}, essai.banc.fs, false);
            for (const auto& [relatif, fait] : essai.avant) {
                const QByteArray& octets = std::get<0>(fait);
                EXPECT_TRUE(essai.banc.tree.contenu(relatif) == octets ||
                            essai.banc.tree.contenu("_/" + relatif) == octets)
                    << relatif.toStdString() << " lost, " << int(operation) << "/" << k;
            }
            EXPECT_TRUE(
                RestaureExecution(id, essai.banc.lecteurs, {}, essai.banc.fs, false).complet());
            EXPECT_EQ(Photo(essai.banc.tree), essai.avant) << int(operation) << "/" << k;
        }
    }
}

// Every line of a run spells a date, by hand: as QDateTime spells it, read back to the
// nanosecond, from the first to the last time a line can hold.
TEST(Journal, LesDatesSEcriventCommeQDateTimeLesEcritEtSeRelisent) {
    constexpr qint64 Ns = 1000000000;
    for (const qint64 ns : {qint64(0), qint64(-1), Ns * 1796812481 + 123456789, Ns * 951782400,
                            Ns * 951868799 + 999999999, std::numeric_limits<qint64>::max(),
                            std::numeric_limits<qint64>::min() + 1}) {
        qint64 secondes = ns / Ns, reste = ns % Ns;
        if (reste < 0) {
            reste += Ns;
            --secondes;
        }
        const QString attendu = QDateTime::fromSecsSinceEpoch(secondes, QTimeZone::utc())
                                    .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
                                QStringLiteral(".%1Z").arg(reste, 9, 10, QChar(u'0'));
        EXPECT_EQ(DateNs(ns), attendu) << ns;
        EXPECT_EQ(LitDateNs(DateNs(ns)), ns) << ns;
    }
}

TEST(Journal, UnJournalAbimeOuEcritALaMainSeLitSansSortirDuLecteur) {
    const QByteArray date = "\t3\t2026-01-02T03:04:05.000000007Z\n";
    const QByteArray texte =
        "# Tidemark\n# date\t2026-01-02T03:04:05.000Z\n# action\tgarage\n"
        "garage\tC:\\a\\x.prt.1\tC:\\_\\a\\x.prt.1" +
        date +  // kept
        "garage\tC:\\a\\..\\..\\etc\\passwd\tC:\\_\\a\\..\\..\\etc\\passwd" + date +
        "garage\tC:\\..\\x\tC:\\_\\..\\x" + date +      // climbs out
        "garage\tD:\\a\\x\tD:\\_\\a\\x" + date +        // another drive
        "garage\tC:\\a\\x\tC:\\_\\b\\x" + date +        // not its garage path
        "garage\tC:\\_\\a\\x\tC:\\_\\_\\a\\x" + date +  // inside the garage
        "garage\tC:\\a\\\\x\tC:\\_\\a\\\\x" + date +    // empty component
        "garage\tC:/a/x\tC:\\_/a/x" + date +            // not the plain form
        "garage\tC:\\a\\x\tC:\\_\\a\\x\t-3\t2026-01-02T03:04:05.000000007Z\n"
        "garage\tC:\\a\\\xff\tC:\\_\\a\\\xff" +
        date +  // not UTF-8
        "frob\tC:\\a\\x\tC:\\_\\a\\x" + date + "garage\tC:\\a\\x\n" + "delete\tC:\\a\\y%09z\t" +
        date +                                                       // kept
        "restore\tC:\\a\\x.prt.1\tC:\\_\\a\\x.prt.1\t3\t2026-01-0";  // cut short
    const ExecutionJournal e = LitJournal(texte, "20260102T030405.000Z", u'C');
    ASSERT_EQ(e.fichiers.size(), 2u);
    const qint64 secondes =
        QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::utc()).toSecsSinceEpoch();
    EXPECT_EQ(e.fichiers[0], (FichierJournal{ActionJournal::Garage, "C:\\a\\x.prt.1",
                                             "C:\\_\\a\\x.prt.1", 3, secondes * 1000000000 + 7}));
    EXPECT_EQ(e.fichiers[1].original, u"C:\\a\\y\tz");
    EXPECT_EQ(e.lignesIgnorees, 12);
    EXPECT_EQ(e.date, QDateTime::fromString("2026-01-02T03:04:05.000Z", Qt::ISODateWithMs));

    // The same journal in a garage: its restore moves only the one file it may.
    TIDEMARK_SAUF_WINDOWS(
        "the journal's time ends in 7 ns, and Windows keeps times in 100 ns "
        "steps: no file can match it");
#ifndef _WIN32
    BancPurge banc;
    banc.tree.fichier("_/.tidemark/20260102T030405.000Z.txt", texte);
    banc.tree.fichier("_/a/x.prt.1", "abc");
    banc.tree.fichier("_/etc/passwd", "abc");
    banc.tree.fichier("_/x", "abc");
    const std::optional<QString> hote = banc.lecteurs.versHote("C:\\_\\a\\x.prt.1");
    const std::array<timespec, 2> dates{timespec{0, UTIME_OMIT}, timespec{secondes, 7}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(*hote).constData(), dates.data(), 0), 0);
    const ResultatGarage r =
        RestaureExecution("20260102T030405.000Z", banc.lecteurs, {}, banc.fs, false);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(banc.tree.tout(), (QStringList{"_/etc/passwd", "_/x", "a/x.prt.1"}));
#endif
}

TEST_F(Purge, ViderOuRestaurerSansGarageNeCreePasDeGarage) {
    EXPECT_TRUE(VideGarage(0, banc.lecteurs, {}, banc.fs, false).complet());
    EXPECT_FALSE(
        RestaureExecution(QStringLiteral("20261208T142441.123Z"), banc.lecteurs, {}, banc.fs, false)
            .trouvee);
    EXPECT_FALSE(banc.tree.existe("_"));
    EXPECT_EQ(Photo(banc.tree), avant);
}

TEST_F(Purge, ViderLeGarageGardeLesExecutionsPlusJeunes) {
    const QDateTime maintenant = QDateTime::currentDateTimeUtc();
    Purger(maintenant.addDays(-10));  // piston 1, 2; bielle 1; écrou 1; trail
    banc.liste({"b/bague.prt.1", "b/bague.prt.2"});
    Purger(maintenant.addDays(-1));
    banc.tree.fichier("_/inconnu/vieux", "v");
    banc.tree.date("_/inconnu/vieux", maintenant.addDays(-20).toSecsSinceEpoch());
    banc.tree.fichier("_/inconnu/jeune", "j");
    const QStringList garageAvant = banc.tree.tout();

    // A file no journal knows is dated by its arrival in the garage (just now), never by its
    // own modification time: "vieux" stays.
    ResultatGarage r = VideGarage(5, banc.lecteurs, {}, banc.fs, true, {}, maintenant);
    EXPECT_EQ(r.faits.size(), 5u);
    EXPECT_EQ(banc.tree.tout(), garageAvant) << "a dry run changes nothing";
    r = VideGarage(5, banc.lecteurs, {}, banc.fs, false, {}, maintenant);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.faits.size(), 5u);
    EXPECT_EQ(
        banc.tree.tout(),
        (QStringList{"Pièces/" ECROU ".prt.2", "_/b/bague.prt.1", "_/inconnu/jeune",
                     "_/inconnu/vieux", "a/b/c/bielle.prt.2", "a/piston.prt.3", "b/bague.prt.2"}));
    EXPECT_FALSE(banc.tree.existe("_/a")) << "emptied garage folders go";
    EXPECT_EQ(Journaux().back().action, ActionJournal::Suppression);
    EXPECT_EQ(Journaux().back().fichiers.size(), 5u);

    EXPECT_EQ(VideGarage(0, banc.lecteurs, {}, banc.fs, false, {}, maintenant).faits.size(), 3u);
    EXPECT_EQ(QDir(banc.tree.chemin("_"))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{".tidemark"})
        << "the journals stay";
    EXPECT_EQ(Journaux().size(), 4u);
}

TEST_F(Purge, UneHorlogeReculeeNeChangeNiLOrdreNiLAgeDesExecutions) {
    const QDateTime maintenant = QDateTime::currentDateTimeUtc();
    const QString premiere = Purger(maintenant.addSecs(-3600));
    banc.liste({"b/bague.prt.1", "b/bague.prt.2"});
    const QString seconde = Purger(maintenant.addDays(-2));  // the clock set two days back
    const std::vector<ExecutionJournal> journaux = Journaux();
    ASSERT_EQ(journaux.size(), 2u);
    EXPECT_EQ(journaux[0].id, premiere);
    EXPECT_EQ(journaux[1].id, seconde) << "the later run is the last, whatever its date";
    EXPECT_EQ(journaux[1].numero, journaux[0].numero + 1);
    EXPECT_EQ(journaux[1].ordre, journaux[0].ordre) << "never older than the run before it";
    const QStringList garage = banc.tree.tout();
    EXPECT_TRUE(VideGarage(1, banc.lecteurs, {}, banc.fs, false, {}, maintenant).faits.empty());
    EXPECT_EQ(banc.tree.tout(), garage);
}

TEST_F(Purge, UneLigneDontLeFichierNEstPasPartiSeLitEnPlaceEtNEstPasRestauree) {
    banc.plan.echoue(OperationFs::Renomme, 2, EACCES);
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    const ResultatTraitement r = TraitementPurge(banc.state, ModeDisposition::Deplacer,
                                                 banc.lecteurs, banc.fs, {}, {}, nullptr, 1);
    ASSERT_EQ(r.echecs.size(), 1u);
    const std::vector<ExecutionJournal> journaux = Journaux();
    ASSERT_EQ(journaux.size(), 1u);
    EXPECT_EQ(journaux[0].fichiers.size(), 5u);
    EXPECT_EQ(journaux[0].nombre(), 4);
    for (const LigneExecution& l : EtatExecution(journaux, journaux[0].id, banc.lecteurs, banc.fs))
        EXPECT_EQ(l.etat, l.fichier.original == r.echecs[0].chemin ? EtatFichier::EnPlace
                                                                   : EtatFichier::Garage);
    const ResultatGarage retour =
        RestaureExecution(journaux[0].id, banc.lecteurs, {}, banc.fs, false);
    EXPECT_TRUE(retour.complet());
    EXPECT_EQ(retour.faits.size(), 4u);
    EXPECT_EQ(Photo(banc.tree), avant);
}

TEST_F(Purge, UnJournalQuiNEstPasUnFichierOuUnDossierDeJournauxLienSontRefuses) {
    TIDEMARK_SAUF_WINDOWS("named pipes and links need what Windows lacks or guards");
    Purger();
    banc.tree.piege("_/.tidemark/tube.txt", test::TempTree::Piege::Tube);
    banc.tree.lien("_/.tidemark/lien.txt", "/etc/passwd");
    QStringList avis;
    EXPECT_EQ(LitJournaux(banc.lecteurs, {}, &avis).size(), 1u);
    ASSERT_EQ(avis.size(), 2) << avis.join(u'\n').toStdString();
    EXPECT_TRUE(avis[0].contains(u"lien.txt") && avis[1].contains(u"tube.txt"));

    // The journal folder a link to a folder on no drive: neither read nor written through.
    test::TempTree dehors;
    ASSERT_TRUE(QDir().rename(banc.tree.chemin("_/.tidemark"), dehors.chemin("tidemark")));
    banc.tree.lien("_/.tidemark", dehors.chemin("tidemark"));
    avis.clear();
    EXPECT_TRUE(LitJournaux(banc.lecteurs, {}, &avis).empty());
    EXPECT_EQ(avis.size(), 1);
    banc.liste({"b/bague.prt.1", "b/bague.prt.2"});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    const QStringList journauxDehors = QDir(dehors.chemin("tidemark")).entryList(QDir::Files);
    const ResultatTraitement r =
        TraitementPurge(banc.state, ModeDisposition::Deplacer, banc.lecteurs, banc.fs);
    EXPECT_EQ(r.traitees, 0);
    EXPECT_EQ(r.echecs.size(), 1u);
    EXPECT_EQ(banc.tree.contenu("b/bague.prt.1"), "b/bague.prt.1");
    EXPECT_EQ(QDir(dehors.chemin("tidemark")).entryList(QDir::Files), journauxDehors);
}

}  // namespace
}  // namespace tidemark
