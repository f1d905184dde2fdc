#include "purge/TraitementPurge.h"

#include "core/NomsFichier.h"
#include "garage/Journal.h"
#include "inventory/Marquage.h"
#include "purge/AnalysePurge.h"
#include "tests/purge/BancPurge.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tidemark {
namespace {

using test::BancPurge;

constexpr int Prt = 0, Trail = 8, Xas = 11;

ResultatTraitement Purge(BancPurge& banc, ModeDisposition mode) {
    return TraitementPurge(banc.state, mode, banc.lecteurs, banc.fs);
}

TEST(TraitementPurge, DeplacerMetLesFichiersMarquesAuGarageEtGardeLesAutres) {
    BancPurge banc;
    banc.liste({"proj/model.xas", "proj/piston.prt.1", "proj/piston.prt.2", "proj/piston.prt.3",
                "proj/seul.prt.2", "proj/trail.txt.1"});
    banc.selectionne({Prt, Trail, Xas});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    ASSERT_EQ(banc.etats(), "-XXM.-");

    std::vector<std::pair<qsizetype, qsizetype>> progression;
    const ResultatTraitement r =
        TraitementPurge(banc.state, ModeDisposition::Deplacer, banc.lecteurs, banc.fs,
                        [&](qsizetype f, qsizetype t) { progression.emplace_back(f, t); });
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.marquees, 4);
    EXPECT_EQ(r.traitees, 4);
    EXPECT_EQ(r.sansControle, 0);
    EXPECT_EQ(banc.tree.tout(),
              (QStringList{"_/proj/model.xas", "_/proj/piston.prt.1", "_/proj/piston.prt.2",
                           "_/proj/trail.txt.1", "proj/piston.prt.3", "proj/seul.prt.2"}));
    EXPECT_EQ(banc.tree.contenu(QStringLiteral("_/proj/piston.prt.1")), "proj/piston.prt.1");
    EXPECT_EQ(progression, (std::vector<std::pair<qsizetype, qsizetype>>{
                               {0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));
    EXPECT_EQ(banc.etats(), "-XXM.-") << "the run leaves the state to the rescan";
}

TEST(TraitementPurge, DetruireEffaceLesFichiersMarques) {
    BancPurge banc;
    banc.liste({"a/piston.prt.1", "a/piston.prt.2", "b/piston.prt.1", "b/piston.prt.2"});
    banc.selectionne({Prt});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    const ResultatTraitement r = Purge(banc, ModeDisposition::Detruire);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.traitees, 2);
    EXPECT_EQ(banc.tree.tout(), (QStringList{"a/piston.prt.2", "b/piston.prt.2"}));
}

TEST(TraitementPurge, UneSecondePurgeRemplaceLaCopieDuGarage) {
    BancPurge banc;
    banc.liste({"proj/piston.prt.1", "proj/piston.prt.2"});
    banc.selectionne({Prt});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    ASSERT_TRUE(Purge(banc, ModeDisposition::Deplacer).complet());

    // The same name comes back (a restored older revision) and is purged again.
    banc.tree.fichier(QStringLiteral("proj/piston.prt.1"), "seconde");
    banc.lectureSeule("_/proj/piston.prt.1");
    banc.liste({"proj/piston.prt.1", "proj/piston.prt.2"});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    const ResultatTraitement r = Purge(banc, ModeDisposition::Deplacer);
    EXPECT_TRUE(r.complet()) << ComposeMessageEchecs(r.echecs).details.toStdString();
    EXPECT_EQ(banc.tree.contenu(QStringLiteral("_/proj/piston.prt.1")), "seconde");
    EXPECT_EQ(banc.tree.tout(), (QStringList{"_/proj/piston.prt.1", "proj/piston.prt.2"}));
}

TEST(TraitementPurge, RegleDeLectureSeule) {
    const struct {
        const char* nom;
        ModeDisposition mode;
        int valCaches;
        bool reste;
        qsizetype laissees;
    } lignes[] = {
        {"Détruire without the flag: stays, silently", ModeDisposition::Detruire, 0, true, 1},
        {"Détruire with the flag: deleted", ModeDisposition::Detruire, 1, false, 0},
        {"Deplacer without the flag: moved", ModeDisposition::Deplacer, 0, false, 0},
    };
    for (const auto& l : lignes) {
        BancPurge banc;
        banc.liste({"p/a.prt.1", "p/a.prt.2", "p/a.prt.3"});
        banc.lectureSeule("p/a.prt.1");
        banc.selectionne({Prt});
        banc.state.options.ValCaches = l.valCaches;
        VisuPurge(banc.state, banc.lecteurs, banc.fs);
        const ResultatTraitement r = Purge(banc, l.mode);
        EXPECT_TRUE(r.complet()) << l.nom;
        EXPECT_EQ(r.laissees, l.laissees) << l.nom;
        EXPECT_EQ(r.traitees, 2 - l.laissees) << l.nom;
        EXPECT_EQ(banc.tree.existe(QStringLiteral("p/a.prt.1")), l.reste) << l.nom;
        EXPECT_FALSE(banc.tree.existe(QStringLiteral("p/a.prt.2"))) << l.nom;
        EXPECT_EQ(r.cheminsLaisses,
                  l.reste ? QStringList{QStringLiteral("C:\\p\\a.prt.1")} : QStringList())
            << l.nom;
        if (l.reste) {
            // After the rescan the survivor is listed and marked again.
            banc.liste({"p/a.prt.1", "p/a.prt.3"});
            VisuPurge(banc.state, banc.lecteurs, banc.fs);
            EXPECT_EQ(banc.etats(), "XM") << l.nom;
        }
    }
}

TEST(TraitementPurge, UnFichierChangeOuDisparuDepuisLAnalyseEstLaisseEtSignale) {
    const struct {
        const char* nom;
        void (*change)(BancPurge&);
        const char16_t* raison;
    } lignes[] = {
        {"rewritten, other size",
         [](BancPurge& b) {
             b.tree.fichier(QStringLiteral("p/a.prt.2"), "enregistré depuis l'analyse");
         },
         u"le fichier a changé (taille ou date) depuis qu'il a été lu ; il est laissé en place"},
        {"touched, same size",
         [](BancPurge& b) { b.tree.date(QStringLiteral("p/a.prt.2"), 1'234'567); },
         u"le fichier a changé (taille ou date) depuis qu'il a été lu ; il est laissé en place"},
        {"vanished",
         [](BancPurge& b) {
             ASSERT_TRUE(b.fs.forceRemove(b.tree.chemin(QStringLiteral("p/a.prt.2"))).ok());
         },
         u"le fichier a disparu depuis qu'il a été lu ; rien n'a été fait"},
    };
    for (const auto& l : lignes) {
        for (const ModeDisposition mode : {ModeDisposition::Detruire, ModeDisposition::Deplacer}) {
            BancPurge banc;
            banc.liste({"p/a.prt.1", "p/a.prt.2", "p/a.prt.3", "p/a.prt.4"});
            banc.selectionne({Prt});
            VisuPurge(banc.state, banc.lecteurs, banc.fs);
            l.change(banc);
            const QByteArray apres = banc.tree.contenu(QStringLiteral("p/a.prt.2"));

            const ResultatTraitement r = Purge(banc, mode);
            ASSERT_EQ(r.echecs.size(), 1u) << l.nom;
            EXPECT_EQ(r.echecs[0].chemin, QStringLiteral("C:\\p\\a.prt.2")) << l.nom;
            EXPECT_EQ(r.echecs[0].raison, QString::fromUtf16(l.raison)) << l.nom;
            EXPECT_EQ(r.traitees, 2) << l.nom;
            EXPECT_EQ(banc.tree.contenu(QStringLiteral("p/a.prt.2")), apres) << l.nom;
            EXPECT_FALSE(banc.tree.existe(QStringLiteral("_/p/a.prt.2"))) << l.nom;
            EXPECT_FALSE(banc.tree.existe(QStringLiteral("p/a.prt.1"))) << l.nom;
            EXPECT_FALSE(banc.tree.existe(QStringLiteral("p/a.prt.3"))) << l.nom;
        }
    }
}

// A revision goes only while the kept revisions of its model stand as the analysis read
// them; otherwise every marked revision of that model stays, and each is reported.
TEST(TraitementPurge, UnModeleDontUneRevisionGardeeAChangeResteEntier) {
    const struct {
        const char* nom;
        void (*change)(BancPurge&);
    } lignes[] = {
        {"kept revision deleted", [](BancPurge& b) { QFile::remove(b.tree.chemin("p/a.prt.3")); }},
        {"kept revision rewritten", [](BancPurge& b) { b.tree.fichier("p/a.prt.3", "autre"); }},
        {"kept revision replaced by a copy with its size and date",
         [](BancPurge& b) {
             const QString chemin = b.tree.chemin("p/a.prt.3");
             const QFileInfo avant(chemin);
             ASSERT_TRUE(QFile::rename(chemin, chemin + ".bak"));
             ASSERT_TRUE(QFile::copy(chemin + ".bak", chemin));
             QFile f(chemin);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             ASSERT_TRUE(f.setFileTime(avant.lastModified(), QFileDevice::FileModificationTime));
         }},
    };
    for (const auto& l : lignes) {
        BancPurge banc;
        banc.liste({"p/a.prt.1", "p/a.prt.2", "p/a.prt.3", "p/b.prt.1", "p/b.prt.2"});
        banc.selectionne({Prt});
        VisuPurge(banc.state, banc.lecteurs, banc.fs);
        ASSERT_EQ(banc.etats(), "XXMXM");
        l.change(banc);
        const ResultatTraitement r = Purge(banc, ModeDisposition::Deplacer);
        EXPECT_EQ(r.traitees, 1) << l.nom;
        EXPECT_TRUE(banc.tree.existe("_/p/b.prt.1")) << l.nom;
        EXPECT_EQ(banc.tree.contenu("p/a.prt.1"), "p/a.prt.1") << l.nom;
        EXPECT_EQ(banc.tree.contenu("p/a.prt.2"), "p/a.prt.2") << l.nom;
        ASSERT_EQ(r.echecs.size(), 2u) << l.nom;
        EXPECT_EQ(r.echecs[1].chemin, u"C:\\p\\a.prt.2");
        EXPECT_EQ(r.echecs[0].raison,
                  u"la révision gardée « C:\\p\\a.prt.3 » a changé ou disparu "
                  u"depuis l'analyse ; les révisions de ce modèle sont "
                  u"laissées en place");
    }
}

// A run killed (SIGKILL) at each counted step of its moves into a garage on another file
// system, over older garage copies, then run again as a user would: no file is lost, no
// hidden temporary file is left, and each older copy is under its name or replaced.
TEST(TraitementPurge, TueeAChaqueEtapePuisRelanceeNePerdRien) {
    TIDEMARK_SAUF_WINDOWS(
        "no fork() to kill a copy of the process at each step; the same "
        "moves are killed from outside in CliGarageTest");
#ifndef _WIN32
    const std::vector<const char*> fichiers = {"p/a.prt.1", "p/a.prt.2", "p/a.prt.3", "q/b.prt.1",
                                               "q/b.prt.2"};
    const QByteArray gros((3 << 19) + 5, 'g');  // copied in two chunks
    // The tree, with a garage that is a file system of its own.
    const auto prepare = [&](BancPurge& banc, std::unique_ptr<test::MontageTmpfs>& montage) {
        banc.tree.dossier("_");
        montage = std::make_unique<test::MontageTmpfs>(banc.tree.chemin("_"));
        if (!montage->monte())
            return;
        banc.tree.fichier("p/a.prt.1", gros);
        banc.tree.fichier("_/p/a.prt.1", "ancienne copie de a.1");
        banc.tree.fichier("_/q/b.prt.1", "ancienne copie de b.1");
        banc.liste(fichiers);
        banc.selectionne({Prt});
        VisuPurge(banc.state, banc.lecteurs, banc.fs);
    };
    const auto contenu = [&](const char* f) {
        return QByteArray(f) == "p/a.prt.1" ? gros : QByteArray(f);
    };
    int etapes = 0;
    {
        BancPurge banc;
        std::unique_ptr<test::MontageTmpfs> montage;
        prepare(banc, montage);
        if (!montage->monte())
            GTEST_SKIP() << montage->raison().toStdString();
        ASSERT_TRUE(Purge(banc, ModeDisposition::Deplacer).complet());
        for (int op = 0; op < int(OperationFs::Nombre); ++op)
            etapes += banc.plan.compte(OperationFs(op));
    }
    ASSERT_GE(etapes, 20);
    for (int k = 1; k <= etapes; ++k) {
        SCOPED_TRACE(testing::Message() << "killed before step " << k);
        BancPurge banc;
        std::unique_ptr<test::MontageTmpfs> montage;
        prepare(banc, montage);
        const pid_t enfant = ::fork();
        if (enfant == 0) {
            int n = 0;
            banc.plan.avantEtape = [&](OperationFs, int) {
                if (++n == k)
                    ::raise(SIGKILL);
            };
            Purge(banc, ModeDisposition::Deplacer);
            ::_exit(0);
        }
        int statut = 0;
        ASSERT_EQ(::waitpid(enfant, &statut, 0), enfant);
        ASSERT_TRUE(WIFSIGNALED(statut));
        // Right after the kill: each file at its place or in the garage with its bytes.
        for (const char* f : fichiers) {
            const QString place = QString::fromUtf8(f);
            EXPECT_TRUE((banc.tree.existe(place) && banc.tree.contenu(place) == contenu(f)) ||
                        banc.tree.contenu("_/" + place) == contenu(f))
                << f;
        }
        // Every file that left is named by a line written before it went.
        QSet<QString> notes;
        for (const ExecutionJournal& e : LitJournaux(banc.lecteurs)) {
            for (const FichierJournal& f : e.fichiers) notes.insert(f.original);
        }
        for (const char* f : fichiers) {
            if (!banc.tree.existe(QString::fromUtf8(f))) {
                EXPECT_TRUE(notes.contains(BancPurge::Lecteur(QString::fromUtf8(f)))) << f;
            }
        }
        // Run again on what the disk now holds.
        banc.state.TabFich.clear();
        for (const char* f : fichiers) {
            if (banc.tree.existe(QString::fromUtf8(f)))
                banc.state.TabFich.push_back(BancPurge::Lecteur(QString::fromUtf8(f)));
        }
        banc.state.EtatMarque.assign(banc.state.TabFich.size(), EtatVide);
        banc.state.InfosLues.clear();
        VisuPurge(banc.state, banc.lecteurs, banc.fs);
        EXPECT_TRUE(Purge(banc, ModeDisposition::Deplacer).complet());
        EXPECT_EQ(banc.tree.tout(), (QStringList{"_/p/a.prt.1", "_/p/a.prt.2", "_/q/b.prt.1",
                                                 "p/a.prt.3", "q/b.prt.2"}));
        for (const char* f : {"p/a.prt.1", "p/a.prt.2", "q/b.prt.1"})
            EXPECT_EQ(banc.tree.contenu("_/" + QString::fromUtf8(f)), contenu(f)) << f;
    }
#endif
}

// What happens to the disk between two files of one run, at the moment the fault plan picks:
// before the second delete or move (one thread, so the moment is exact).
struct EnCoursDeRoute {
    BancPurge banc;
    EnCoursDeRoute() {
        banc.liste({"p/a.prt.1", "p/a.prt.2", "p/a.prt.3", "p/a.prt.4", "p/a.prt.5", "p/a.prt.6"});
        banc.selectionne({Prt});
        VisuPurge(banc.state, banc.lecteurs, banc.fs);
    }
    ResultatTraitement lance(ModeDisposition mode, const std::function<void()>& action) {
        const OperationFs etape =
            mode == ModeDisposition::Detruire ? OperationFs::Supprime : OperationFs::Renomme;
        banc.plan.avantEtape = [&, etape](OperationFs operation, int rang) {
            if (operation == etape && rang == 2)
                action();
        };
        return TraitementPurge(banc.state, mode, banc.lecteurs, banc.fs, {}, {}, nullptr, 1);
    }
};

TEST(TraitementPurge, UneRevisionGardeeQuiChangeEnCoursDeRouteGardeLeResteDuModele) {
    const struct {
        const char* nom;
        std::function<void(test::TempTree&)> change;
    } lignes[] = {
        {"removed", [](test::TempTree& t) { QFile::remove(t.chemin("p/a.prt.6")); }},
        {"rewritten", [](test::TempTree& t) { t.fichier("p/a.prt.6", "autres octets"); }},
        {"made a link to another revision",
         [](test::TempTree& t) {
             QFile::remove(t.chemin("p/a.prt.6"));
             t.lien("p/a.prt.6", t.chemin("p/a.prt.5"));
         }},
    };
    for (const ModeDisposition mode : {ModeDisposition::Detruire, ModeDisposition::Deplacer}) {
        for (const auto& l : lignes) {
            SCOPED_TRACE(testing::Message()
                         << l.nom << (mode == ModeDisposition::Detruire ? ", delete" : ", garage"));
#ifdef _WIN32
            if (std::string(l.nom).find("link") != std::string::npos)
                continue;  // links need a privilege on Windows
#endif
            EnCoursDeRoute route;
            ASSERT_EQ(route.banc.etats(), "XXXXXM");
            const ResultatTraitement r = route.lance(mode, [&] { l.change(route.banc.tree); });
            // The first two went (the second's check came before the change); the rest stays.
            EXPECT_EQ(r.traitees, 2);
            ASSERT_EQ(r.echecs.size(), 3u);
            EXPECT_TRUE(r.echecs[0].raison.startsWith(u"la révision gardée « C:\\p\\a.prt.6 »"));
            for (const char* reste : {"p/a.prt.3", "p/a.prt.4", "p/a.prt.5"})
                EXPECT_EQ(route.banc.tree.contenu(reste), reste);
        }
    }
}

TEST(TraitementPurge, UnDossierDuGarageRemplaceParUnLienNeFaitRienEcrireAuDehors) {
    TIDEMARK_SAUF_WINDOWS("links need a privilege; a held folder cannot be renamed there");
    test::TempTree dehors;  // on no drive
    EnCoursDeRoute route;
    test::TempTree& t = route.banc.tree;
    const ResultatTraitement r = route.lance(ModeDisposition::Deplacer, [&] {
        ASSERT_TRUE(QDir().rename(t.chemin("_/p"), t.chemin("_/p-ancien")));
        t.lien("_/p", dehors.chemin());
    });
    EXPECT_TRUE(dehors.tout().isEmpty()) << dehors.tout().join(u' ').toStdString();
    // The second file was already on its way into the folder held, renamed since; the others
    // meet the link and stay.
    EXPECT_EQ(t.tout(), (QStringList{"_/p-ancien/a.prt.1", "_/p-ancien/a.prt.2", "p/a.prt.3",
                                     "p/a.prt.4", "p/a.prt.5", "p/a.prt.6"}));
    ASSERT_EQ(r.echecs.size(), 3u);
    EXPECT_EQ(r.echecs[0].raison,
              u"« C:\\_\\p » est un lien symbolique : rien n'est écrit au "
              u"travers ; le fichier reste en place");
}

TEST(TraitementPurge, UnJournalQuiNePeutPlusEcrireArreteLaPurge) {
    for (const ModeDisposition mode : {ModeDisposition::Detruire, ModeDisposition::Deplacer}) {
        EnCoursDeRoute route;
        // Its header is the first write, the first file's line the second: the third fails.
        route.banc.plan.echoue(OperationFs::Ecrit, 3, ENOSPC);
        const ResultatTraitement r = TraitementPurge(route.banc.state, mode, route.banc.lecteurs,
                                                     route.banc.fs, {}, {}, nullptr, 1);
        EXPECT_EQ(r.traitees, 1);
        EXPECT_EQ(r.echecs.size(), 4u);
        EXPECT_FALSE(route.banc.tree.existe("p/a.prt.1"));
        for (const char* reste : {"p/a.prt.2", "p/a.prt.3", "p/a.prt.4", "p/a.prt.5"})
            EXPECT_EQ(route.banc.tree.contenu(reste), reste);
        const std::vector<ExecutionJournal> journaux = LitJournaux(route.banc.lecteurs);
        ASSERT_EQ(journaux.size(), 1u);
        ASSERT_EQ(journaux[0].nombre(), 1);
        EXPECT_EQ(journaux[0].fichiers[0].original, u"C:\\p\\a.prt.1");
        ASSERT_EQ(r.avisJournal.size(), 1);
    }
    // Its very first write, the header, fails: nothing goes, and no empty journal stays.
    EnCoursDeRoute route;
    route.banc.plan.echoue(OperationFs::Ecrit, 1, ENOSPC);
    const ResultatTraitement r = Purge(route.banc, ModeDisposition::Deplacer);
    EXPECT_EQ(r.traitees, 0);
    EXPECT_EQ(r.echecs.size(), 5u);
    EXPECT_TRUE(QDir(route.banc.tree.chemin("_/.tidemark")).entryList(QDir::Files).isEmpty());
}

TEST(TraitementPurge, UnEchecNArretePasLesAutres) {
    const struct {
        const char* nom;
        ModeDisposition mode;
        OperationFs operation;
        int code;
        const char16_t* raison;
    } lignes[] = {
        {"the third move fails", ModeDisposition::Deplacer, OperationFs::Renomme, EACCES,
         u"déplacement vers « C:\\_\\p\\a.prt.3 » impossible : accès refusé"},
        {"the third delete fails", ModeDisposition::Detruire, OperationFs::Supprime, EBUSY,
         u"fichier occupé"},
    };
    for (const auto& l : lignes) {
        BancPurge banc;
        banc.liste({"p/a.prt.1", "p/a.prt.2", "p/a.prt.3", "p/a.prt.4", "p/a.prt.5", "p/a.prt.6"});
        banc.selectionne({Prt});
        VisuPurge(banc.state, banc.lecteurs, banc.fs);
        ASSERT_EQ(banc.etats(), "XXXXXM");
        banc.plan.echoue(l.operation, 3, l.code);

        const ResultatTraitement r = Purge(banc, l.mode);
        EXPECT_EQ(r.marquees, 5) << l.nom;
        EXPECT_EQ(r.traitees, 4) << l.nom;
        ASSERT_EQ(r.echecs.size(), 1u) << l.nom;
        EXPECT_EQ(r.echecs[0], (EchecDisposition{QStringLiteral("C:\\p\\a.prt.3"),
                                                 QString::fromUtf16(l.raison)}))
            << l.nom;
        EXPECT_EQ(banc.tree.contenu(QStringLiteral("p/a.prt.3")), "p/a.prt.3") << l.nom;
        for (const char* autre : {"p/a.prt.1", "p/a.prt.2", "p/a.prt.4", "p/a.prt.5"}) {
            EXPECT_FALSE(banc.tree.existe(QString::fromUtf8(autre))) << l.nom << " " << autre;
            if (l.mode == ModeDisposition::Deplacer) {
                EXPECT_TRUE(banc.tree.existe(QStringLiteral("_/") + QString::fromUtf8(autre)));
            }
        }
        EXPECT_TRUE(banc.tree.existe(QStringLiteral("p/a.prt.6")));

        const MessageEchecs message = ComposeMessageEchecs(r.echecs);
        EXPECT_EQ(message.texte,
                  QStringLiteral("1 fichier n'a pas pu être traité :\nC:\\p\\a.prt.3 : ") +
                      QString::fromUtf16(l.raison));
    }
}

TEST(TraitementPurge, LesMarquesALaMainSontObeies) {
    BancPurge banc;
    banc.liste({"p/a.prt.1", "p/a.prt.2", "p/a.prt.3", "p/b.prt.1", "p/seul.prt.9"});
    banc.selectionne({Prt});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    ASSERT_EQ(banc.etats(), "XXM..");
    // Unmark a.prt.1 and mark seul.prt.9 by hand after the analysis; the analysis never read
    // seul.prt.9, so it goes as the user asked, without the size and date check.
    Cocher(banc.state, {0, 4});
    ASSERT_EQ(banc.etats(), ".XM.X");

    const ResultatTraitement r = Purge(banc, ModeDisposition::Deplacer);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.traitees, 2);
    EXPECT_EQ(r.sansControle, 1);
    EXPECT_EQ(banc.tree.tout(), (QStringList{"_/p/a.prt.2", "_/p/seul.prt.9", "p/a.prt.1",
                                             "p/a.prt.3", "p/b.prt.1"}));
}

