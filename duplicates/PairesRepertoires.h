#pragma once

#include "duplicates/MemeContenu.h"

#include <QString>

#include <span>
#include <vector>

// The couples grouped by their two folders: the folder of the first file and that of the
// second, the pair "Ces Fichiers" acts on. Folders are one when MemeRepertoire says so, and
// a pair counts exactly the couples FichiersDuMemeCas takes: couples of entries of the
// present list, of one radical (so a near-name table makes no pair). "Ces Fichiers" on any
// couple of a pair disposes of that side's files of the pair.
namespace tidemark {

struct PaireRepertoires {
    QString premier;  // folder of the first files (drive path, spelt as its first couple has it)
    QString second;   // folder of the second files
    qint64 couples = 0;
    qint64 fichiersPremier = 0;  // distinct files on each side
    qint64 fichiersSecond = 0;
    // Bytes of those files, as the search read them (a link counts as the link itself, which
    // is what a disposal removes; a file the search did not read counts 0).
    qint64 octetsPremier = 0;
    qint64 octetsSecond = 0;
    qint64 identiques = 0;          // couples found identical, among those compared
    qint64 differents = 0;          // couples found different
    std::size_t premierCouple = 0;  // index in the table of its first couple
};

// The folder pairs of vue.couples, most couples first; pairs with as many couples keep the
// order of their first couple in the table (which is list order). `contenus`, when given,
// holds the verdicts of the first contenus.size() couples of the table (CompareContenus
// over the table from 0); the other couples count as not compared. `paireDe`, when given,
// receives the pair of each couple of the table (its index in the result), -1 for a couple
// in no pair.
std::vector<PaireRepertoires> PairesRepertoires(const VueCouples& vue,
                                                std::span<const Contenu> contenus = {},
                                                std::vector<qint32>* paireDe = nullptr);

}  // namespace tidemark
