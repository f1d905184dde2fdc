#include "duplicates/MemeContenu.h"
#include "duplicates/PairesRepertoires.h"
#include "duplicates/RevueCouples.h"

#include "core/Drives.h"
#include "core/NomsFichier.h"
#include "inventory/Scan.h"
#include "tests/support/TempTree.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace tidemark {
namespace {

// A tree mounted as C:, listed from C:\w with its subdirectories and searched.
struct Arbre {
    test::TempTree tree;
    DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + tree.chemin());
    FileSystem fs;
    AppState state;
    void cherche() {
        state.FiltreFich = QStringLiteral("*");
        DemandeScan scan;
        scan.repertoire = QStringLiteral("C:\\w");
        scan.sousRepertoires = true;
        ScanSansDialogue sansDialogue;
        ASSERT_TRUE(Scan(state, scan, lecteurs, fs, sansDialogue).effectue);
        RechercheMultiples(state, DemandeRecherche{}, lecteurs, fs);
    }
    QString hote(qint32 p) const { return *lecteurs.versHote(CheminEntree(state, std::size_t(p))); }
};

TEST(PairesRepertoires, ComptentCommeUnRecomptageEtSAccordentAvecCesFichiers) {
    Arbre a;
    // Twelve folders (two differ by case only), forty models, one to three revisions each
    // scattered over them by a fixed sequence, of varying sizes.
    const QStringList dossiers = {"p/old", "p/release", "p/Release", "q", "q/r", "s/t/u",
                                  "v1",    "v2",        "v3",        "x", "y",   "z"};
    quint32 graine = 7;
    const auto suivant = [&graine](quint32 n) {
        return (graine = graine * 1103515245 + 12345) / 65536 % n;
    };
    for (int m = 0; m < 40; ++m) {
        for (quint32 r = 0, n = 1 + suivant(4); r < n; ++r)
            a.tree.fichier(QStringLiteral("w/%1/m%2.prt.%3")
                               .arg(dossiers[qsizetype(suivant(12))])
                               .arg(m)
                               .arg(r + 1),
                           QByteArray(qsizetype(suivant(300)), 'o'));
    }
    a.cherche();
    ASSERT_GT(a.state.Couples.size(), 30u);

    // The plain recount: a map by the two folder texts, sets of files per side.
    struct Compte {
        qint64 couples = 0;
        std::set<qint32> premiers, seconds;
    };
    std::map<std::pair<QString, QString>, Compte> attendu;
    for (const AppState::Couple& c : a.state.Couples) {
        Compte& n = attendu[{RepertoireEntree(a.state, std::size_t(c.premier)).toString(),
                             RepertoireEntree(a.state, std::size_t(c.second)).toString()}];
        ++n.couples;
        n.premiers.insert(c.premier);
        n.seconds.insert(c.second);
    }
    const auto octets = [&a](const std::set<qint32>& fichiers) {
        qint64 total = 0;
        for (const qint32 p : fichiers) total += QFileInfo(a.hote(p)).size();
        return total;
    };
    std::vector<qint32> paireDe;
    const std::vector<PaireRepertoires> paires = PairesRepertoires(Vue(a.state), {}, &paireDe);
    ASSERT_EQ(paires.size(), attendu.size());
    // Each couple is told the pair of its two folders.
    ASSERT_EQ(paireDe.size(), a.state.Couples.size());
    for (std::size_t k = 0; k < paireDe.size(); ++k) {
        const AppState::Couple& c = a.state.Couples[k];
        ASSERT_GE(paireDe[k], 0);
        EXPECT_EQ(paires[std::size_t(paireDe[k])].premier,
                  RepertoireEntree(a.state, std::size_t(c.premier)));
        EXPECT_EQ(paires[std::size_t(paireDe[k])].second,
                  RepertoireEntree(a.state, std::size_t(c.second)));
    }
    for (std::size_t k = 0; k < paires.size(); ++k) {
        const PaireRepertoires& p = paires[k];
        const Compte& n = attendu.at({p.premier, p.second});
        EXPECT_EQ(p.couples, n.couples);
        EXPECT_EQ(p.fichiersPremier, qint64(n.premiers.size()));
        EXPECT_EQ(p.fichiersSecond, qint64(n.seconds.size()));
        EXPECT_EQ(p.octetsPremier, octets(n.premiers));
        EXPECT_EQ(p.octetsSecond, octets(n.seconds));
        // Most couples first, then the order of the first couple in the table.
        if (k > 0) {
            EXPECT_TRUE(paires[k - 1].couples > p.couples ||
                        (paires[k - 1].couples == p.couples &&
                         paires[k - 1].premierCouple < p.premierCouple));
        }
        // "Ces Fichiers" from the pair's first couple takes exactly the pair's first files.
        const CoupleRevue revue = CoupleDeLaTable(a.state, p.premierCouple);
        EXPECT_EQ(paireDe[p.premierCouple], qint32(k));
        const std::vector<qint32> cas = FichiersDuMemeCas(a.state, revue, CoteCouple::Premier);
        EXPECT_EQ(std::set<qint32>(cas.begin(), cas.end()), n.premiers) << p.premier.toStdString();
    }
}

