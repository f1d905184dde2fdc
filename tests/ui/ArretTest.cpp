// A purge run and "Ces Fichiers" stopped with "Arrêter" part-way, on trees of 50,000 files:
// every file is either in place or in the garage with its bytes, no move is left half-way,
// and the status line says how many files went.
#include "tests/ui/FenetreFixture.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <fcntl.h>
#include <unistd.h>

namespace tidemark::test {
namespace {

class ArretTest : public FenetreTest {
protected:
    // On a tmpfs where there is one: tens of thousands of files are made and moved quickly.
    ArretTest()
        : FenetreTest(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                          ? QStringLiteral("/dev/shm")
                          : QString()) {}

    // Writes the files fast: a file's bytes are its own name.
    void ecrit(const QString& dossier, const QStringList& noms) {
        arbre.dossier(dossier);
        const QByteArray rep = QFile::encodeName(arbre.chemin(dossier));
        for (const QString& nom : noms) {
            const QByteArray chemin = rep + '/' + nom.toUtf8();
            const int fd = ::open(chemin.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, nom.toUtf8().constData(), size_t(nom.size())), nom.size());
            ::close(fd);
        }
        fichiers_.append(noms.size());
        for (const QString& nom : noms) tous_.append(dossier + u'/' + nom);
    }

    // Clicks "Arrêter" at the first progress of the disposal itself.
    void arreteEnCours() {
        QObject::connect(
            &app->session(), &Session::progression, form1(), [this](qint64 valeur, qint64) {
                if (!arrete_ && valeur > 0 && controle("CmdStop")->isVisible()) {
                    arrete_ = true;
                    EXPECT_EQ(controle<QAbstractButton>("CmdStop")->text(), u"Arrêter");
                    controle<QAbstractButton>("CmdStop")->click();
                }
            });
    }

    // Every file in place or in the garage, whole (the bytes of one file in 25 are read);
    // returns how many went to the garage.
    qsizetype verifie() {
        QSet<QString> presents;
        const qsizetype racine = arbre.chemin().size() + 1;
        QDirIterator it(arbre.chemin(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString chemin = it.next();
            EXPECT_FALSE(chemin.contains(u".tidemark-")) << chemin.toStdString();
            presents.insert(chemin.sliced(racine));
        }
        qsizetype deplaces = 0, k = 0;
        for (const QString& fichier : std::as_const(tous_)) {
            const QString garage = QStringLiteral("_/") + fichier;
            const bool ici = presents.contains(fichier), la = presents.contains(garage);
            EXPECT_NE(ici, la) << fichier.toStdString();
            if (++k % 25 == 0) {
                EXPECT_EQ(arbre.contenu(la ? garage : fichier), fichier.section(u'/', -1).toUtf8());
            }
            deplaces += la;
        }
        return deplaces;
    }

    // The figures of the status line: files done, files left.
    std::pair<qsizetype, qsizetype> bilan() const {
        const auto m = QRegularExpression(QStringLiteral("Arrêté : (\\d+) fichier\\(s\\) "
                                                         "traité\\(s\\), (\\d+) laissé"))
                           .match(texte("LbAvis"));
        EXPECT_TRUE(m.hasMatch()) << texte("LbAvis").toStdString();
        return {m.captured(1).toLongLong(), m.captured(2).toLongLong()};
    }

    // After a stop part-way through `total` files: every file in place or in the garage, and
    // the status line counts exactly the files moved and some left; returns how many moved.
    qsizetype verifieArret(qsizetype total) {
        EXPECT_TRUE(arrete_);
        const qsizetype deplaces = verifie();
        const auto [faits, restes] = bilan();
        EXPECT_EQ(faits, deplaces);
        EXPECT_EQ(faits + restes, total);
        EXPECT_GT(restes, 0);
        return deplaces;
    }

    QStringList tous_;
    QList<qsizetype> fichiers_;
    bool arrete_ = false;
};

TEST_F(ArretTest, StoppedPurgeRunLeavesEachFileInPlaceOrInTheGarage) {
    // 500 folders of 50 models in two revisions: 25,000 older revisions to move.
    for (int d = 0; d < 500; ++d) {
        QStringList noms;
        for (int m = 0; m < 50; ++m)
            for (int r = 1; r <= 2; ++r) noms.append(QStringLiteral("m%1.prt.%2").arg(m).arg(r));
        ecrit(QStringLiteral("w/d%1").arg(d), noms);
    }
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\w"));
    demarre();
    controle<QCheckBox>("Chk0", form2())->click();
    clique("CmdAppliquer", form2());
    clique("sousrep");
    ASSERT_EQ(state().TabFich.size(), 50000u);
    clique("CmdPurge");
    ASSERT_EQ(texte("nbfich"), u"25000");

    arreteEnCours();
    clique("CmdTrait");
    const qsizetype deplaces = verifieArret(25000);
    // The rescan followed: the list holds what is left.
    EXPECT_EQ(state().TabFich.size(), std::size_t(50000 - deplaces));
    EXPECT_FALSE(controle("CmdStop")->isVisible());
}

TEST_F(ArretTest, StoppedCesFichiersLeavesEachFileInPlaceOrInTheGarage) {
    // 25,000 couples between w\a and w\b.
    for (const char* cote : {"a", "b"}) {
        QStringList noms;
        for (int k = 0; k < 25000; ++k)
            noms.append(QStringLiteral("f%1.prt.%2").arg(k).arg(*cote == 'a' ? 1 : 2));
        ecrit(QStringLiteral("w/") + QLatin1String(cote), noms);
    }
    store.save(SectionDemarrage, QStringLiteral("memrepert"), QStringLiteral("c:\\w"));
    demarre();
    clique("sousrep");
    clique("CmdPurge");
    clique("CmdMulti");
    clique("CmdTraitMulti");

    arreteEnCours();
    clique("CmdDepMulti1");
    verifieArret(25000);
    for (int k = 0; k < 25000; k += 997)
        EXPECT_TRUE(arbre.existe(QStringLiteral("w/b/f%1.prt.2").arg(k)));
}

}  // namespace
}  // namespace tidemark::test
