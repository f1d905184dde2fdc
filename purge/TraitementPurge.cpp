#include "purge/TraitementPurge.h"

#include "inventory/Marquage.h"

namespace tidemark {

ResultatTraitement TraitementPurge(const AppState& state, ModeDisposition mode,
                                   const DriveMap& lecteurs, FileSystem& fs,
                                   const ProgressionTraitement& progression) {
    ResultatTraitement resultat;
    // The marks are read once, before the first file goes: what the user saw is what runs.
    std::vector<std::size_t> lignes;
    for (std::size_t i = 0; i < state.TabFich.size(); ++i) {
        if (EstMarquee(EtatDeLigne(state, i)))
            lignes.push_back(i);
    }
    resultat.marquees = qsizetype(lignes.size());

    // What the run learns of the garage folders and of each file just checked, so that no
    // garage level or file is looked at twice.
    ContexteGarage contexte;
    qsizetype faits = 0;
    for (const std::size_t i : lignes) {
        const QString chemin = CheminEntree(state, i);
        const InfoFichier* lue = state.InfosLues.trouve(qint32(i));
        const ResultatDisposition r =
            TraiteDoublon(chemin, mode, state.options.ValCaches, lue, lecteurs, fs, contexte);
        if (!r.ok()) {
            resultat.echecs.push_back({chemin, r.raison});
        } else if (r.laisse) {
            ++resultat.laissees;
            resultat.cheminsLaisses.append(chemin);
        } else {
            ++resultat.traitees;
            if (!lue)
                ++resultat.sansControle;
        }
        if (progression)
            progression(++faits, resultat.marquees);
    }
    return resultat;
}

}  // namespace tidemark
