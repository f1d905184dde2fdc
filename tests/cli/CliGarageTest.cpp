// tidemark-cli garage: the journal of a purge, its restore, the garage emptied.
#include "core/Parallele.h"
#include "purge/TraitementPurge.h"
#include "tests/cli/LanceCli.h"
#include "tests/support/TempTree.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QSet>

#include <gtest/gtest.h>

#include <csignal>

namespace tidemark {
namespace {

struct Cli {
    test::TempTree arbre, reglages;
    test::Sortie operator()(const QStringList& arguments) {
        return test::LanceCli(arguments, arbre.chemin(), reglages.chemin());
    }
};

TEST(CliGarage, ListeMontreRestaureEtVideLeGarageDUnePurge) {
    Cli cli;
    cli.arbre.fichier("proj/a.prt.1", "a1");
    cli.arbre.fichier("proj/a.prt.2", "a2");
    cli.arbre.fichier("proj/sous/b.prt.1", "b1");
    cli.arbre.fichier("proj/sous/b.prt.2", "b2");
    ASSERT_EQ(cli({"purge", "-r", "--types", "prt", "--garage", cli.arbre.chemin("proj")}).code, 0);

    test::Sortie s = cli({"garage", "list"});
    ASSERT_EQ(s.code, 0) << s.erreurs.toStdString();
    ASSERT_EQ(s.lignes.size(), 1);
    const QStringList champs = s.lignes[0].split(u'\t');
    ASSERT_EQ(champs.size(), 5);
    EXPECT_TRUE(QDateTime::fromString(champs[1], Qt::ISODateWithMs).isValid());
    EXPECT_EQ(champs.sliced(2), (QStringList{"garage", "2", "4"}));
    const QString id = champs[0];
    const QString a = "\tC:\\proj\\a.prt.1\tC:\\_\\proj\\a.prt.1";
    const QString b = "\tC:\\proj\\sous\\b.prt.1\tC:\\_\\proj\\sous\\b.prt.1";
    EXPECT_EQ(cli({"garage", "show", id}).lignes, (QStringList{"garage" + a, "garage" + b}));

    const QStringList avant = cli.arbre.tout();
    s = cli({"garage", "restore", "--last", "--dry-run"});
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.lignes.size(), 2);
    EXPECT_EQ(cli.arbre.tout(), avant);

    // a.prt.1 is back at its place before the restore: it stays in the garage.
    cli.arbre.fichier("proj/a.prt.1", "revenu");
    s = cli({"garage", "--drive", "c", "restore", id});
    EXPECT_EQ(s.code, 1);
    EXPECT_TRUE(s.erreurs.contains("C:\\proj\\a.prt.1 : un autre fichier occupe"))
        << s.erreurs.toStdString();
    EXPECT_EQ(cli.arbre.contenu("proj/a.prt.1"), "revenu");
    EXPECT_EQ(cli.arbre.contenu("_/proj/a.prt.1"), "a1");
    EXPECT_EQ(cli.arbre.contenu("proj/sous/b.prt.1"), "b1");
    EXPECT_EQ(cli({"garage", "show", id}).lignes, (QStringList{"garage" + a, "restored" + b}));

    // Emptying says how old, or destroys nothing.
    s = cli({"garage", "empty"});
    EXPECT_EQ(s.code, 2);
    EXPECT_TRUE(s.lignes.isEmpty());
    s = cli({"garage", "empty", "--older-than", "0", "--dry-run"});
    EXPECT_EQ(s.lignes, QStringList{"C:\\_\\proj\\a.prt.1"});
    EXPECT_TRUE(cli.arbre.existe("_/proj/a.prt.1"));
    s = cli({"garage", "empty", "--older-than", "0"});
    EXPECT_EQ(s.code, 0) << s.erreurs.toStdString();
    EXPECT_EQ(s.lignes, QStringList{"C:\\_\\proj\\a.prt.1"});
    EXPECT_EQ(cli({"garage", "show", id}).lignes, (QStringList{"missing" + a, "restored" + b}));
    QStringList actions;
    for (const QString& ligne : cli({"garage", "list"}).lignes)
        actions.append(ligne.section(u'\t', 2, 2));
    EXPECT_EQ(actions, (QStringList{"delete", "restore", "garage"}));

