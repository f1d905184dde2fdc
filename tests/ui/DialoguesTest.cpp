#include "tests/ui/FenetreFixture.h"
#include "ui/SelecteurRepertoire.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace tidemark::test {
namespace {

// Answers the message box that opens next by clicking the button captioned `bouton`, and
// records the captions of all its buttons.
void RepondraAvec(const QString& bouton, QStringList& legendes, QString& titre) {
    QTimer::singleShot(0, [bouton, &legendes, &titre] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(boite, nullptr);
        titre = boite->windowTitle();
        for (QAbstractButton* b : boite->buttons()) {
            legendes.append(b->text());
            if (b->text() == bouton)
                b->click();
        }
    });
}

TEST(Dialogues, QuestionsAreAskedWithOuiAndNon) {
    Dialogues dialogues;
    QStringList legendes;
    QString titre;
    RepondraAvec(QStringLiteral("Non"), legendes, titre);
    EXPECT_FALSE(dialogues.ouiNon(nullptr, QStringLiteral("Continuer ?"),
                                  QStringLiteral("Tidemark Velnor")));
    legendes.sort();
    EXPECT_EQ(legendes, (QStringList{"Non", "Oui"}));
    EXPECT_EQ(titre, u"Tidemark Velnor");

    legendes.clear();
    RepondraAvec(QStringLiteral("Oui"), legendes, titre);
    EXPECT_TRUE(dialogues.ouiNon(nullptr, QStringLiteral("Continuer ?"),
                                 QStringLiteral("Tidemark Velnor")));
}

TEST(Dialogues, ALongPathWrapsBetweenItsFoldersAndTheBoxStaysNarrow) {
    QString chemin = QStringLiteral("C:\\");
    for (int i = 0; i < 12; ++i) chemin += QStringLiteral("dossier_de_projet_%1\\").arg(i);
    chemin += QStringLiteral("piston.prt.12");
    int largeur = 0;
    QTimer::singleShot(0, [&largeur] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(boite, nullptr);
        largeur = boite->width();
        boite->buttons().constFirst()->click();
    });
    Dialogues().erreur(nullptr, QStringLiteral("Impossible de déplacer ") + chemin,
                       QStringLiteral("Tidemark"));
    EXPECT_GT(largeur, 0);
    EXPECT_LT(largeur, 700);
    // Every folder name stays whole: breaks come only after a separator.
    const QString secable = SecableEntreComposants(chemin);
    EXPECT_EQ(QString(secable).remove(QChar(0x200B)), chemin);
    EXPECT_EQ(secable.count(QChar(0x200B)), 13);
    EXPECT_TRUE(secable.contains(QStringLiteral("\\\u200Bpiston.prt.12")));
}

class RepertTest : public FenetreTest {};

TEST_F(RepertTest, DoubleClickEntersAFolderAndScansIt) {
    arbre.fichiers({"racine.prt.1", "projets/moteur/piston.prt.1", "projets/.cache/x.prt.1"});
    demarre();
    auto* liste = controle<SelecteurRepertoire>("Repert")->liste();
    QStringList textes;
    for (int i = 0; i < liste->count(); ++i) textes.append(liste->item(i)->text().trimmed());
    EXPECT_EQ(textes, (QStringList{"C:\\", "projets"}));  // hidden folders are not offered

    Q_EMIT liste->itemDoubleClicked(liste->item(1));
    attend();
    EXPECT_EQ(texte("LbRepert"), u"C:\\projets");
    EXPECT_EQ(state().RepBase, u"C:\\projets");
    Q_EMIT liste->itemDoubleClicked(liste->item(2));  // moteur
    attend();
    EXPECT_EQ(lignes(), QStringList{"      piston.prt.1"});
    // Back up to the root through its ancestor line.
    Q_EMIT liste->itemDoubleClicked(liste->item(0));
    attend();
    EXPECT_EQ(lignes(), QStringList{"      racine.prt.1"});
}

}  // namespace
}  // namespace tidemark::test
