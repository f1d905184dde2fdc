#include "garage/Garage.h"

#include "core/Drives.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <optional>
#include <tuple>
#include <vector>

#include <sys/stat.h>

namespace tidemark {
namespace {

using test::TempTree;

// A temporary tree mounted as drive C:, with a file-system service that a fault plan can
// make fail.
struct Garage : ::testing::Test {
    TempTree tree;
    DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + tree.chemin());
    FaultPlan plan;
    FileSystem fs{&plan};

    void lectureSeule(const QString& relatif) { tree.lectureSeule(relatif); }
    bool estLectureSeule(const QString& relatif) const {
        return fs.isReadOnly(tree.chemin(relatif));
    }
};

// The relative host path of a chain of `n` folders d1\d2\...\dn and a file in the last one.
QString Profond(int n, const QString& nom, QChar separateur) {
    QString chemin;
    for (int i = 1; i <= n; ++i) chemin += QStringLiteral("d%1").arg(i) + separateur;
    return chemin + nom;
}

TEST(GarageChemin, LeFichierGardeSonSousArbreSousLeDossierSouligne) {
    const struct {
        const char16_t* chemin;
        const char16_t* garage;
    } lignes[] = {
        {u"C:\\a.prt.2", u"C:\\_\\a.prt.2"},
        {u"C:\\proj\\piston.prt.1", u"C:\\_\\proj\\piston.prt.1"},
        {u"D:\\w\\x\\y\\z.asm.7", u"D:\\_\\w\\x\\y\\z.asm.7"},
    };
    for (const auto& l : lignes)
        EXPECT_EQ(CheminGarage(QString::fromUtf16(l.chemin)), QString::fromUtf16(l.garage));
}

TEST_F(Garage, DeplaceSousLeMemeSousArbreEnCreantLesDossiersManquants) {
    const struct {
        const char* fichier;
        const char16_t* chemin;
        const char16_t* cible;
        const char* garage;
    } lignes[] = {
        {"a.prt.2", u"C:\\a.prt.2", u"C:\\_\\a.prt.2", "_/a.prt.2"},
        {"proj/piston.prt.1", u"C:\\proj\\piston.prt.1", u"C:\\_\\proj\\piston.prt.1",
         "_/proj/piston.prt.1"},
        {"w/x/y/z.asm.7", u"C:\\w\\x\\y\\z.asm.7", u"C:\\_\\w\\x\\y\\z.asm.7", "_/w/x/y/z.asm.7"},
        {"Pièces détachées/écrou M6.prt.3", u"C:\\Pièces détachées\\écrou M6.prt.3",
         u"C:\\_\\Pièces détachées\\écrou M6.prt.3", "_/Pièces détachées/écrou M6.prt.3"},
    };
    for (const auto& l : lignes) {
        const QString fichier = QString::fromUtf8(l.fichier);
        tree.fichier(fichier, fichier.toUtf8());
        const ResultatDisposition r = DeplaceGarage(QString::fromUtf16(l.chemin), lecteurs, fs);
        EXPECT_TRUE(r.ok()) << r.raison.toStdString();
        EXPECT_FALSE(r.laisse);
        EXPECT_EQ(r.cible, QString::fromUtf16(l.cible));
        EXPECT_FALSE(tree.existe(fichier)) << l.fichier;
        EXPECT_EQ(tree.contenu(QString::fromUtf8(l.garage)), fichier.toUtf8()) << l.garage;
    }
    EXPECT_EQ(tree.tout(), (QStringList{"_/Pièces détachées/écrou M6.prt.3", "_/a.prt.2",
                                        "_/proj/piston.prt.1", "_/w/x/y/z.asm.7"}));
}

TEST_F(Garage, UnFichierALaRacineNeCreeQueLeGarage) {
    tree.fichier(QStringLiteral("a.prt.2"));
    ASSERT_TRUE(DeplaceGarage(QStringLiteral("C:\\a.prt.2"), lecteurs, fs).ok());
    EXPECT_EQ(plan.compte(OperationFs::CreeDossier), 1);
    EXPECT_EQ(tree.tout(), QStringList{"_/a.prt.2"});
}

TEST_F(Garage, LesDossiersSontCreesUnNiveauALaFoisEtSeulementSIlsManquent) {
    tree.dossier(QStringLiteral("_/w"));
    tree.fichier(QStringLiteral("w/x/y/z.asm.7"));
    ASSERT_TRUE(DeplaceGarage(QStringLiteral("C:\\w\\x\\y\\z.asm.7"), lecteurs, fs).ok());
    EXPECT_EQ(plan.compte(OperationFs::CreeDossier), 2) << "_/w/x and _/w/x/y only";
    EXPECT_TRUE(tree.existe(QStringLiteral("_/w/x/y/z.asm.7")));
}

TEST_F(Garage, ArbresProfondsDeTreizeEtVingtNiveaux) {
    for (const int n : {13, 20, 60}) {
        const QString nom = QStringLiteral("piece%1.prt.4").arg(n);
        tree.fichier(Profond(n, nom, u'/'), "profond");
        const ResultatDisposition r =
            DeplaceGarage(QStringLiteral("C:\\") + Profond(n, nom, u'\\'), lecteurs, fs);
        EXPECT_TRUE(r.ok()) << n << " " << r.raison.toStdString();
        EXPECT_EQ(tree.contenu(QStringLiteral("_/") + Profond(n, nom, u'/')), "profond") << n;
        EXPECT_FALSE(tree.existe(Profond(n, nom, u'/'))) << n;
    }
}

TEST_F(Garage, UneCopiePlusAncienneEstRemplaceeMemeEnLectureSeule) {
    tree.fichier(QStringLiteral("_/proj/piston.prt.1"), "ancienne");
    lectureSeule(QStringLiteral("_/proj/piston.prt.1"));
    tree.fichier(QStringLiteral("proj/piston.prt.1"), "nouvelle");

    const ResultatDisposition r =
        DeplaceGarage(QStringLiteral("C:\\proj\\piston.prt.1"), lecteurs, fs);
    ASSERT_TRUE(r.ok()) << r.raison.toStdString();
    EXPECT_EQ(tree.contenu(QStringLiteral("_/proj/piston.prt.1")), "nouvelle");
    EXPECT_EQ(tree.tout(), QStringList{"_/proj/piston.prt.1"}) << "no temporary name is left";
    EXPECT_EQ(plan.compte(OperationFs::Supprime), 0)
        << "the older copy is replaced in one step, never deleted first";
}

TEST_F(Garage, UnFichierEnLectureSeuleEstDeplaceCommeUnAutre) {
    tree.fichier(QStringLiteral("proj/axe.prt.3"), "ro");
    lectureSeule(QStringLiteral("proj/axe.prt.3"));
    ASSERT_TRUE(DeplaceGarage(QStringLiteral("C:\\proj\\axe.prt.3"), lecteurs, fs).ok());
    EXPECT_EQ(tree.contenu(QStringLiteral("_/proj/axe.prt.3")), "ro");
    EXPECT_TRUE(estLectureSeule(QStringLiteral("_/proj/axe.prt.3")));
}

TEST_F(Garage, UnLienSymboliqueEstDeplaceCommeLienSansToucherSaCible) {
    TIDEMARK_SAUF_WINDOWS("symbolic links need a privilege an ordinary user lacks");
    tree.fichier(QStringLiteral("cible.prt.1"), "cible");
    tree.lien(QStringLiteral("proj/lien.prt.1"), tree.chemin(QStringLiteral("cible.prt.1")));
    ASSERT_TRUE(DeplaceGarage(QStringLiteral("C:\\proj\\lien.prt.1"), lecteurs, fs).ok());
    const std::optional<InfoFichier> info =
        fs.info(tree.chemin(QStringLiteral("_/proj/lien.prt.1")));
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->lien);
    EXPECT_EQ(tree.contenu(QStringLiteral("cible.prt.1")), "cible");
}