TEST(MemeContenu, SAccordeAvecUneComparaisonOctetParOctetEtLitChaqueFichierUneFois) {
    TIDEMARK_SAUF_WINDOWS("no named pipe or /dev/zero to put in a folder");
    Arbre a;
    const QByteArray gros(3 * 1024 * 1024 + 17, 'g');  // several chunks
    QByteArray grosFin = gros;
    grosFin[grosFin.size() - 1] = 'h';
    const std::vector<std::pair<const char*, std::pair<QByteArray, QByteArray>>> cas = {
        {"meme", {"abc", "abc"}},     {"fin", {"abcd", "abce"}}, {"debut", {"xbcd", "abcd"}},
        {"taille", {"abc", "abcd"}},  {"vide", {"", ""}},        {"gros", {gros, gros}},
        {"grosfin", {gros, grosFin}},
    };
    for (const auto& [nom, contenus] : cas) {
        a.tree.fichier(QStringLiteral("w/a/%1.prt.1").arg(nom), contenus.first);
        a.tree.fichier(QStringLiteral("w/b/%1.prt.1").arg(nom), contenus.second);
    }
    // Links count as the file they point to; a pipe or a device is never read.
    a.tree.fichier(QStringLiteral("cibles/l1"), "abc");
    a.tree.fichier(QStringLiteral("cibles/l2"), "abd");
    a.tree.lien(QStringLiteral("w/c/meme.prt.2"), a.tree.chemin(QStringLiteral("cibles/l1")));
    a.tree.lien(QStringLiteral("w/c/fin.prt.2"), a.tree.chemin(QStringLiteral("cibles/l2")));
    a.tree.piege(QStringLiteral("cibles/tube"), test::TempTree::Piege::Tube);
    a.tree.lien(QStringLiteral("w/c/vide.prt.2"), a.tree.chemin(QStringLiteral("cibles/tube")));
    a.tree.piege(QStringLiteral("w/c/debut.prt.2"), test::TempTree::Piege::LienZero);
    // One model in three folders, three revisions shared by couples: each file read once.
    for (const char* d : {"d", "e", "f"})
        a.tree.fichier(QStringLiteral("w/%1/tri.prt.1").arg(d), gros);
    a.cherche();

    CacheContenus cache;
    const std::size_t n = a.state.Couples.size();
    const ContenusCompares r = CompareContenus(Vue(a.state), 0, n, a.lecteurs, cache);
    ASSERT_EQ(r.verdicts.size(), n);
    std::set<QString> lus;
    qint64 octetsDistincts = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const QString h1 = a.hote(a.state.Couples[k].premier);
        const QString h2 = a.hote(a.state.Couples[k].second);
        QFile f1(h1), f2(h2);
        const bool lisibles = QFileInfo(h1).isFile() && QFileInfo(h2).isFile() &&
                              f1.open(QIODevice::ReadOnly) && f2.open(QIODevice::ReadOnly);
        const Contenu attendu = !lisibles                      ? Contenu::Illisible
                                : f1.readAll() == f2.readAll() ? Contenu::Identique
                                                               : Contenu::Different;
        EXPECT_EQ(r.verdicts[k], attendu) << h1.toStdString() << " " << h2.toStdString();
        for (const QString& h : {h1, h2}) {
            if (lisibles && QFileInfo(h1).size() == QFileInfo(h2).size() &&
                QFileInfo(h).size() > 0 && lus.insert(QFileInfo(h).canonicalFilePath()).second)
                octetsDistincts += QFileInfo(h).size();
        }
    }
    EXPECT_LE(r.octetsLus, octetsDistincts);
    EXPECT_EQ(r.fichiersLus, qint64(lus.size()));
    EXPECT_EQ(r.illisibles.size(), 2u);

    // Asked again: nothing read; a file rewritten since is read again.
    const ContenusCompares encore = CompareContenus(Vue(a.state), 0, n, a.lecteurs, cache);
    EXPECT_EQ(encore.verdicts, r.verdicts);
    EXPECT_EQ(encore.octetsLus, 0);
    EXPECT_GT(encore.depuisCache, 0);
    a.tree.fichier(QStringLiteral("w/b/fin.prt.1"), "abcd");
    a.tree.date(QStringLiteral("w/b/fin.prt.1"), 1000);
    const ContenusCompares apres = CompareContenus(Vue(a.state), 0, n, a.lecteurs, cache);
    EXPECT_EQ(apres.fichiersLus, 2);
    EXPECT_EQ(std::count(apres.verdicts.begin(), apres.verdicts.end(), Contenu::Identique),
              std::count(r.verdicts.begin(), r.verdicts.end(), Contenu::Identique) + 1);
}

}  // namespace
}  // namespace tidemark