    // A purge that destroys is journaled too (a.prt.1, back at its place, goes with it).
    cli.arbre.fichiers({"proj/c.prt.1", "proj/c.prt.2"});
    ASSERT_EQ(cli({"purge", "--types", "prt", "--delete", cli.arbre.chemin("proj")}).code, 0);
    const QString efface = cli({"garage", "list"}).lignes.value(0);
    EXPECT_EQ(efface.section(u'\t', 2, 3), "delete\t2");
    EXPECT_EQ(cli({"garage", "show", efface.section(u'\t', 0, 0)}).lignes,
              (QStringList{"deleted\tC:\\proj\\a.prt.1\t", "deleted\tC:\\proj\\c.prt.1\t"}));
}

TEST(CliGarage, UnUsageIncorrectSortAvecLeCode2) {
    Cli cli;
    for (const QStringList& arguments : {QStringList{"garage"},
                                         {"garage", "frob"},
                                         {"garage", "show"},
                                         {"garage", "list", "x"},
                                         {"garage", "--drive", "Q", "list"},
                                         {"garage", "empty", "--older-than", "-1"},
                                         {"garage", "empty", "--dry-run"},
                                         {"garage", "list", "--dry-run"},
                                         {"garage", "show", "20990101T000000.000Z"},
                                         {"garage", "restore", "--last"}}) {
        const test::Sortie s = cli(arguments);
        EXPECT_EQ(s.code, 2) << arguments.join(u' ').toStdString();
        EXPECT_EQ(s.erreurs.count(u'\n'), 1) << s.erreurs.toStdString();
    }
}

// A purge killed half-way: every file that left its place is in the journal and in the garage.
TEST(CliGarage, UnePurgeTueeLaisseUnJournalDeChaqueFichierParti) {
    Cli cli;
    QStringList fichiers;
    for (int d = 0; d < 200; ++d) {
        for (int m = 0; m < 30; ++m) {
            const QString modele =
                QStringLiteral("proj/d%1/m%2.prt.").arg(d, 3, 10, QChar(u'0')).arg(m);
            cli.arbre.fichier(modele + "1", "1");
            cli.arbre.fichier(modele + "2", "2");
            fichiers.append(modele + "1");
        }
    }
    auto p =
        test::DemarreCli({"purge", "-r", "--types", "prt", "--garage", cli.arbre.chemin("proj")},
                         cli.arbre.chemin(), cli.reglages.chemin());
    QElapsedTimer chrono;
    chrono.start();
    while (!QDir(cli.arbre.chemin("_/proj/d003")).exists() && chrono.elapsed() < 30000 &&
           p->state() != QProcess::NotRunning)
        p->waitForFinished(1);
    ASSERT_EQ(p->state(), QProcess::Running) << "the purge ended before it could be killed";
    p->kill();  // SIGKILL on Linux, TerminateProcess on Windows
    p->waitForFinished(10000);

    const QStringList runs = cli({"garage", "list"}).lignes;
    ASSERT_EQ(runs.size(), 1);
    const test::Sortie s = cli({"garage", "show", runs[0].section(u'\t', 0, 0)});
    ASSERT_EQ(s.code, 0) << s.erreurs.toStdString();
    // A line is written before its file goes: every file that went has one ("garage"), and a
    // line whose move the kill prevented finds its file at its place ("in-place").
    QSet<QString> auGarage, enPlace;
    for (const QString& ligne : s.lignes) {
        const QStringList champs = ligne.split(u'\t');
        ASSERT_EQ(champs.size(), 3);
        ASSERT_TRUE(champs[0] == "garage" || champs[0] == "in-place") << ligne.toStdString();
        (champs[0] == "garage" ? auGarage : enPlace).insert(champs[1]);
    }
    int partis = 0;
    for (const QString& relatif : std::as_const(fichiers)) {
        const QString lecteur = "C:\\" + QString(relatif).replace(u'/', u'\\');
        if (cli.arbre.existe(relatif)) {
            EXPECT_FALSE(auGarage.contains(lecteur)) << relatif.toStdString();
            continue;
        }
        ++partis;
        EXPECT_TRUE(auGarage.contains(lecteur)) << relatif.toStdString();
        EXPECT_TRUE(cli.arbre.existe("_/" + relatif)) << relatif.toStdString();
    }
    // The files of d000 to d002 went before d003 was made, but those the threads still had
    // under way.
    EXPECT_GE(partis, 90 - int(FilsLecture));
    EXPECT_LT(partis, fichiers.size()) << "killed part-way";
    EXPECT_EQ(auGarage.size(), partis);
    // Lines are written ahead of their files, a batch at a time.
    EXPECT_LE(enPlace.size(), int(LignesEnAvance));
}

}  // namespace
}  // namespace tidemark