TEST_F(Garage, UnCheminSousUnAutreLecteurPrendSaFormeUnique) {
    // D: is a folder of C:; C:\sub\x.prt.1 is D:\x.prt.1, whose garage is D:\_.
    tree.fichier(QStringLiteral("sub/x.prt.1"), "x");
    const DriveMap deux = DriveMap::Depuis(
        QStringLiteral("C=%1;D=%2").arg(tree.chemin(), tree.chemin(QStringLiteral("sub"))));
    const ResultatDisposition r = DeplaceGarage(QStringLiteral("C:\\sub\\x.prt.1"), deux, fs);
    ASSERT_TRUE(r.ok()) << r.raison.toStdString();
    EXPECT_EQ(r.cible, QStringLiteral("D:\\_\\x.prt.1"));
    EXPECT_EQ(tree.tout(), QStringList{"sub/_/x.prt.1"});
}

TEST_F(Garage, RefuseAvantToutChangementLesCheminsHorsForme) {
    tree.fichier(QStringLiteral("proj/piston.prt.1"), "p");
    tree.fichier(QStringLiteral("_/proj/vieux.prt.1"), "g");
#ifdef _WIN32
    const QString longNom = QString(255 + 1, u'n');
#else
    const QString longNom = QString(NAME_MAX + 1, u'n');
#endif
    const struct {
        QString chemin;
        int erreur;
        const char16_t* motif;  // part of the reason
    } lignes[] = {
        {QStringLiteral("proj\\piston.prt.1"), EINVAL, u"forme X:\\"},
        {QStringLiteral("\\\\serveur\\proj\\piston.prt.1"), EINVAL, u"forme X:\\"},
        {QStringLiteral("C:proj\\piston.prt.1"), EINVAL, u"forme X:\\"},
        {QStringLiteral("C:\\"), EINVAL, u"forme X:\\"},
        {QStringLiteral("C:/proj/piston.prt.1"), EINVAL, u"forme X:\\"},
        {QStringLiteral("C:\\proj\\\\piston.prt.1"), EINVAL, u"forme X:\\"},
        {QStringLiteral("C:\\proj\\"), EINVAL, u"forme X:\\"},
        {QStringLiteral("C:\\proj/x\\piston.prt.1"), EINVAL, u"forme X:\\"},
        {QStringLiteral("C:\\proj\\..\\proj\\piston.prt.1"), EINVAL, u"« .. »"},
        {QStringLiteral("C:\\..\\piston.prt.1"), EINVAL, u"« .. »"},
        {QStringLiteral("C:\\.\\proj\\piston.prt.1"), EINVAL, u"« . »"},
        {QStringLiteral("C:\\_\\proj\\vieux.prt.1"), EINVAL, u"déjà dans un garage"},
        {QStringLiteral("c:\\_\\proj\\vieux.prt.1"), EINVAL, u"déjà dans un garage"},
        {QStringLiteral("C:\\_"), EINVAL, u"déjà dans un garage"},
        {QStringLiteral("Q:\\proj\\piston.prt.1"), ENOENT, u"aucun lecteur"},
        {QStringLiteral("C:\\proj\\") + longNom, ENAMETOOLONG, u"plus long que le système"},
        {QStringLiteral("C:\\proj\\absent.prt.1"), ENOENT, u"introuvable"},
        {QStringLiteral("C:\\proj"), EISDIR, u"dossier"},
    };
    const QStringList avant = tree.tout();
    for (const auto& l : lignes) {
        const ResultatDisposition r = DeplaceGarage(l.chemin, lecteurs, fs);
        EXPECT_FALSE(r.ok()) << l.chemin.toStdString();
        EXPECT_EQ(r.erreur, l.erreur) << l.chemin.toStdString();
        EXPECT_TRUE(r.raison.contains(QString::fromUtf16(l.motif))) << r.raison.toStdString();
        EXPECT_EQ(r.chemin, l.chemin);
        EXPECT_EQ(tree.tout(), avant) << l.chemin.toStdString();
    }
    EXPECT_EQ(plan.compte(OperationFs::CreeDossier), 0);
    EXPECT_EQ(plan.compte(OperationFs::Renomme), 0);
    EXPECT_FALSE(tree.existe(QStringLiteral("_/proj/piston.prt.1")));
}

