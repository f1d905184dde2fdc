#include "duplicates/RevueCouples.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "duplicates/NomsVoisins.h"
#include "garage/Journal.h"
#include "inventory/Scan.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <initializer_list>
#include <vector>

#include <sys/stat.h>

namespace tidemark {
namespace {

using test::TempTree;

QString W(const char16_t* relatif) {
    return QStringLiteral("C:\\w\\") + QString::fromUtf16(relatif);
}

// A temporary tree mounted as drive C:, listed from C:\w with every subdirectory, and the
// refresh that follows every disposal: scan, search, first couple.
struct RevueCouples : ::testing::Test {
    TempTree tree;
    DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + tree.chemin());
    FaultPlan plan;
    FileSystem fs{&plan};
    AppState state;
    CoupleRevue affiche;

    void cree(std::initializer_list<const char*> fichiers) {
        for (const char* f : fichiers) {
            const QString relatif = QStringLiteral("w/") + QString::fromUtf8(f);
            tree.fichier(relatif, relatif.toUtf8());
        }
    }
    void rafraichit() {
        state.FiltreFich = QStringLiteral("*");
        DemandeScan scan;
        scan.repertoire = QStringLiteral("C:\\w");
        scan.sousRepertoires = true;
        ScanSansDialogue sansDialogue;
        ASSERT_TRUE(Scan(state, scan, lecteurs, fs, sansDialogue).effectue);
        chercheEtMontre();
    }
    void chercheEtMontre() {
        DemandeRecherche demande;
        demande.repertoire = QStringLiteral("C:\\w");
        RechercheMultiples(state, demande, lecteurs, fs);
        affiche = PremierCouple(state, demande, lecteurs, fs);
    }
    std::vector<QString> chemins(const std::vector<qint32>& positions) const {
        std::vector<QString> liste;
        for (const qint32 p : positions) liste.push_back(CheminEntree(state, std::size_t(p)));
        return liste;
    }
    bool existe(const char* relatif) const { return tree.existe(QString::fromUtf8(relatif)); }
};

TEST_F(RevueCouples, CeFichierEnvoieAuGarageEtMontreLeCoupleSuivant) {
    cree({"a/p.prt.1", "b/p.prt.2", "c/p.prt.3"});
    rafraichit();
    ASSERT_TRUE(affiche.trouve);
    EXPECT_EQ(affiche.chemin1, W(u"a\\p.prt.1"));
    EXPECT_EQ(affiche.chemin2, W(u"b\\p.prt.2"));

    ResultatRevue r =
        CeFichier(state, affiche, CoteCouple::Premier, ModeDisposition::Deplacer, lecteurs, fs);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.traites, 1);
    EXPECT_FALSE(existe("w/a/p.prt.1"));
    EXPECT_EQ(tree.contenu(QStringLiteral("_/w/a/p.prt.1")), QByteArray("w/a/p.prt.1"));

    rafraichit();
    ASSERT_TRUE(affiche.trouve);
    EXPECT_EQ(affiche.chemin1, W(u"b\\p.prt.2"));
    EXPECT_EQ(affiche.chemin2, W(u"c\\p.prt.3"));

    r = CeFichier(state, affiche, CoteCouple::Second, ModeDisposition::Detruire, lecteurs, fs);
    EXPECT_TRUE(r.complet());
    EXPECT_FALSE(existe("w/c/p.prt.3"));
    EXPECT_FALSE(existe("_/w/c/p.prt.3"));
    EXPECT_TRUE(existe("w/b/p.prt.2"));
    // Each command is a run of the garage journal.
    ASSERT_NE(state.InfosLues.trouve(1), nullptr);
    const std::vector<ExecutionJournal> journaux = LitJournaux(lecteurs);
    ASSERT_EQ(journaux.size(), 2u);
    EXPECT_EQ(journaux[0].fichiers.front().original, W(u"a\\p.prt.1"));
    EXPECT_EQ(journaux[1].fichiers.front(),
              (FichierJournal{ActionJournal::Suppression,
                              W(u"c\\p.prt.3"),
                              {},
                              11,
                              state.InfosLues.trouve(1)->modificationNs}));

    rafraichit();
    EXPECT_TRUE(affiche.effectue);
    EXPECT_FALSE(affiche.trouve);
    EXPECT_EQ(affiche.chemin1, QString());
    EXPECT_EQ(affiche.chemin2, QString());
}

