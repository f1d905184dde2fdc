#include "core/LectureFichier.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <tuple>

namespace tidemark {
namespace {

TEST(LitFichierOrdinaire, RegularFilesOnlyWithinTheBoundAndNeverWaiting) {
    TIDEMARK_SAUF_WINDOWS("no named pipe or /dev/zero to put in a folder");
    using Piege = test::TempTree::Piege;
    test::TempTree arbre;
    arbre.fichier("juste", QByteArray(1024, 'a'));
    arbre.lien("lien", arbre.chemin("juste"));
    arbre.fichier("trop", QByteArray(1025, 'a'));
    arbre.piege("enorme", Piege::Enorme, 2 * Mo + 1);
    arbre.piege("tube", Piege::Tube);
    arbre.piege("zero", Piege::LienZero);
    // A system file whose size says 0: only the reading finds it past the bound.
    arbre.lien("proc", QStringLiteral("/proc/self/status"));
    using Cas = std::tuple<const char*, qint64, QString>;
    const QString pasOrdinaire = QStringLiteral("n'est pas un fichier ordinaire");
    for (const auto& [nom, limite, raison] :
         {Cas{"juste", 1024, {}}, Cas{"lien", 1024, {}}, Cas{"trop", 1024, "dépasse 1024 octets"},
          Cas{"enorme", 2 * Mo, "dépasse 2 Mo"}, Cas{"tube", Mo, pasOrdinaire},
          Cas{"zero", Mo, pasOrdinaire}, Cas{"absent", Mo, "fichier ou dossier introuvable"},
          Cas{"proc", 100, "dépasse 100 octets"}}) {
        QElapsedTimer chrono;
        chrono.start();
        const LectureFichier l = LitFichierOrdinaire(arbre.chemin(nom), limite);
        EXPECT_LT(chrono.elapsed(), 1000) << nom;
        EXPECT_EQ(l.raison, raison) << nom;
        EXPECT_EQ(l.octets, raison.isEmpty() ? QByteArray(1024, 'a') : QByteArray()) << nom;
    }
}

}  // namespace
}  // namespace tidemark