TEST(TraitementPurge, RienQuandLaListeNeMontrePasDeFichiers) {
    BancPurge banc;
    banc.liste({"p/a.prt.1", "p/a.prt.2"});
    banc.state.EtatMarque = {EtatX, EtatX};
    banc.state.ListeDeFichiers = false;
    const ResultatTraitement r = Purge(banc, ModeDisposition::Detruire);
    EXPECT_EQ(r.marquees, 0);
    EXPECT_EQ(banc.tree.tout().size(), 2);
}

TEST(TraitementPurge, LesNomsNusSontPrisSousLeRepertoireDeBase) {
    BancPurge banc;
    banc.tree.fichier(QStringLiteral("proj/a.prt.1"), "1");
    banc.tree.fichier(QStringLiteral("proj/a.prt.2"), "2");
    banc.state.TabFich = {QStringLiteral("a.prt.1"), QStringLiteral("a.prt.2")};
    banc.state.RepBase = QStringLiteral("C:\\proj");
    banc.state.EtatMarque.assign(2, EtatVide);
    banc.state.ListeDeFichiers = true;
    banc.selectionne({Prt});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    const ResultatTraitement r = Purge(banc, ModeDisposition::Deplacer);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(banc.tree.tout(), (QStringList{"_/proj/a.prt.1", "proj/a.prt.2"}));
}

