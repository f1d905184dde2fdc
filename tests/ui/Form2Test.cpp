#include "core/Configurations.h"
#include "tests/ui/FenetreFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

namespace tidemark::test {
namespace {

class Form2Test : public FenetreTest {
protected:
    QLineEdit* champ(const char* nom) const { return controle<QLineEdit>(nom, form2()); }
    QCheckBox* case_(int k) const {
        return controle<QCheckBox>(QStringLiteral("Chk%1").arg(k).toLatin1().constData(), form2());
    }
    QComboBox* noms() const { return controle<QComboBox>("NomDeConf", form2()); }
};

TEST_F(Form2Test, ShowsTheTableAndTitle) {
    demarre();
    EXPECT_EQ(form2()->windowTitle(),
              u"Velnor 2002/05 Tidemark - Configurations  v.1.05 du 25/11/2005");
    EXPECT_EQ(controle<QLabel>("Lbl0", form2())->text(), u"*.prt.*  : ");
    EXPECT_EQ(controle<QLabel>("Lbl8", form2())->text(), u"trail.txt.*  : ");
    EXPECT_EQ(case_(0)->text(), u"Pièces");
    EXPECT_EQ(case_(11)->text(), u" ");
    EXPECT_EQ(case_(20)->text(), u"Opt3  :");
    EXPECT_EQ(champ("NbRev")->text(), u"1");
    EXPECT_EQ(champ("NbRev1")->text(), u"0");
    EXPECT_EQ(champ("Tot0")->text(), u" ");
    EXPECT_EQ(controle<QGroupBox>("Frame1", form2())->title(), u" Configuration Courante : ");
}

TEST_F(Form2Test, NbRevNeverGoesBelowOne) {
    demarre();
    for (const char* saisie : {"0", "", "abc", "-2"}) {
        champ("NbRev")->setText(QString::fromLatin1(saisie));
        EXPECT_EQ(champ("NbRev")->text(), u"1") << saisie;
    }
    champ("NbRev")->setText(QStringLiteral("3"));
    EXPECT_EQ(champ("NbRev")->text(), u"3");
    champ("NbRev1")->setText(QStringLiteral("0"));
    EXPECT_EQ(champ("NbRev1")->text(), u"0");
}

TEST_F(Form2Test, AppliquerRescansAndCacherDoesNot) {
    arbre.fichiers({"a.prt.1", "b.drw.1", "c.txt"});
    demarre();
    ASSERT_EQ(lignes().size(), 3);
    case_(0)->click();
    champ("NbRev")->setText(QStringLiteral("2"));
    clique("CmdAppliquer", form2());
    EXPECT_EQ(state().FiltreFich, u"*.prt.*");
    EXPECT_EQ(controle<QComboBox>("typef")->currentText(), u"*.prt.*");
    EXPECT_EQ(lignes(), QStringList{"      a.prt.1"});
    EXPECT_EQ(state().options.ValNbRev, 2);
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("CurConf"), QStringLiteral("?")), u"");

    case_(2)->click();
    champ("NbRev1")->setText(QStringLiteral("4"));
    clique("CmdSortie", form2());
    EXPECT_FALSE(form2()->isVisible());
    EXPECT_TRUE(controle("CmdForm2Yes")->isVisible());
    EXPECT_FALSE(controle("CmdForm2No")->isVisible());
    EXPECT_EQ(state().TabConf[2].selection, 1);  // applied...
    EXPECT_EQ(state().options.ValNbRev1, 4);
    EXPECT_EQ(state().FiltreFich, u"*.prt.*");  // ...without a new pattern or scan
    EXPECT_EQ(lignes(), QStringList{"      a.prt.1"});
    EXPECT_NE(store.get(SectionDemarrage, QStringLiteral("toppos2")), u"");

    // Shown again, the window kept what "Cacher" applied.
    clique("CmdForm2Yes");
    EXPECT_TRUE(form2()->isVisible());
    EXPECT_TRUE(case_(2)->isChecked());
}

