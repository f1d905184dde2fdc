#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>

// The window's own texts: tooltips, column titles, and the words it puts on what the engine
// returns.
namespace tidemark {

struct AppState;
struct ApercuDisposition;
struct BilanDisposition;
enum class ModeDisposition;
struct ResultatGarage;
enum class ActionJournal;
enum class EtatFichier;

// Tooltips of the purge commands, and the one the file list takes once the analysis has run
// (two spaces after "ou" and after the first ".").
inline constexpr QStringView InfoBulleVisuPurge =
    u"Recherche et visualisation des fichiers purgeables.";
inline constexpr QStringView InfoBulleListeAnalysee =
    u"Les fichiers marqués : X et -- vont être déplacés ou  effacés si vous exécutez un "
    u"'Traitement Purge' .  Les fichiers non marqués et marqués 'M' seront conservés.";
inline constexpr QStringView InfoBulleTraitementPurge =
    u"Effectue effectivement la purge. Deplace les fichiers marqués vers le répertoire garage "
    u"si \"Déplacer\" est coché, les efface sinon.";

// The legends of the two counters under the list; during a scan the second counts the
// matching files of the directory being read.
inline constexpr QStringView LegendeListes = u"Fichiers listés :";
inline constexpr QStringView LegendeAPurger = u"à purger :";
inline constexpr QStringView LegendeDansRepertoire = u"dans ce répertoire :";

// Tooltips of the duplicate commands and of the two-column couple list, and its headers.
inline constexpr QStringView InfoBulleActualiser =
    u"Relit la sélection sur le disque (F5), après des changements faits hors du programme.";
inline constexpr QStringView InfoBulleMultiplesAPurger =
    u"Grisé : la liste a encore des fichiers à purger (marqués X ou --). Faites d'abord "
    u"« Traitement Purge », ou enlevez-en les marques.";
inline constexpr QStringView InfoBulleMultiplesSansSousRepertoires =
    u"Grisé : les doublons se cherchent dans un répertoire et ses sous-répertoires ; cochez "
    u"« Sous Répertoires Compris ».";
inline constexpr QStringView InfoBulleRechercheMultiples =
    u"Lance la recherche des doublons de fichiers et affiche le résultat de cette recherche.";
inline constexpr QStringView InfoBulleTraitementMultiple =
    u"Lance le traitement des doublons de fichiers.";
inline constexpr QStringView InfoBulleCeFichier =
    u"Déplacer ce fichier vers le répertoire 'garage'.";
inline constexpr QStringView InfoBulleCesFichiers =
    u"Déplacer ce fichier vers le répertoire 'garage' ainsi que tous les fichiers dans le même "
    u"cas.";
inline constexpr QStringView InfoBulleSuivant = u"Passer au couple suivant sans rien faire.";
inline constexpr QStringView InfoBulleListV =
    u"Cette liste à 2 colonnes répertorie les couples de fichiers de même radical apparaissant "
    u"dans deux répertoires différents.";
inline constexpr QStringView TitreColonne1ListV = u"Fichier au premier emplacement";
inline constexpr QStringView TitreColonne2ListV = u"Fichier au deuxième emplacement";

// Shown in both boxes of the review when the list holds no couple.
inline constexpr QStringView TexteSansDoublon = u" Pas de doublons de fichiers trouvés ";

// The box texts after a search: where moved files will go, for the chosen directory
// `repertoire` (C:\projets\moteur -> garage C:\_\projets\moteur); a search that stopped at
// `capacite` couples says so first.
QString TexteTxtFich1();
QString TexteTxtFich2(const QString& repertoire);

// Column at which the second path of a display line starts (1-based) when the first path is
// short enough; the first path is always followed by at least two spaces.
inline constexpr int ColonneSecondChemin = 111;
// The display line of two paths: the first, spaces up to column 111 (at least two), the
// second.
QString LigneAffichage(QStringView premier, QStringView second);
// The display line of couple k (TabLigne).
QString LigneCouple(const AppState& state, std::size_t k);
// Line k of List1 after a near-name detection: the blank mark, then LigneCouple(state, k).
QString LigneListeVoisin(const AppState& state, std::size_t k);

// A number of bytes the French way, whatever the system's locale: "512 octets", "1,5 Ko",
// "48,8 Mo", "2,0 Go" (units of 1024, one decimal, decimal comma, grouped digits).
QString TexteOctets(qint64 octets);
// A count the French way with its noun ("1 fichier", "25 038 fichiers").
QString TexteNombre(qsizetype n, QStringView singulier, QStringView pluriel);

// The question put before a disposal, its title, and whether "Non" is its default button.
inline constexpr QStringView TitreConfirmation = u"Confirmer";
QString QuestionDisposition(const ApercuDisposition& apercu, ModeDisposition mode);

// The line under the list after a disposal: what was done and what was left, and the details
// naming the read-only files left in place (empty when none).
QString RapportDisposition(const BilanDisposition& bilan);
QString DetailsRapport(const BilanDisposition& bilan);
// The garage window's words for what the journal records: a run's action ("mise au garage",
// "destruction", "restauration") and where one of its files is now ("au garage", "restauré",
// "manquant", "détruit").
QString TexteAction(ActionJournal action);
QString TexteEtat(EtatFichier etat);
// The question asked before emptying the garage of `nombre` files, `octets` bytes in all,
// moved there more than `jours` days ago (0: all of them).
QString QuestionVidage(int jours, qsizetype nombre, qint64 octets);
// The status line after a restore or an emptying: how many files were done, how many were
// left and why (the first reasons).
QString BilanGarage(const ResultatGarage& resultat, bool vidage);

}  // namespace tidemark