TEST_F(RevueCouples, LePremierCoupleEstLeCoupleZeroDeLaRecherche) {
    cree({"m/x.prt.1", "a/q.prt.1", "a/x.prt.2", "b/q.prt.4", "n/x.prt.3"});
    rafraichit();
    ASSERT_TRUE(affiche.trouve);
    ASSERT_FALSE(state.Couples.empty());
    EXPECT_EQ(affiche.couple.premier, state.Couples[0].premier);
    EXPECT_EQ(affiche.couple.second, state.Couples[0].second);
    EXPECT_EQ(affiche.chemin1, W(u"a\\q.prt.1"));
    EXPECT_EQ(affiche.chemin2, W(u"b\\q.prt.4"));
}

TEST_F(RevueCouples, SansCoupleRienNePeutEtreElimine) {
    cree({"a/p.prt.1", "a/p.prt.2", "b/q.prt.1"});
    rafraichit();
    EXPECT_FALSE(affiche.trouve);
    EXPECT_EQ(affiche.chemin1, QString());
    EXPECT_EQ(affiche.chemin2, QString());
    for (const CoteCouple cote : {CoteCouple::Premier, CoteCouple::Second}) {
        const ResultatRevue un =
            CeFichier(state, affiche, cote, ModeDisposition::Detruire, lecteurs, fs);
        const ResultatRevue tous =
            CesFichiers(state, affiche, cote, ModeDisposition::Detruire, lecteurs, fs);
        EXPECT_EQ(un.traites + tous.traites, 0);
        EXPECT_EQ(un.echecs.size(), 1u);
        EXPECT_EQ(tous.echecs.size(), 1u);
    }
    EXPECT_EQ(tree.tout(), (QStringList{"w/a/p.prt.1", "w/a/p.prt.2", "w/b/q.prt.1"}));

    DemandeRecherche sansSousRep;
    sansSousRep.sousRepertoires = false;
    const CoupleRevue rien = PremierCouple(state, sansSousRep, lecteurs, fs);
    EXPECT_FALSE(rien.effectue);
    EXPECT_TRUE(rien.chemin1.isEmpty());
}

TEST_F(RevueCouples, CesFichiersNeTouchentQueLaMemePaireDeRepertoires) {
    const struct {
        CoteCouple cote;
        std::vector<QString> choisis;
        QStringList restants;
    } lignes[] = {
        {CoteCouple::Premier,
         {W(u"a\\p1.prt.1"), W(u"a\\p2.prt.3")},
         {"w/a/p3.prt", "w/b/p1.prt.2", "w/b/p2.prt.1", "w/x/p3.prt"}},
        {CoteCouple::Second,
         {W(u"b\\p1.prt.2"), W(u"b\\p2.prt.1")},
         {"w/a/p1.prt.1", "w/a/p2.prt.3", "w/a/p3.prt", "w/x/p3.prt"}},
    };
    for (const auto& l : lignes) {
        TempTree local;
        lecteurs = DriveMap::Depuis(QStringLiteral("C=") + local.chemin());
        for (const char* f :
             {"a/p1.prt.1", "b/p1.prt.2", "a/p2.prt.3", "b/p2.prt.1", "a/p3.prt", "x/p3.prt"})
            local.fichier(QStringLiteral("w/") + QString::fromUtf8(f));
        rafraichit();
        ASSERT_TRUE(affiche.trouve);
        EXPECT_EQ(affiche.chemin1, W(u"a\\p1.prt.1"));
        EXPECT_EQ(affiche.chemin2, W(u"b\\p1.prt.2"));
        EXPECT_EQ(chemins(FichiersDuMemeCas(state, affiche, l.cote)), l.choisis);

        const ResultatRevue r =
            CesFichiers(state, affiche, l.cote, ModeDisposition::Deplacer, lecteurs, fs);
        EXPECT_TRUE(r.complet());
        EXPECT_EQ(r.traites, qsizetype(l.choisis.size()));
        QStringList restants;
        QStringList garage;
        for (const QString& f : local.tout()) (f.startsWith(u"_/") ? garage : restants).append(f);
        EXPECT_EQ(restants, l.restants);
        EXPECT_EQ(garage.size(), qsizetype(l.choisis.size()));
    }
}

TEST_F(RevueCouples, LeMemeCasCompareLesRepertoiresCommeLeSystemeDeFichiers) {
    TIDEMARK_SAUF_WINDOWS("folders ignore case there: names that differ only by case are one file");
    // Sibling folders A and a are two directories; the drive letter has no case.
    cree({"A/p1.prt.1", "b/p1.prt.2", "a/p2.prt.1", "b/p2.prt.2", "A/p3.prt.1", "b/p3.prt.2"});
    rafraichit();
    ASSERT_TRUE(affiche.trouve);
    EXPECT_EQ(affiche.chemin1, W(u"A\\p1.prt.1"));
    EXPECT_EQ(chemins(FichiersDuMemeCas(state, affiche, CoteCouple::Premier)),
              (std::vector<QString>{W(u"A\\p1.prt.1"), W(u"A\\p3.prt.1")}));

    // The same list written with a lower-case drive letter for some entries.
    for (QString& entree : state.TabFich) {
        if (entree.contains(u"p3"))
            entree[0] = u'c';
    }
    chercheEtMontre();
    EXPECT_EQ(chemins(FichiersDuMemeCas(state, affiche, CoteCouple::Premier)),
              (std::vector<QString>{W(u"A\\p1.prt.1"), QStringLiteral("c:\\w\\A\\p3.prt.1")}));
}