TEST_F(Form2Test, FlagsActAtOnce) {
    demarre();
    case_(0)->click();
    controle<QCheckBox>("ChkCaches", form2())->click();
    controle<QCheckBox>("ChkMaitreSansInd", form2())->click();
    EXPECT_EQ(state().options.ValCaches, 1);
    EXPECT_EQ(state().options.ValMaitreSansInd, 1);
    EXPECT_EQ(state().TabConf[0].selection, 0);  // the type boxes wait for "Appliquer"
}

TEST_F(Form2Test, NamedConfigurationSavedChosenAndErased) {
    demarre();
    case_(0)->click();
    champ("TxtOpt0")->setText(QStringLiteral("  *.bak "));
    case_(18)->click();
    champ("NbRev")->setText(QStringLiteral("2"));
    noms()->setEditText(QStringLiteral("Atelier"));
    clique("CmdSauver", form2());
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("_Atelier")),
              u"1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|*.bak|1||0||0|0|0|2|0|");
    EXPECT_EQ(noms()->count(), 1);

    // Another selection, then the stored one chosen by name, typed in other capitals.
    case_(0)->click();
    case_(5)->click();
    noms()->setEditText(QStringLiteral("ATELIER"));
    Q_EMIT noms()->textActivated(QStringLiteral("ATELIER"));
    EXPECT_TRUE(case_(0)->isChecked());
    EXPECT_FALSE(case_(5)->isChecked());
    EXPECT_EQ(champ("TxtOpt0")->text(), u"*.bak");
    EXPECT_EQ(champ("NbRev")->text(), u"2");
    EXPECT_EQ(noms()->currentText(), u"Atelier");

    clique("CmdAppliquer", form2());
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("curconf")), u"Atelier");
    // A name typed and never saved is not made current: it would load nothing at next start.
    noms()->setEditText(QStringLiteral("Brouillon"));
    clique("CmdAppliquer", form2());
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("curconf")), u"Atelier");
    noms()->setEditText(QStringLiteral("Atelier"));

    // "Effacer" asks first, "Non" its default; answered "Oui", the erased name leaves the box
    // and is no longer the current one.
    clique("CmdEffacer", form2());
    ASSERT_EQ(dialogues.confirmations.size(), 1);
    EXPECT_TRUE(
        dialogues.confirmations[0].endsWith(u"« Atelier » sera effacée définitivement.|Non"));
    EXPECT_TRUE(store.get(SectionDemarrage, QStringLiteral("_Atelier")).isEmpty());
    EXPECT_EQ(noms()->count(), 0);
    EXPECT_EQ(noms()->currentText(), u"");
    EXPECT_EQ(store.get(SectionDemarrage, QStringLiteral("curconf")), u"");
}

TEST_F(Form2Test, RefusesWhatWouldBeLost) {
    demarre();
    champ("TxtOpt1")->setText(QStringLiteral("*.a|b"));
    clique("CmdAppliquer", form2());
    EXPECT_EQ(dialogues.erreurs.size(), 1);
    EXPECT_EQ(state().TabConf[19].motif, u"");
    EXPECT_EQ(champ("TxtOpt1")->text(), u"");

    noms()->setEditText(QStringLiteral("a/b"));
    clique("CmdSauver", form2());
    EXPECT_EQ(dialogues.erreurs.size(), 2);
    EXPECT_TRUE(store.getAll(SectionDemarrage).size() <= 1);  // at most "curconf"
}

TEST_F(Form2Test, TotalsAreGroupedByThousands) {
    demarre();
    state().TabConf[0].octets = 1234567;
    state().TabConf[0].nombre = 1500;
    state().TabConf[9].octets = 1000;
    state().TabConf[9].nombre = 2;
    form2()->AjourTabConf();
    const QLocale locale;
    EXPECT_EQ(champ("Tot0")->text(), locale.toString(qint64(1234567)));
    EXPECT_EQ(champ("Nb0")->text(), u"1500");
    EXPECT_EQ(champ("TotTaille")->text(), locale.toString(qint64(1235567)));
    EXPECT_EQ(champ("TotNombre")->text(), u"1502");
    EXPECT_EQ(champ("Tot18")->text(), u" ");
    form2()->RazTabConf();
    EXPECT_EQ(champ("Tot0")->text(), u" ");
    EXPECT_EQ(state().TabConf[0].octets, 0);
}

}  // namespace
}  // namespace tidemark::test
