#pragma once

#include "core/AppState.h"
#include "duplicates/RechercheDoublons.h"
#include "garage/Garage.h"
#include "garage/VerrouGarage.h"

#include <QString>
#include <QStringView>

#include <vector>

// The review of the couples: "Traitement multiple" shows the first couple of the list;
// "Ce Fichier" disposes of the file of one side, "Ces Fichiers" of that side's file of every
// couple between the same two directories, by deleting it or moving it into the garage.
// After each disposal the caller refreshes: its scan, RechercheMultiples, then PremierCouple
// again, and shows ComposeMessageEchecs(echecs) (Garage.h) when some file failed. The review
// keeps no cursor of its own: the next couple is always the first of the new search.
namespace tidemark {

class DriveMap;
class FileSystem;

// The couple under review.
struct CoupleRevue {
    bool effectue = false;  // false when sousRepertoires was off: nothing was looked for and
                            // the boxes keep their texts
    bool trouve = false;    // a couple is shown: the four disposal buttons act
    AppState::Couple couple{-1, -1};          // its list positions when found
    QString chemin1;                          // its first path, when found
    QString chemin2;                          // its second path, when found
    std::vector<EntreeIllisible> illisibles;  // entries passed over on the way
    FaitsLus infos;                           // the facts of the entries read
};

// "Traitement multiple": the first couple of the list by the rules of the search (the
// couple 0 of a search made on the same list), reading only the files it needs to, whose
// size and modification time it returns. Uses demande.sousRepertoires and
// demande.progression only. The overload on a non-const state also inserts those facts into
// state.InfosLues.
CoupleRevue PremierCouple(const AppState& state, const DemandeRecherche& demande,
                          const DriveMap& lecteurs, const FileSystem& fs);
CoupleRevue PremierCouple(AppState& state, const DemandeRecherche& demande,
                          const DriveMap& lecteurs, const FileSystem& fs);

// Couple k of the table (state.Couples), chosen in the window to be the one under review;
// nothing found when k is beyond the table. Reads nothing: the search read its facts.
CoupleRevue CoupleDeLaTable(const AppState& state, std::size_t k);

// The side of a couple: the first box ("Ce Fichier" CmdDep1) or the second (CmdDep2).
enum class CoteCouple { Premier, Second };

// What a disposal command did.
struct ResultatRevue {
    qsizetype traites = 0;  // files deleted or moved into the garage
    qsizetype laisses = 0;  // read-only files left in place under "Détruire" (ValCaches not 1)
    QStringList cheminsLaisses;  // their drive paths, in the order tried
    qint64 octets = 0;           // the bytes of `traites` as the search read them
    // Every file that was not disposed of, with its French reason, in the order tried: a
    // failed delete or move, a file changed or vanished since the search, a file whose other
    // side is gone or is the same file, a couple that no longer matches the list.
    std::vector<EchecDisposition> echecs;
    // "Ces Fichiers" was stopped: `restants` files were not touched.
    bool arrete = false;
    qsizetype restants = 0;
    bool complet() const { return echecs.empty(); }
};

// "Ce Fichier": disposes of the file of side `cote` of the couple shown, under `mode`
// ("Détruire" deletes with state.options.ValCaches, "Deplacer" moves into the garage).
// The file is left alone and reported when it changed or vanished since the search read
// it, when the other file of the couple is no longer there as a file of its own, or when
// `affiche` is not a couple of the present list. Changes nothing in `state`. Holds the lock
// of the garage of the file's drive meanwhile (VerrouGarage.h), waiting through `attente`
// while another run holds it; nothing is done when the wait is given up.
ResultatRevue CeFichier(const AppState& state, const CoupleRevue& affiche, CoteCouple cote,
                        ModeDisposition mode, const DriveMap& lecteurs, FileSystem& fs,
                        const AttenteVerrou& attente = {});

// The list positions "Ces Fichiers" disposes of, in order: the side `cote` of the couple
// shown, then that side of every couple of state.Couples in the same case (its first file in
// the directory of the shown first file and its second in the directory of the shown second
// file, compared by MemeRepertoire, and both files of one radical), each file once. Empty
// when `affiche` is not a couple of the present list.
std::vector<qint32> FichiersDuMemeCas(const AppState& state, const CoupleRevue& affiche,
                                      CoteCouple cote);

// What "Ce Fichier" (`tous` false) or "Ces Fichiers" (`tous` true) would dispose of.
ApercuDisposition ApercuRevue(const AppState& state, const CoupleRevue& affiche, CoteCouple cote,
                              bool tous);

// "Ces Fichiers": disposes of the files of FichiersDuMemeCas one after the other, with the
// checks and the lock of CeFichier for each; one failure never stops the others.
// `progression` (may be empty) receives (files done, files in all). `arret` (may be null) is
// checked before each file: a stop ends the run there.
ResultatRevue CesFichiers(const AppState& state, const CoupleRevue& affiche, CoteCouple cote,
                          ModeDisposition mode, const DriveMap& lecteurs, FileSystem& fs,
                          const Progression& progression = {}, const AttenteVerrou& attente = {},
                          DemandeArret* arret = nullptr);

}  // namespace tidemark