TEST_F(Garage, UnRefusNommeLeChemin) {
    const QString chemin = QStringLiteral("C:\\proj\\..\\piston.prt.1");
    EXPECT_TRUE(DeplaceGarage(chemin, lecteurs, fs).raison.contains(chemin));
    const QString garage = QStringLiteral("C:\\_\\proj\\piston.prt.1");
    EXPECT_TRUE(DeplaceGarage(garage, lecteurs, fs).raison.contains(garage));
}

TEST_F(Garage, UnCheminDeGarageTropLongPourLeSystemeEstRefuseAvantToutChangement) {
    TIDEMARK_SAUF_WINDOWS("paths reach 32,767 characters there in the long form");
    // A file the platform holds whose garage path (two characters longer: "/_") it cannot.
    const int racine = int(QFile::encodeName(tree.chemin()).size());
    const int voulu = PATH_MAX - 2;  // the source's host path length, without its NUL
    QString relatif;
    while (racine + 1 + relatif.size() + 200 + 1 < voulu - 20) relatif += QString(199, u'd') + u'/';
    relatif += QString(voulu - racine - 1 - int(relatif.size()), u'f');
    ASSERT_EQ(QFile::encodeName(tree.chemin(relatif)).size(), voulu);
    tree.fichier(relatif, "long");
    ASSERT_TRUE(tree.existe(relatif));

    QString chemin = QStringLiteral("C:\\") + relatif;
    chemin.replace(u'/', u'\\');
    const ResultatDisposition r = DeplaceGarage(chemin, lecteurs, fs);
    EXPECT_EQ(r.erreur, ENAMETOOLONG);
    EXPECT_TRUE(r.raison.contains(QStringLiteral("plus long que le système")))
        << r.raison.toStdString();
    EXPECT_EQ(plan.compte(OperationFs::CreeDossier), 0);
    EXPECT_FALSE(tree.existe(QStringLiteral("_")));
    EXPECT_EQ(tree.contenu(relatif), "long");
}

