// The window's own texts: tooltips, the review's box texts and the couple display lines.
#include "ui/TextesFenetre.h"

#include "core/AppState.h"

#include <QLocale>

#include <gtest/gtest.h>

#include "tests/support/QtGtest.h"

namespace tidemark {
namespace {

TEST(TextesFenetre, InfoBullesExactes) {
    EXPECT_EQ(InfoBulleListeAnalysee.toString(),
              QStringLiteral("Les fichiers marqués : X et -- vont être déplacés ou  effacés si "
                             "vous exécutez un 'Traitement Purge' .  Les fichiers non marqués et "
                             "marqués 'M' seront conservés."));
    EXPECT_EQ(InfoBulleVisuPurge.toString(),
              QStringLiteral("Recherche et visualisation des fichiers purgeables."));
}

TEST(TextesFenetre, LesTextesDisentOuIrontLesFichiersDeplaces) {
    EXPECT_EQ(TexteTxtFich1(),
              u"Cliquez sur 'Traitement multiple' Les fichiers déplacés le seront dans un "
              u"répertoire 'garage'. ");
    const struct {
        const char16_t* repertoire;
        const char16_t* texte;
    } lignes[] = {
        {u"C:\\projets\\moteur",
         u"Ce répertoire garage sera :C:\\_\\projets\\moteur en conservant la "
         u"sous-arborescence d'origine"},
        {u"D:\\",
         u"Ce répertoire garage sera :D:\\_\\ en conservant la sous-arborescence "
         u"d'origine"},
        {u"D:",
         u"Ce répertoire garage sera :D:\\_\\ en conservant la sous-arborescence "
         u"d'origine"},
    };
    for (const auto& l : lignes)
        EXPECT_EQ(TexteTxtFich2(QString::fromUtf16(l.repertoire)), QString::fromUtf16(l.texte));
}

TEST(TextesFenetre, LaLigneAffichePlaceLeSecondCheminEnColonne111) {
    const struct {
        int longueur;
        int espaces;
    } lignes[] = {{3, 107}, {100, 10}, {107, 3}, {108, 2}, {109, 2}, {120, 2}};
    const QString second = QStringLiteral("C:\\b\\x.prt.2");
    for (const auto& l : lignes) {
        const QString premier = QStringLiteral("C:\\") + QString(l.longueur - 3, u'a');
        const QString ligne = LigneAffichage(premier, second);
        EXPECT_EQ(ligne, premier + QString(l.espaces, u' ') + second) << l.longueur;
        if (l.longueur < 109) {
            EXPECT_EQ(ligne.indexOf(second), ColonneSecondChemin - 1) << l.longueur;
        }
    }

    AppState state;
    state.TabFich = {QStringLiteral("C:\\w\\a\\x.prt.1"), QStringLiteral("C:\\w\\b\\x.prt.2")};
    state.Couples = {{0, 1}};
    EXPECT_EQ(LigneCouple(state, 0), state.TabFich[0] + QString(110 - 14, u' ') + state.TabFich[1]);
    EXPECT_EQ(LigneListeVoisin(state, 0), QStringLiteral("      ") + LigneCouple(state, 0));
}

// Bytes the French way whatever the system's locale: units of 1024, one decimal, decimal
// comma, digits grouped by the French locale's separator.
TEST(TextesFenetre, LesOctetsSontDitsALaFrancaise) {
    const QLocale avant;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString groupe = QLocale(QLocale::French, QLocale::France).groupSeparator();
    const struct {
        qint64 octets;
        QString texte;
    } cas[] = {
        {0, QStringLiteral("0 octet")},
        {1, QStringLiteral("1 octet")},
        {1023, QStringLiteral("1") + groupe + QStringLiteral("023 octets")},
        {1024, QStringLiteral("1,0 Ko")},
        {1536, QStringLiteral("1,5 Ko")},
        {51170508, QStringLiteral("48,8 Mo")},
        {qint64(3) << 30, QStringLiteral("3,0 Go")},
        {qint64(1500) << 40, QStringLiteral("1") + groupe + QStringLiteral("500,0 To")},
    };
    for (const auto& c : cas) EXPECT_EQ(TexteOctets(c.octets), c.texte) << c.octets;
    EXPECT_EQ(TexteNombre(25038, u"fichier", u"fichiers"),
              QStringLiteral("25") + groupe + QStringLiteral("038 fichiers"));
    EXPECT_EQ(TexteNombre(1, u"fichier", u"fichiers"), u"1 fichier");
    QLocale::setDefault(avant);
}

}  // namespace
}  // namespace tidemark