TEST(TraitementPurge, UnCheminRefuseParLeGarageEstSignaleEtLesAutresPassent) {
    BancPurge banc;
    // A config.pro search path may name a folder inside the garage itself.
    banc.liste({"_/vieux/a.prt.1", "_/vieux/a.prt.2", "p/b.prt.1", "p/b.prt.2"});
    banc.selectionne({Prt});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    const ResultatTraitement r = Purge(banc, ModeDisposition::Deplacer);
    ASSERT_EQ(r.echecs.size(), 1u);
    EXPECT_EQ(r.echecs[0].chemin, QStringLiteral("C:\\_\\vieux\\a.prt.1"));
    EXPECT_TRUE(r.echecs[0].raison.contains(QStringLiteral("déjà dans un garage")));
    EXPECT_TRUE(banc.tree.existe(QStringLiteral("_/vieux/a.prt.1")));
    EXPECT_TRUE(banc.tree.existe(QStringLiteral("_/p/b.prt.1")));
}

// Over many generated trees: after a purge with keep N, every group's revisions within N of
// its highest are still in place, every other revision is gone, and with "Deplacer" every
// removed file is in the garage with the same bytes.
TEST(TraitementPurge, ProprieteSurDesArbresGeneres) {
    // Windows keeps one folder for "Moteur" and "moteur": the second is left out there.
#ifdef _WIN32
    const char* const dossiers[] = {"Moteur", "boite/vitesses"};
#else
    const char* const dossiers[] = {"Moteur", "moteur", "boite/vitesses"};
#endif
    for (quint32 graine = 1; graine <= 40; ++graine) {
        QRandomGenerator hasard(graine);
        BancPurge banc;
        const int garde = hasard.bounded(1, 4);
        const bool sansIndice = hasard.bounded(2) == 1;
        const ModeDisposition mode =
            hasard.bounded(3) == 0 ? ModeDisposition::Detruire : ModeDisposition::Deplacer;
        banc.state.options.ValNbRev = garde;
        banc.state.options.ValMaitreSansInd = sansIndice ? 1 : 0;
        banc.selectionne({Prt, 1});

        struct Fichier {
            QString relatif;
            QString groupe;
            int revision;
            QByteArray contenu;
        };
        std::vector<Fichier> fichiers;
        // Folders and radicals chosen so that the list order keeps each group together.
        for (const char* dossier : dossiers) {
            for (const char* radical : {"axe", "bielle", "piston"}) {
                for (const char* type : {"asm", "prt"}) {
                    if (hasard.bounded(3) == 0)
                        continue;
                    const QString base =
                        QStringLiteral("%1/%2.%3")
                            .arg(QString::fromUtf8(dossier), QString::fromUtf8(radical),
                                 QString::fromUtf8(type));
                    if (hasard.bounded(4) == 0)  // an unnumbered file first, as listed
                        fichiers.push_back(
                            {base, base, sansIndice ? RevisionSansIndicePrioritaire : 0, {}});
                    std::vector<QString> numeros;
                    for (int rev = 1; rev <= 15; ++rev) {
                        if (hasard.bounded(2) == 0)
                            numeros.push_back(QString::number(rev));
                    }
                    // The listing sorts names as text: .10 comes before .2.
                    std::sort(numeros.begin(), numeros.end());
                    for (const QString& n : numeros)
                        fichiers.push_back({base + u'.' + n, base, n.toInt(), {}});
                }
            }
        }
        std::vector<QByteArray> relatifs;
        for (Fichier& f : fichiers) {
            f.contenu = QByteArray::number(graine) + ' ' + f.relatif.toUtf8() +
                        QByteArray(hasard.bounded(0, 3000), 'z');
            banc.tree.fichier(f.relatif, f.contenu);
            relatifs.push_back(f.relatif.toUtf8());
        }
        std::vector<const char*> liste;
        for (const QByteArray& r : relatifs) liste.push_back(r.constData());
        banc.liste(liste);

        std::map<QString, std::pair<int, int>> groupes;  // group -> (size, highest revision)
        for (const Fichier& f : fichiers) {
            auto& [taille, plusHaute] = groupes[f.groupe];
            plusHaute = taille == 0 ? f.revision : std::max(plusHaute, f.revision);
            ++taille;
        }

        VisuPurge(banc.state, banc.lecteurs, banc.fs);
        const ResultatTraitement r = Purge(banc, mode);
        ASSERT_TRUE(r.complet()) << graine;

        qsizetype partis = 0;
        for (const Fichier& f : fichiers) {
            const auto [taille, plusHaute] = groupes[f.groupe];
            const bool garde_ = taille == 1 || f.revision >= plusHaute - garde + 1;
            EXPECT_EQ(banc.tree.existe(f.relatif), garde_)
                << graine << " " << f.relatif.toStdString();
            const QString auGarage = QStringLiteral("_/") + f.relatif;
            if (!garde_) {
                ++partis;
                if (mode == ModeDisposition::Deplacer) {
                    EXPECT_EQ(banc.tree.contenu(auGarage), f.contenu)
                        << graine << " " << f.relatif.toStdString();
                }
            }
            if (garde_ || mode == ModeDisposition::Detruire) {
                EXPECT_FALSE(banc.tree.existe(auGarage)) << graine;
            }
        }
        EXPECT_EQ(r.traitees, partis) << graine;
        EXPECT_EQ(banc.tree.tout().size(),
                  qsizetype(fichiers.size()) - (mode == ModeDisposition::Detruire ? partis : 0))
            << graine << ": no stray file";
    }
}