TEST_F(Garage, UnDeplacementQuiEchoueNePerdNiLeFichierNiLAncienneCopie) {
    struct Panne {
        const char* nom;
        std::vector<std::tuple<OperationFs, int, int>> pannes;
    };
    const Panne pannes[] = {
        {"rename refused", {{OperationFs::Renomme, 1, EACCES}}},
        {"copy across file systems out of space",
         {{OperationFs::Renomme, 1, EXDEV}, {OperationFs::Copie, 1, ENOSPC}}},
        {"copy placed, folder sync fails",
         {{OperationFs::Renomme, 1, EXDEV}, {OperationFs::Synchronise, 2, EIO}}},
        {"copy placed, source cannot be removed",
         {{OperationFs::Renomme, 1, EXDEV}, {OperationFs::Supprime, 1, EBUSY}}},
    };
    for (const Panne& p : pannes) {
        TempTree arbre;
        const DriveMap carte = DriveMap::Depuis(QStringLiteral("C=") + arbre.chemin());
        FaultPlan panne;
        for (const auto& [operation, rang, code] : p.pannes) panne.echoue(operation, rang, code);
        FileSystem service(&panne);
        arbre.fichier(QStringLiteral("proj/piston.prt.1"), "nouvelle");
        arbre.fichier(QStringLiteral("_/proj/piston.prt.1"), "ancienne");
        arbre.lectureSeule(QStringLiteral("_/proj/piston.prt.1"));

        const ResultatDisposition r =
            DeplaceGarage(QStringLiteral("C:\\proj\\piston.prt.1"), carte, service);
        EXPECT_FALSE(r.ok()) << p.nom;
        EXPECT_TRUE(r.raison.startsWith(
            QStringLiteral("déplacement vers « C:\\_\\proj\\piston.prt.1 » impossible : ")))
            << r.raison.toStdString();
        EXPECT_EQ(arbre.contenu(QStringLiteral("proj/piston.prt.1")), "nouvelle") << p.nom;
        EXPECT_EQ(arbre.contenu(QStringLiteral("_/proj/piston.prt.1")), "ancienne") << p.nom;
        EXPECT_EQ(arbre.tout(), (QStringList{"_/proj/piston.prt.1", "proj/piston.prt.1"}))
            << p.nom << ": nothing else, no temporary file";
    }
}

