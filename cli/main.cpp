// tidemark-cli: the engine without a window, for scripts and scheduled clean-ups.
#include "cli/Commandes.h"

#include <QCoreApplication>

namespace {

const char Usage[] =
    "Usage : tidemark-cli COMMANDE [options] DIR\n"
    "Commandes :\n"
    "  scan      liste les fichiers retenus, un par ligne\n"
    "Aide d'une commande : tidemark-cli COMMANDE --help\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    using namespace tidemark::cli;
    if (arguments.isEmpty()) {
        Ecrit(stderr, QString::fromUtf8(Usage));
        return SortieUsage;
    }
    const QString commande = arguments.takeFirst();
    if (commande == u"--help" || commande == u"-h" || commande == u"help") {
        Ecrit(stdout, QString::fromUtf8(Usage));
        return SortieFaite;
    }
    if (commande == u"scan")
        return CmdScan(arguments);
    ErreurUsage(QStringLiteral("commande inconnue « %1 ».").arg(commande));
    Ecrit(stderr, QString::fromUtf8(Usage));
    return SortieUsage;
}