TEST_F(RevueCouples, UnFichierPresentDansPlusieursCouplesNEstTraiteQuUneFois) {
    cree({"a/x.prt", "b/x.prt.1", "b/x.prt.2"});
    rafraichit();
    ASSERT_EQ(state.Couples.size(), 2u);
    EXPECT_EQ(chemins(FichiersDuMemeCas(state, affiche, CoteCouple::Premier)),
              std::vector<QString>{W(u"a\\x.prt")});
    const ResultatRevue r =
        CesFichiers(state, affiche, CoteCouple::Premier, ModeDisposition::Detruire, lecteurs, fs);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.traites, 1);
    EXPECT_EQ(tree.tout(), (QStringList{"w/b/x.prt.1", "w/b/x.prt.2"}));
}

TEST_F(RevueCouples, UnEchecNArretePasLesAutresEtEstRapporte) {
    cree({"a/p1.prt.1", "a/p2.prt.1", "a/p3.prt.1", "b/p1.prt.2", "b/p2.prt.2", "b/p3.prt.2"});
    rafraichit();
    plan.echoue(OperationFs::Supprime, 1, EACCES);
    const ResultatRevue r =
        CesFichiers(state, affiche, CoteCouple::Premier, ModeDisposition::Detruire, lecteurs, fs);
    EXPECT_EQ(r.traites, 2);
    ASSERT_EQ(r.echecs.size(), 1u);
    EXPECT_EQ(r.echecs[0].chemin, W(u"a\\p1.prt.1"));
    EXPECT_EQ(r.echecs[0].raison, FileSystem::reason(EACCES));
    EXPECT_EQ(tree.tout(),
              (QStringList{"w/a/p1.prt.1", "w/b/p1.prt.2", "w/b/p2.prt.2", "w/b/p3.prt.2"}));

    // The refresh still follows and shows the couple that is left.
    rafraichit();
    ASSERT_TRUE(affiche.trouve);
    EXPECT_EQ(affiche.chemin1, W(u"a\\p1.prt.1"));
}

TEST_F(RevueCouples, UnFichierChangeOuDisparuDepuisLaRechercheEstLaisse) {
    cree({"a/p1.prt.1", "a/p2.prt.1", "a/p3.prt.1", "b/p1.prt.2", "b/p2.prt.2", "b/p3.prt.2"});
    rafraichit();
    tree.fichier(QStringLiteral("w/a/p2.prt.1"), "plus long qu'avant");
    ASSERT_TRUE(QFile::remove(tree.chemin(QStringLiteral("w/a/p3.prt.1"))));
    const ResultatRevue r =
        CesFichiers(state, affiche, CoteCouple::Premier, ModeDisposition::Deplacer, lecteurs, fs);
    EXPECT_EQ(r.traites, 1);
    ASSERT_EQ(r.echecs.size(), 2u);
    EXPECT_EQ(r.echecs[0].chemin, W(u"a\\p2.prt.1"));
    EXPECT_TRUE(r.echecs[0].raison.contains(u"changé")) << r.echecs[0].raison.toStdString();
    EXPECT_EQ(r.echecs[1].chemin, W(u"a\\p3.prt.1"));
    EXPECT_TRUE(r.echecs[1].raison.contains(u"disparu")) << r.echecs[1].raison.toStdString();
    EXPECT_TRUE(existe("w/a/p2.prt.1"));
    EXPECT_TRUE(existe("_/w/a/p1.prt.1"));
}