TEST_F(Garage, UnGarageImpossibleACreerLeDitEtLeFichierReste) {
    tree.fichier(QStringLiteral("proj/piston.prt.1"), "p");
    const struct {
        const char* nom;
        int rang;  // which folder creation fails
        const char16_t* attendu;
    } lignes[] = {
        {"the garage itself", 1,
         u"le garage « C:\\_ » ne peut pas être créé (accès refusé) ; le fichier reste en place"},
        {"a folder inside it", 2,
         u"le dossier « C:\\_\\proj » du garage ne peut pas être créé (accès refusé) ; le "
         u"fichier reste en place"},
    };
    for (const auto& l : lignes) {
        FaultPlan panne;
        panne.echoue(OperationFs::CreeDossier, l.rang, EACCES);
        FileSystem service(&panne);
        const ResultatDisposition r =
            DeplaceGarage(QStringLiteral("C:\\proj\\piston.prt.1"), lecteurs, service);
        EXPECT_EQ(r.erreur, EACCES) << l.nom;
        EXPECT_EQ(r.raison, QString::fromUtf16(l.attendu)) << l.nom;
        EXPECT_EQ(tree.contenu(QStringLiteral("proj/piston.prt.1")), "p") << l.nom;
    }
    // A file named "_" at the drive root stands where the garage would be.
    TempTree arbre;
    arbre.fichier(QStringLiteral("_"), "pas un dossier");
    arbre.fichier(QStringLiteral("a.prt.1"), "a");
    FileSystem service;
    const ResultatDisposition r =
        DeplaceGarage(QStringLiteral("C:\\a.prt.1"),
                      DriveMap::Depuis(QStringLiteral("C=") + arbre.chemin()), service);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.raison.startsWith(QStringLiteral("le garage « C:\\_ » ne peut pas être créé")))
        << r.raison.toStdString();
    EXPECT_EQ(arbre.tout(), (QStringList{"_", "a.prt.1"}));
}

TEST_F(Garage, EffaceFichierSuitLaRegleDeLectureSeule) {
    const struct {
        const char* nom;
        bool lectureSeule;
        int valCaches;
        bool reste;
        bool laisse;
    } lignes[] = {
        {"writable, flag 0: deleted", false, 0, false, false},
        {"writable, flag 1: deleted", false, 1, false, false},
        {"read-only, flag 0: left in silence", true, 0, true, true},
        {"read-only, flag 1: deleted", true, 1, false, false},
        {"read-only, flag 2: only exactly 1 deletes", true, 2, true, true},
    };
    for (const auto& l : lignes) {
        const QString relatif = QStringLiteral("proj/f.prt.1");
        tree.fichier(relatif, "f");
        if (l.lectureSeule)
            lectureSeule(relatif);
        const ResultatDisposition r =
            EffaceFichier(QStringLiteral("C:\\proj\\f.prt.1"), l.valCaches, lecteurs, fs);
        EXPECT_TRUE(r.ok()) << l.nom << ": " << r.raison.toStdString();
        EXPECT_TRUE(r.raison.isEmpty()) << l.nom;
        EXPECT_EQ(r.laisse, l.laisse) << l.nom;
        EXPECT_EQ(tree.existe(relatif), l.reste) << l.nom;
        if (tree.existe(relatif)) {
            ASSERT_TRUE(fs.forceRemove(tree.chemin(relatif)).ok());
        }
    }
}

