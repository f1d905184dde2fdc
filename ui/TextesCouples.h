#pragma once

#include <QString>
#include <QStringView>

// The words of the couple table and of the folder-pair view.
namespace tidemark {

struct PaireRepertoires;
enum class Contenu : quint8;

// Titles of the couple table's columns after the two paths, and what their tooltips say.
inline constexpr QStringView TitresColonnesCouples[] = {
    u"Taille (1er)", u"Taille (2e)", u"Modifié le (1er)", u"Modifié le (2e)", u"Contenu"};
inline constexpr QStringView InfoBulleContenu =
    u"Les deux fichiers ont-ils les mêmes octets ? Lu en arrière-plan pour les couples affichés ; "
    u"deux fichiers de tailles différentes ne sont pas lus.";
// Titles of the folder-pair table's columns.
inline constexpr QStringView TitresColonnesPaires[] = {
    u"Premier répertoire", u"Second répertoire", u"Couples",
    u"Octets (1er)",       u"Octets (2e)",       u"Identiques"};
inline constexpr QStringView TitreOngletCouples = u"Couples";
inline constexpr QStringView TitreOngletPaires = u"Paires de répertoires";
inline constexpr QStringView InfoBulleListPaires =
    u"Les couples regroupés par leurs deux répertoires, les paires aux plus nombreux couples "
    u"d'abord. Choisissez-en une : « Ces Fichiers » agit sur elle.";

// "identique", "différent", "illisible", or "…" while it is not read yet; and what the
// verdict means, for its tooltip.
QString TexteContenu(Contenu contenu);
QString InfoBulleVerdict(Contenu contenu);
// An exact size, digits grouped the French way ("48 213").
QString TexteTailleExacte(qint64 octets);
// A modification time (nanoseconds since the epoch) in local time, "25/11/2005 14:03:27".
QString TexteDate(qint64 modificationNs);

// "Couple 3 / 212" for couple k (from 0) of n; "212 couples" when none is chosen.
QString TexteRangCouple(qint64 k, qint64 n);
// The identical couples of a pair: "198" once every couple was compared, else
// "12 sur 40 comparés" (or "…" before any).
QString TexteIdentiques(qint64 identiques, qint64 compares, qint64 couples);
// The pair in one sentence: "C:\a et C:\b partagent 212 fichiers de même nom, dont 198
// identiques."
QString TextePaire(const PaireRepertoires& paire, qint64 identiques, qint64 compares);

}  // namespace tidemark