// On several threads the run disposes of the same files as on one, reports them in list order,
// and journals the same lines, whether it ends or is stopped; the garage folders the threads
// share are made once. A fault plan's k-th move fails exactly one move whatever the threads.
TEST(TraitementPurge, EnParalleleCommeEnSerie) {
    struct Releve {
        ResultatTraitement r;
        QStringList tout, journal;
        int renommages = 0;
    };
    const auto purge = [](ModeDisposition mode, int arretApres, int panne, unsigned fils) {
        BancPurge banc;
        std::vector<std::string> noms;
        for (int d = 0; d < 24; ++d) {
            for (int m = 0; m < 4; ++m) {
                for (int r = 1; r <= 3; ++r)
                    noms.push_back(
                        QStringLiteral("p/d%1/m%2.prt.%3").arg(d).arg(m).arg(r).toStdString());
            }
        }
        std::vector<const char*> relatifs;
        for (const std::string& n : noms) relatifs.push_back(n.c_str());
        banc.liste(relatifs);
        banc.selectionne({Prt});
        VisuPurge(banc.state, banc.lecteurs, banc.fs);
        // Changed, vanished and read-only since the analysis; a kept revision changed; a
        // garage folder that cannot be made.
        banc.tree.fichier(QStringLiteral("p/d1/m0.prt.1"), "plus long qu'avant");
        QFile::remove(banc.tree.chemin(QStringLiteral("p/d2/m1.prt.2")));
        banc.lectureSeule("p/d3/m2.prt.1");
        banc.tree.fichier(QStringLiteral("p/d4/m3.prt.3"), "plus long qu'avant");
        banc.tree.fichier(QStringLiteral("_/p/d5"), "un fichier");
        DemandeArret arret;
        if (arretApres > 0)
            arret.apres(arretApres);
        if (panne > 0)
            banc.plan.echoue(OperationFs::Renomme, panne, EIO);
        Releve v;
        v.r = TraitementPurge(banc.state, mode, banc.lecteurs, banc.fs, {}, {}, &arret, fils);
        v.tout = banc.tree.tout();
        v.renommages = banc.plan.compte(OperationFs::Renomme);
        for (const QFileInfo& f : QDir(banc.tree.chemin(QStringLiteral("_/.tidemark")))
                                      .entryInfoList({QStringLiteral("*.txt")})) {
            const QByteArray texte =
                banc.tree.contenu(QStringLiteral("_/.tidemark/") + f.fileName());
            for (const QString& ligne : QString::fromUtf8(texte).split(u'\n')) {
                if (!ligne.startsWith(u'#'))
                    v.journal.append(ligne.section(u'\t', 0, 3));  // without the times
            }
        }
        v.journal.sort();
        return v;
    };
    for (const ModeDisposition mode : {ModeDisposition::Deplacer, ModeDisposition::Detruire}) {
        for (const int arretApres : {0, 150}) {
            const Releve serie = purge(mode, arretApres, 0, 1);
            ASSERT_GE(serie.r.echecs.size(), mode == ModeDisposition::Deplacer ? 5u : 3u);
            ASSERT_GT(serie.r.traitees, 100);
            ASSERT_EQ(serie.r.arrete, arretApres > 0);
            const Releve parallele = purge(mode, arretApres, 0, 8);
            const ResultatTraitement &a = serie.r, &b = parallele.r;
            EXPECT_EQ(std::tie(a.marquees, a.traitees, a.laissees, a.cheminsLaisses, a.sansControle,
                               a.octets, a.echecs, a.arrete, a.restantes, a.avisJournal),
                      std::tie(b.marquees, b.traitees, b.laissees, b.cheminsLaisses, b.sansControle,
                               b.octets, b.echecs, b.arrete, b.restantes, b.avisJournal));
            EXPECT_EQ(serie.tout, parallele.tout);
            EXPECT_EQ(serie.journal, parallele.journal);
        }
    }
    const Releve serie = purge(ModeDisposition::Deplacer, 0, 40, 1);
    const Releve parallele = purge(ModeDisposition::Deplacer, 0, 40, 8);
    EXPECT_EQ(serie.renommages, parallele.renommages);
    for (const Releve* v : {&serie, &parallele}) {
        const auto echecsEio = std::count_if(
            v->r.echecs.begin(), v->r.echecs.end(),
            [](const EchecDisposition& e) { return e.raison.contains(FileSystem::reason(EIO)); });
        EXPECT_EQ(echecsEio, 1);
    }
}