TEST_F(Garage, EffaceFichierRapporteSesEchecs) {
    tree.fichier(QStringLiteral("proj/f.prt.1"), "f");
    plan.echoue(OperationFs::Supprime, 1, EBUSY);
    ResultatDisposition r = EffaceFichier(QStringLiteral("C:\\proj\\f.prt.1"), 0, lecteurs, fs);
    EXPECT_EQ(r.erreur, EBUSY);
    EXPECT_EQ(r.raison, QStringLiteral("fichier occupé"));
    EXPECT_TRUE(tree.existe(QStringLiteral("proj/f.prt.1")));

    r = EffaceFichier(QStringLiteral("C:\\proj\\absent.prt.1"), 0, lecteurs, fs);
    EXPECT_EQ(r.erreur, ENOENT);
    r = EffaceFichier(QStringLiteral("C:\\proj\\..\\proj\\f.prt.1"), 1, lecteurs, fs);
    EXPECT_EQ(r.erreur, EINVAL);
    r = EffaceFichier(QStringLiteral("Q:\\f.prt.1"), 1, lecteurs, fs);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(tree.existe(QStringLiteral("proj/f.prt.1")));
    // A garage file is never destroyed by a purge, however its path is written.
    tree.fichier(QStringLiteral("_/proj/f.prt.1"), "au garage");
    r = EffaceFichier(QStringLiteral("c:\\_\\proj\\f.prt.1"), 1, lecteurs, fs);
    EXPECT_EQ(r.raison, u"chemin refusé : « c:\\_\\proj\\f.prt.1 » se trouve dans un garage");
    EXPECT_TRUE(tree.existe(QStringLiteral("_/proj/f.prt.1")));
}

TEST_F(Garage, TraiteDoublonChoisitEtControleLeFichierAvantDAgir) {
    tree.fichier(QStringLiteral("a/piston.prt.1"), "a");
    tree.fichier(QStringLiteral("b/piston.prt.1"), "b");
    tree.fichier(QStringLiteral("c/piston.prt.1"), "c");
    const auto info = [&](const char* relatif) {
        return fs.info(tree.chemin(QString::fromUtf8(relatif)));
    };

    // Deplacer, unchanged since read: moved.
    const std::optional<InfoFichier> luA = info("a/piston.prt.1");
    ResultatDisposition r = TraiteDoublon(QStringLiteral("C:\\a\\piston.prt.1"),
                                          ModeDisposition::Deplacer, 0, &*luA, lecteurs, fs);
    EXPECT_TRUE(r.ok()) << r.raison.toStdString();
    EXPECT_EQ(tree.contenu(QStringLiteral("_/a/piston.prt.1")), "a");

    // Détruire with no facts to compare: deleted.
    r = TraiteDoublon(QStringLiteral("C:\\b\\piston.prt.1"), ModeDisposition::Detruire, 0, nullptr,
                      lecteurs, fs);
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(tree.existe(QStringLiteral("b/piston.prt.1")));

    // Changed since read: left alone under either mode.
    const std::optional<InfoFichier> lu = info("c/piston.prt.1");
    tree.fichier(QStringLiteral("c/piston.prt.1"), "c, enregistré depuis");
    for (const ModeDisposition mode : {ModeDisposition::Detruire, ModeDisposition::Deplacer}) {
        r = TraiteDoublon(QStringLiteral("C:\\c\\piston.prt.1"), mode, 1, &*lu, lecteurs, fs);
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.raison.contains(QStringLiteral("a changé"))) << r.raison.toStdString();
        EXPECT_EQ(tree.contenu(QStringLiteral("c/piston.prt.1")), "c, enregistré depuis");
    }
    EXPECT_FALSE(tree.existe(QStringLiteral("_/c/piston.prt.1")));
}

