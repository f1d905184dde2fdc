#include "purge/TraitementPurge.h"

#include "core/Drives.h"
#include "core/NomsFichier.h"
#include "garage/Journal.h"
#include "inventory/Marquage.h"
#include "purge/AnalysePurge.h"

#include <optional>

namespace tidemark {

namespace {

// The drive letters the run disposes on, as the garage sees them (a path typed under another
// drive belongs to the drive that holds it). One conversion per directory.
QList<QChar> LettresDes(const AppState& state, const std::vector<std::size_t>& lignes,
                        const DriveMap& lecteurs) {
    QList<QChar> lettres;
    QString dossierPrecedent;
    for (const std::size_t i : lignes) {
        const QString chemin = CheminEntree(state, i);
        const QString dossier = chemin.first(std::max<qsizetype>(chemin.lastIndexOf(u'\\'), 0));
        if (!lettres.isEmpty() && dossier == dossierPrecedent)
            continue;
        dossierPrecedent = dossier;
        if (const std::optional<QString> propre = lecteurs.normalise(chemin);
            propre && !lettres.contains((*propre)[0]))
            lettres.append((*propre)[0]);
    }
    return lettres;
}

// Whether the revisions kept in a group are still what the analysis read, for the "X" lines
// of that group: their older revisions are disposed of only while these still stand. Works
// along the list in order, checking each group once, when its first marked revision comes.
class GroupesGardes {
public:
    GroupesGardes(const AppState& state, const DriveMap& lecteurs, const FileSystem& fs)
        : state_(state), lecteurs_(lecteurs), fs_(fs) {}

    // Nothing when line i may go as far as its group is concerned, else the reason it stays.
    const std::optional<QString>& verdict(std::size_t i) {
        static const std::optional<QString> libre;
        if (state_.EtatMarque[i] != EtatX)
            return libre;  // an auxiliary file: marked for its type, not for newer revisions
        if (i >= fin_)
            examine(i);
        return raison_;
    }

private:
    PartiesEntree parties(std::size_t k, QString& chemin) const {
        chemin = CheminEntree(state_, k);
        return Decoupe(chemin);
    }

    void examine(std::size_t i) {
        QString cheminI, autre;
        const PartiesEntree pi = parties(i, cheminI);
        debut_ = i;
        while (debut_ > 0 && MemeGroupe(parties(debut_ - 1, autre), pi)) --debut_;
        fin_ = i + 1;
        while (fin_ < state_.TabFich.size() && MemeGroupe(parties(fin_, autre), pi)) ++fin_;
        raison_.reset();
        for (std::size_t k = debut_; k < fin_ && !raison_; ++k) {
            if (state_.EtatMarque[k] != EtatM)
                continue;
            const QString garde = CheminEntree(state_, k);
            const std::optional<QString> hote = lecteurs_.versHote(garde);
            const InfoFichier* lue = state_.InfosLues.trouve(qint32(k));
            const std::optional<InfoFichier> present =
                hote ? fs_.info(*hote) : std::optional<InfoFichier>();
            if (!present || (lue && *present != *lue))
                raison_ = QStringLiteral(
                              "la révision gardée « %1 » a changé ou disparu depuis l'analyse ; "
                              "les révisions de ce modèle sont laissées en place")
                              .arg(garde);
        }
    }

    const AppState& state_;
    const DriveMap& lecteurs_;
    const FileSystem& fs_;
    std::size_t debut_ = 0;
    std::size_t fin_ = 0;
    std::optional<QString> raison_;
};

}  // namespace

ApercuDisposition ApercuPurge(const AppState& state) {
    std::vector<qint32> positions;
    for (std::size_t i = 0; i < state.TabFich.size(); ++i) {
        if (EstMarquee(EtatDeLigne(state, i)))
            positions.push_back(qint32(i));
    }
    return Apercu(state, positions);
}

ResultatTraitement TraitementPurge(const AppState& state, ModeDisposition mode,
                                   const DriveMap& lecteurs, FileSystem& fs,
                                   const ProgressionTraitement& progression,
                                   const AttenteVerrou& attente, DemandeArret* arret) {
    ResultatTraitement resultat;
    // The marks are read once, before the first file goes: what the user saw is what runs.
    std::vector<std::size_t> lignes;
    for (std::size_t i = 0; i < state.TabFich.size(); ++i) {
        if (EstMarquee(EtatDeLigne(state, i)))
            lignes.push_back(i);
    }
    resultat.marquees = qsizetype(lignes.size());
    if (lignes.empty())
        return resultat;

    // One run per garage at a time: held until the last file is done.
    VerrousGarage verrous;
    if (!verrous.prend(LettresDes(state, lignes, lecteurs), lecteurs,
                       mode == ModeDisposition::Deplacer, fs, attente)) {
        resultat.abandonne = true;
        return resultat;
    }

    // What the run learns of the garage folders and of each file just checked, so that no
    // garage level or file is looked at twice.
    // Every file done is noted at once in the journal of its garage.
    JournalGarage journal(
        mode == ModeDisposition::Detruire ? ActionJournal::Suppression : ActionJournal::Garage,
        lecteurs);
    ContexteGarage contexte(&journal);
    GroupesGardes groupes(state, lecteurs, fs);
    qsizetype faits = 0;
    AvanceurProgression avance(progression, resultat.marquees);
    for (const std::size_t i : lignes) {
        if (arret && arret->verifie()) {
            resultat.arrete = true;
            resultat.restantes = resultat.marquees - faits;
            break;
        }
        const QString chemin = CheminEntree(state, i);
        const InfoFichier* lue = state.InfosLues.trouve(qint32(i));
        if (const std::optional<QString>& raison = groupes.verdict(i)) {
            resultat.echecs.push_back({chemin, *raison});
        } else if (const ResultatDisposition r = TraiteDoublon(
                       chemin, mode, state.options.ValCaches, lue, lecteurs, fs, &contexte);
                   !r.ok()) {
            resultat.echecs.push_back({chemin, r.raison});
        } else if (r.laisse) {
            ++resultat.laissees;
            resultat.cheminsLaisses.append(chemin);
        } else {
            ++resultat.traitees;
            if (!lue)
                ++resultat.sansControle;
            else
                resultat.octets += lue->taille;
        }
        avance.a(++faits);
    }
    resultat.avisJournal = journal.avis();
    return resultat;
}

}  // namespace tidemark