// Moves that make the run wait (a share, a cold disk) are shared among threads once the
// first ones are seen to wait, and the work done is the same: every older revision in the
// garage and in the journal, the kept ones in place.
TEST(TraitementPurge, DesDeplacementsQuiFontAttendreSontPartagesEntreDesFils) {
    test::BancPurge banc;
    std::vector<std::string> noms;
    for (int m = 0; m < 60; ++m) {
        for (int r = 1; r <= 3; ++r)
            noms.push_back("p/m" + std::to_string(m) + ".prt." + std::to_string(r));
    }
    std::vector<const char*> relatifs;
    for (const std::string& n : noms) relatifs.push_back(n.c_str());
    banc.liste(relatifs);
    banc.selectionne({Prt});
    VisuPurge(banc.state, banc.lecteurs, banc.fs);
    std::mutex verrou;
    std::set<std::thread::id> fils;
    banc.plan.avantEtape = [&](OperationFs operation, int) {
        if (operation != OperationFs::Renomme)
            return;
        {
            const std::lock_guard garde(verrou);
            fils.insert(std::this_thread::get_id());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    const ResultatTraitement r =
        TraitementPurge(banc.state, ModeDisposition::Deplacer, banc.lecteurs, banc.fs);
    EXPECT_GT(fils.size(), 1u);
    EXPECT_EQ(r.traitees, 120);
    EXPECT_TRUE(r.echecs.empty());
    for (int m = 0; m < 60; ++m) {
        const std::string modele = "p/m" + std::to_string(m) + ".prt.";
        EXPECT_TRUE(banc.tree.existe(QString::fromStdString(modele + "3")));
        EXPECT_TRUE(banc.tree.existe(QString::fromStdString("_/" + modele + "1")));
    }
    const std::vector<ExecutionJournal> journaux = LitJournaux(banc.lecteurs);
    ASSERT_EQ(journaux.size(), 1u);
    EXPECT_EQ(journaux[0].nombre(), 120);
}

}  // namespace
}  // namespace tidemark