TEST_F(Garage, VerifieInchangeVoitLaDateLaTailleEtLaDisparition) {
    tree.fichier(QStringLiteral("p.prt.1"), "1234");
    tree.date(QStringLiteral("p.prt.1"), 1'000'000);
    const InfoFichier lu = *fs.info(tree.chemin(QStringLiteral("p.prt.1")));
    const QString chemin = QStringLiteral("C:\\p.prt.1");
    EXPECT_TRUE(VerifieInchange(chemin, lu, lecteurs, fs).ok());

    tree.date(QStringLiteral("p.prt.1"), 2'000'000);  // same size, touched
    EXPECT_EQ(VerifieInchange(chemin, lu, lecteurs, fs).erreur, EBUSY);
    tree.fichier(QStringLiteral("p.prt.1"), "12345");
    tree.date(QStringLiteral("p.prt.1"), 1'000'000);  // same date, other size
    EXPECT_EQ(VerifieInchange(chemin, lu, lecteurs, fs).erreur, EBUSY);
    ASSERT_TRUE(fs.forceRemove(tree.chemin(QStringLiteral("p.prt.1"))).ok());
    const ResultatDisposition r = VerifieInchange(chemin, lu, lecteurs, fs);
    EXPECT_EQ(r.erreur, ENOENT);
    EXPECT_TRUE(r.raison.contains(QStringLiteral("disparu")));
}

TEST(GarageMessage, CompteLesEchecsMontreLesPremiersEtDetailleTout) {
    EXPECT_TRUE(ComposeMessageEchecs({}).texte.isEmpty());
    EXPECT_TRUE(ComposeMessageEchecs({}).details.isEmpty());

    const MessageEchecs un =
        ComposeMessageEchecs({{QStringLiteral("C:\\p\\a.prt.1"), QStringLiteral("accès refusé")}});
    EXPECT_EQ(un.titre, QStringLiteral("Tidemark Velnor"));
    EXPECT_EQ(un.texte,
              QStringLiteral("1 fichier n'a pas pu être traité :\nC:\\p\\a.prt.1 : accès refusé"));
    EXPECT_EQ(un.details, QStringLiteral("C:\\p\\a.prt.1 : accès refusé"));

    std::vector<EchecDisposition> echecs;
    for (int i = 1; i <= 4; ++i)
        echecs.push_back({QStringLiteral("C:\\p\\f.prt.%1").arg(i), QStringLiteral("r%1").arg(i)});
    const MessageEchecs deux = ComposeMessageEchecs(echecs, 2);
    EXPECT_EQ(deux.texte, QStringLiteral("4 fichiers n'ont pas pu être traités :\n"
                                         "C:\\p\\f.prt.1 : r1\nC:\\p\\f.prt.2 : r2\n"
                                         "… et 2 autres, dans les détails."));
    EXPECT_EQ(deux.details, QStringLiteral("C:\\p\\f.prt.1 : r1\nC:\\p\\f.prt.2 : r2\n"
                                           "C:\\p\\f.prt.3 : r3\nC:\\p\\f.prt.4 : r4"));
    EXPECT_TRUE(ComposeMessageEchecs(echecs, 3).texte.endsWith(
        QStringLiteral("… et 1 autre, dans les détails.")));
    EXPECT_FALSE(ComposeMessageEchecs(echecs).texte.contains(QStringLiteral("autre")));
}

}  // namespace
}  // namespace tidemark
