// The session's commands run on its worker and report on the calling thread: the scan
// replaces the list and drops what was derived from the old one, a stopped purge run says
// how far it went and its rescan follows, and the exit-style stop leaves the rescan out.
#include "session/Session.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

namespace tidemark::test {
namespace {

class SessionTest : public ::testing::Test {
protected:
    SessionTest() {
        // 20 models in two revisions, the older of each to go.
        for (int m = 0; m < 20; ++m)
            for (int r = 1; r <= 2; ++r)
                arbre.fichier(QStringLiteral("w/m%1.prt.%2").arg(m).arg(r));
        AppState etat;
        etat.TabConf[0].selection = 1;  // prt
        etat.FiltreFich = ConstruitFiltre(etat.TabConf);
        session.emplace(std::move(etat), lecteurs, fs);
        QObject::connect(&*session, &Session::dispositionTerminee, &*session,
                         [this](const BilanDisposition& b) { bilan = b; });
        QObject::connect(&*session, &Session::scanCommence, &*session, [this] { ++scans; });
        demande.repertoire = QStringLiteral("C:\\w");
    }
    void attend() {
        QElapsedTimer minuteur;
        minuteur.start();
        while (session->occupee() && minuteur.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::usleep(200);
        }
        ASSERT_FALSE(session->occupee());
    }
    // Scans C:\w and analyses it.
    void prepare() {
        session->lanceScan(demande);
        EXPECT_TRUE(session->occupee());
        EXPECT_EQ(session->enCours(), Commande::Scan);
        attend();
        session->lanceVisuPurge();
        attend();
        ASSERT_EQ(session->marqueesAnalyse(), 20);
    }

    TempTree arbre;
    DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + arbre.chemin());
    FileSystem fs;
    std::optional<Session> session;
    DemandeScan demande;
    std::optional<BilanDisposition> bilan;
    int scans = 0;
};

TEST_F(SessionTest, ANewListDropsTheMarksFactsAndCouplesOfTheOldOne) {
    prepare();
    const AppState& etat = session->etat();
    EXPECT_EQ(etat.TabFich.size(), 40u);
    EXPECT_FALSE(etat.InfosLues.isEmpty());
    session->etatModifiable().Couples.push_back({0, 1});
    session->lanceScan(demande);
    attend();
    EXPECT_EQ(etat.TabFich.size(), 40u);
    EXPECT_EQ(etat.EtatMarque, std::vector<quint8>(40, EtatVide));
    EXPECT_TRUE(etat.InfosLues.isEmpty());
    EXPECT_TRUE(etat.Couples.empty());
    EXPECT_EQ(session->etape(), EtapeListe::Listee);
}

// A stop planned at the k-th file: k - 1 files went, the others stayed; then, unless the
// stop was an exit's, the rescan and the new analysis followed.
TEST_F(SessionTest, AStoppedPurgeRunSaysHowFarItWentAndRescans) {
    struct Cas {
        bool abandon;
        int arretAuFichier;
    };
    for (const Cas& cas : {Cas{true, 1}, Cas{false, 7}}) {
        SCOPED_TRACE(cas.abandon);
        bilan.reset();
        prepare();
        const int avant = scans;
        session->arret().apres(cas.arretAuFichier);
        session->lanceTraitementPurge(ModeDisposition::Deplacer, demande);
        if (cas.abandon)
            session->arrete(true);
        attend();
        if (cas.abandon) {
            EXPECT_FALSE(bilan);
            EXPECT_EQ(scans, avant);
            continue;
        }
        ASSERT_TRUE(bilan);
        EXPECT_TRUE(bilan->arrete);
        EXPECT_EQ(bilan->traites, cas.arretAuFichier - 1);
        EXPECT_EQ(bilan->restants, 20 - bilan->traites);
        EXPECT_EQ(scans, avant + 1);
        EXPECT_EQ(session->etat().TabFich.size(), std::size_t(40 - bilan->traites));
        EXPECT_EQ(session->etape(), EtapeListe::Purgee);
        EXPECT_EQ(session->marqueesAnalyse(), bilan->restants);
    }
}

// The analysis and the search only read: stopped, they report it and nothing is applied.
TEST_F(SessionTest, AStoppedAnalysisOrSearchLeavesTheListAsItWas) {
    session->lanceScan(demande);
    attend();
    DemandeArret arret;
    arret.apres(1);
    EXPECT_TRUE(AnalysePurge(session->etat(), lecteurs, fs, {}, &arret).arrete);
    DemandeRecherche recherche;
    recherche.arret = &arret;
    arret.raz();
    arret.apres(1);
    EXPECT_TRUE(RechercheMultiples(session->etat(), recherche, lecteurs, fs).arretee);

    session->arret().apres(1);
    session->lanceVisuPurge();
    attend();
    session->arret().apres(1);
    session->lanceRechercheMultiples(recherche);
    attend();
    EXPECT_EQ(session->etape(), EtapeListe::Listee);
    EXPECT_EQ(session->marqueesAnalyse(), 0);
    EXPECT_EQ(session->etat().EtatMarque, std::vector<quint8>(40, EtatVide));
}

}  // namespace
}  // namespace tidemark::test