TEST_F(RevueCouples, LeDernierExemplaireNEstJamaisElimine) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    const struct {
        const char* cas;
        bool lien;  // the other file becomes a link to this one, rather than vanishing
    } lignes[] = {{"the other file was removed", false}, {"the other file became a link", true}};
    for (const auto& l : lignes) {
        TempTree local;
        lecteurs = DriveMap::Depuis(QStringLiteral("C=") + local.chemin());
        local.fichiers({"w/a/p.prt.1", "w/b/p.prt.2"});
        rafraichit();
        ASSERT_TRUE(affiche.trouve) << l.cas;
        ASSERT_TRUE(QFile::remove(local.chemin(QStringLiteral("w/b/p.prt.2"))));
        if (l.lien)
            local.lien(QStringLiteral("w/b/p.prt.2"), QStringLiteral("../a/p.prt.1"));
        const ResultatRevue r =
            CeFichier(state, affiche, CoteCouple::Premier, ModeDisposition::Detruire, lecteurs, fs);
        EXPECT_EQ(r.traites, 0) << l.cas;
        ASSERT_EQ(r.echecs.size(), 1u) << l.cas;
        EXPECT_TRUE(r.echecs[0].raison.contains(W(u"b\\p.prt.2"))) << l.cas;
        EXPECT_TRUE(local.existe(QStringLiteral("w/a/p.prt.1"))) << l.cas;
    }
}

TEST_F(RevueCouples, UnCoupleAfficheAvantUnNouveauScanEstRefuse) {
    cree({"a/p.prt.1", "b/p.prt.2"});
    rafraichit();
    const CoupleRevue ancien = affiche;
    cree({"a/aaa.prt.1"});  // listed first: every position moves by one
    rafraichit();
    for (const CoteCouple cote : {CoteCouple::Premier, CoteCouple::Second}) {
        const ResultatRevue r =
            CeFichier(state, ancien, cote, ModeDisposition::Detruire, lecteurs, fs);
        ASSERT_EQ(r.echecs.size(), 1u);
        EXPECT_EQ(r.traites, 0);
        EXPECT_TRUE(
            CesFichiers(state, ancien, cote, ModeDisposition::Detruire, lecteurs, fs).traites == 0);
    }
    EXPECT_EQ(tree.tout(), (QStringList{"w/a/aaa.prt.1", "w/a/p.prt.1", "w/b/p.prt.2"}));
}

TEST_F(RevueCouples, LesCouplesDeNomsVoisinsNeSontPasPrisPourDesDoublons) {
    cree({"a/dup.prt.1", "b/dup.prt.2", "a/piston.prt.1", "b/pizton.prt.1"});
    rafraichit();
    ASSERT_TRUE(affiche.trouve);
    DemandeVoisins voisins;
    voisins.NumCar = QStringLiteral("3");
    ResultatVoisins trouves = DetecteNomsVoisins(state, voisins);
    ASSERT_TRUE(trouves.effectue);
    state.Couples = std::move(trouves.couples);
    ASSERT_EQ(state.Couples.size(), 2u);  // dup with dup, piston with pizton
    EXPECT_EQ(chemins(FichiersDuMemeCas(state, affiche, CoteCouple::Premier)),
              std::vector<QString>{W(u"a\\dup.prt.1")});
    const ResultatRevue r =
        CesFichiers(state, affiche, CoteCouple::Premier, ModeDisposition::Detruire, lecteurs, fs);
    EXPECT_EQ(r.traites, 1);
    EXPECT_TRUE(existe("w/a/piston.prt.1"));
}

TEST_F(RevueCouples, LaLectureSeuleSuitValCachesSousDetruire) {
    for (const int valCaches : {0, 1}) {
        TempTree local;
        lecteurs = DriveMap::Depuis(QStringLiteral("C=") + local.chemin());
        local.fichiers({"w/a/p.prt.1", "w/b/p.prt.2"});
        ASSERT_EQ(
            ::chmod(QFile::encodeName(local.chemin(QStringLiteral("w/a/p.prt.1"))).constData(),
                    0444),
            0);
        state.options.ValCaches = valCaches;
        rafraichit();
        const ResultatRevue r =
            CeFichier(state, affiche, CoteCouple::Premier, ModeDisposition::Detruire, lecteurs, fs);
        EXPECT_TRUE(r.complet()) << valCaches;
        EXPECT_EQ(r.laisses, valCaches == 1 ? 0 : 1);
        EXPECT_EQ(r.traites, valCaches == 1 ? 1 : 0);
        EXPECT_EQ(local.existe(QStringLiteral("w/a/p.prt.1")), valCaches != 1);
    }
}

TEST_F(RevueCouples, UnFichierQueLaRechercheNAPasLuEstLaisse) {
    cree({"a/p.prt.1", "b/p.prt.2"});
    rafraichit();
    state.InfosLues.clear();
    const ResultatRevue r =
        CeFichier(state, affiche, CoteCouple::Second, ModeDisposition::Detruire, lecteurs, fs);
    ASSERT_EQ(r.echecs.size(), 1u);
    EXPECT_EQ(r.echecs[0].chemin, W(u"b\\p.prt.2"));
    EXPECT_TRUE(existe("w/b/p.prt.2"));
}

}  // namespace
}  // namespace tidemark
