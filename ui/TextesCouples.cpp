#include "ui/TextesCouples.h"

#include "duplicates/MemeContenu.h"
#include "duplicates/PairesRepertoires.h"
#include "ui/TextesFenetre.h"

#include <QDateTime>
#include <QLocale>

namespace tidemark {

QString TexteContenu(Contenu contenu) {
    switch (contenu) {
        case Contenu::Identique:
            return QStringLiteral("identique");
        case Contenu::Different:
            return QStringLiteral("différent");
        case Contenu::Illisible:
            return QStringLiteral("illisible");
        case Contenu::NonCompare:
            break;
    }
    return QStringLiteral("…");
}

QString InfoBulleVerdict(Contenu contenu) {
    switch (contenu) {
        case Contenu::Identique:
            return QStringLiteral("Les deux fichiers ont les mêmes octets.");
        case Contenu::Different:
            return QStringLiteral("Les deux fichiers diffèrent (par leur taille ou leurs octets).");
        case Contenu::Illisible:
            return QStringLiteral(
                "L'un des deux fichiers n'a pas pu être lu comme un fichier "
                "ordinaire.");
        case Contenu::NonCompare:
            break;
    }
    return QStringLiteral("Lecture en cours…");
}

QString TexteTailleExacte(qint64 octets) {
    return QLocale(QLocale::French, QLocale::France).toString(octets);
}

QString TexteDate(qint64 modificationNs) {
    return QDateTime::fromMSecsSinceEpoch(modificationNs / 1000000)
        .toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QString TexteRangCouple(qint64 k, qint64 n) {
    if (k < 0)
        return TexteNombre(qsizetype(n), u"couple", u"couples");
    return QStringLiteral("Couple %1 / %2").arg(k + 1).arg(n);
}

QString TexteIdentiques(qint64 identiques, qint64 compares, qint64 couples) {
    if (compares >= couples)
        return QString::number(identiques);
    if (compares == 0)
        return QStringLiteral("…");
    return QStringLiteral("%1 sur %2 comparés").arg(identiques).arg(compares);
}

QString TextePaire(const PaireRepertoires& paire, qint64 identiques, qint64 compares) {
    QString texte = QStringLiteral("%1 et %2 partagent %3, dont ")
                        .arg(paire.premier, paire.second,
                             TexteNombre(qsizetype(paire.couples), u"fichier de même nom",
                                         u"fichiers de même nom"));
    texte += QString::number(identiques);
    texte += identiques > 1 ? QStringLiteral(" identiques") : QStringLiteral(" identique");
    if (compares < paire.couples)
        texte += QStringLiteral(" sur %1 comparés").arg(compares);
    return texte + u'.';
}

}  // namespace tidemark
