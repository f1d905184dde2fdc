// tidemark-cli: the engine without a window, for scripts and scheduled clean-ups.
#include "cli/Commandes.h"

#include "core/Identite.h"

#include <QCoreApplication>
#include <QStringDecoder>

#ifdef _WIN32
#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

struct Commande {
    const char* nom;
    int (*lance)(QStringList arguments);
    const char* resume;  // its line in the general help
};

const Commande Commandes[] = {
    {"scan", tidemark::cli::CmdScan, "liste les fichiers retenus, un par ligne"},
    {"purge", tidemark::cli::CmdPurge,
     "marque les anciennes révisions, les efface ou les met au garage"},
    {"duplicates", tidemark::cli::CmdDoublons,
     "liste les fichiers de même radical présents dans deux répertoires"},
    {"near", tidemark::cli::CmdVoisins,
     "liste les radicaux qui ne diffèrent qu'à une position donnée"},
    {"garage", tidemark::cli::CmdGarage,
     "liste les exécutions du journal du garage, les remet en place, vide le garage"},
};

QString Usage() {
    QString texte = QStringLiteral(
        "Usage : tidemark-cli COMMANDE [OPTION]... DIR\n"
        "   ou : tidemark-cli garage [OPTION]... (list | show RUN | restore RUN | empty)\n"
        "   ou : tidemark-cli OPTION\n"
        "Nettoie les répertoires de travail Pro/ENGINEER sans fenêtre, avec le moteur de "
        "Tidemark.\n"
        "\n"
        "Commandes :\n");
    for (const Commande& commande : Commandes)
        texte += QStringLiteral("  %1 %2\n")
                     .arg(QString::fromUtf8(commande.nom), -12)
                     .arg(QString::fromUtf8(commande.resume));
    texte += QStringLiteral(
        "\n"
        "Options :\n"
        "  -h, --help     affiche cette aide et quitte\n"
        "      --version  affiche la version et quitte\n"
        "\n"
        "Aide d'une commande : tidemark-cli COMMANDE --help\n"
        "\n"
        "Code de sortie :\n"
        " 0  fait,\n"
        " 1  liste incomplète ou fichiers non traités (détail sur l'erreur standard),\n"
        " 2  usage ou entrée incorrects (la raison est donnée sur une ligne).\n");
    return texte;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The same bytes as on Linux: UTF-8 text with "\n" line ends, not translated to "\r\n"
    // on the way out; a console is told to show UTF-8.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
    // Standard error is written at once, as on Linux, even into a pipe: the C runtime would
    // otherwise hold it back until full, and a wait for the garage would go unsaid.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
#endif
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    using namespace tidemark::cli;
#ifndef _WIN32
    // Arguments are read as UTF-8; invalid bytes would turn into other characters and name
    // another path, so such an argument is refused for what it is rather than not found.
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringConverter::Utf8);
        const QString texte = utf8.decode(QByteArrayView(argv[i]));
        if (utf8.hasError())
            return ErreurUsage(QStringLiteral("l'argument « %1 » contient des octets qui ne sont "
                                              "pas de l'UTF-8 : un chemin ainsi nommé ne peut pas "
                                              "s'écrire dans un chemin de lecteur.")
                                   .arg(texte));
    }
#endif
    // On Windows the arguments come from the wide command line, whole whatever the code page.
    if (arguments.isEmpty()) {
        Ecrit(stderr, Usage());
        return SortieUsage;
    }
    const QString commande = arguments.takeFirst();
    if (commande == u"--help" || commande == u"-h" || commande == u"help") {
        Ecrit(stdout, Usage());
        return SortieFaite;
    }
    if (commande == u"--version") {
        Ecrit(stdout, QStringLiteral("tidemark-cli ") + tidemark::identite::Version() + u'\n');
        return SortieFaite;
    }
    for (const Commande& c : Commandes) {
        if (commande == QLatin1String(c.nom))
            return c.lance(arguments);
    }
    ErreurUsage(QStringLiteral("commande inconnue « %1 ».").arg(commande));
    Ecrit(stderr, Usage());
    return SortieUsage;
}
