#include "tests/ui/FenetreFixture.h"

#include "ui/FenetreGarage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>

namespace tidemark::test {
namespace {

// Five revisions of piston purged into the garage by the main window, keeping two.
class FenetreGarageTest : public FenetreTest {
protected:
    void purgeAuGarage() {
        for (int i = 1; i <= 5; ++i)
            arbre.fichier(QStringLiteral("piston.prt.%1").arg(i), QByteArray(i * 10, 'p'));
        demarre();
        controle<QCheckBox>("Chk0", form2())->click();
        controle<QLineEdit>("NbRev", form2())->setText(QStringLiteral("2"));
        clique("CmdAppliquer", form2());
        controle<QRadioButton>("OptPDeplace")->click();
        clique("CmdPurge");
        clique("CmdTrait");
        ASSERT_FALSE(arbre.existe(QStringLiteral("piston.prt.1")));
        // The report offers the garage; "Garage…" opens the same window.
        QLabel* voir = controle<QLabel>("LbVoirGarage");
        ASSERT_TRUE(voir->isVisible());
        Q_EMIT voir->linkActivated(QStringLiteral("garage"));
        ASSERT_TRUE(form1()->garage() && form1()->garage()->isVisible());
        clique("CmdGarage");
        garage = form1()->garage();
        ASSERT_TRUE(garage && garage->isVisible());
        garage->ouvreUrl = [this](const QUrl& url) {
            ouverts.append(url.toLocalFile());
            return true;
        };
    }
    QStringList colonne(const char* liste, int c) const {
        const auto* arbreListe = controle<QTreeWidget>(liste, garage);
        QStringList textes;
        for (int i = 0; i < arbreListe->topLevelItemCount(); ++i)
            textes.append(arbreListe->topLevelItem(i)->text(c));
        return textes;
    }

    FenetreGarage* garage = nullptr;
    QStringList ouverts;
};

TEST_F(FenetreGarageTest, RestoresTheChosenRunByteForByte) {
    purgeAuGarage();
    ASSERT_EQ(colonne("ListeExecutions", 1), QStringList{QStringLiteral("mise au garage")});
    EXPECT_EQ(colonne("ListeExecutions", 4), QStringList{QStringLiteral("3")});
    controle<QTreeWidget>("ListeExecutions", garage)->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(colonne("ListeFichiersGarage", 1), QStringList(3, QStringLiteral("au garage")));
    clique("CmdRestaurer", garage);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(arbre.contenu(QStringLiteral("piston.prt.%1").arg(i)), QByteArray(i * 10, 'p'));
    EXPECT_FALSE(arbre.existe(QStringLiteral("_/piston.prt.1")));
    // The restore is a run of its own, newest first; the purge stays chosen.
    EXPECT_EQ(colonne("ListeExecutions", 1),
              (QStringList{QStringLiteral("restauration"), QStringLiteral("mise au garage")}));
    EXPECT_EQ(colonne("ListeFichiersGarage", 1), QStringList(3, QStringLiteral("restauré")));
    EXPECT_FALSE(controle("CmdRestaurer", garage)->isEnabled());
    EXPECT_TRUE(
        controle<QLabel>("LbEtatGarage", garage)->text().startsWith(u"3 fichiers restaurés."))
        << controle<QLabel>("LbEtatGarage", garage)->text().toStdString();
    clique("CmdOuvrirGarage", garage);
    EXPECT_EQ(ouverts, QStringList{arbre.chemin(QStringLiteral("_"))});
}

// A file standing again at the place of one: it stays in the garage, the others come back.
TEST_F(FenetreGarageTest, AFileWhosePlaceIsTakenStaysAndTheStatusSaysWhy) {
    purgeAuGarage();
    arbre.fichier(QStringLiteral("piston.prt.2"), "nouveau");
    controle<QTreeWidget>("ListeExecutions", garage)->topLevelItem(0)->setSelected(true);
    clique("CmdRestaurer", garage);
    EXPECT_EQ(arbre.contenu(QStringLiteral("piston.prt.2")), "nouveau");
    EXPECT_EQ(arbre.contenu(QStringLiteral("_/piston.prt.2")), QByteArray(20, 'p'));
    EXPECT_EQ(colonne("ListeFichiersGarage", 1),
              (QStringList{QStringLiteral("restauré"), QStringLiteral("au garage"),
                           QStringLiteral("restauré")}));
    const QString etat = controle<QLabel>("LbEtatGarage", garage)->text();
    EXPECT_TRUE(
        etat.startsWith(u"2 fichiers restaurés. 1 fichier laissé au garage :\nC:\\piston.prt.2 : "))
        << etat.toStdString();
    EXPECT_TRUE(controle("CmdRestaurer", garage)->isEnabled());
}

TEST_F(FenetreGarageTest, EmptyingAnsweredNoDestroysNothing) {
    purgeAuGarage();
    const QStringList avant = arbre.tout();
    controle<QSpinBox>("NbJours", garage)->setValue(0);
    dialogues.reponse = false;
    clique("CmdVider", garage);
    // The purge's own question came first; then the one of "Vider…", "Non" its default.
    ASSERT_EQ(dialogues.confirmations.size(), 2);
    const QString question = dialogues.confirmations.last();
    EXPECT_TRUE(question.contains(u"3 fichiers")) << question.toStdString();
    EXPECT_TRUE(question.contains(u"60 octets")) << question.toStdString();
    EXPECT_TRUE(question.endsWith(u"|Non")) << question.toStdString();
    EXPECT_EQ(arbre.tout(), avant);
    EXPECT_EQ(colonne("ListeExecutions", 4), QStringList{QStringLiteral("3")});
}

}  // namespace
}  // namespace tidemark::test
