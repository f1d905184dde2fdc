#include "duplicates/PairesRepertoires.h"

#include "core/Drives.h"
#include "core/NomsFichier.h"
#include "duplicates/RechercheDoublons.h"

#include <QHash>

#include <algorithm>

namespace tidemark {

namespace {

// A folder in the one form MemeRepertoire compares: the drive letter in upper case, the rest
// as it stands. Two folders are one exactly when their forms are equal.
QString FormeRepertoire(QStringView repertoire) {
    QString forme = repertoire.toString();
    if (EstCheminLecteur(forme))
        forme[0] = forme[0].toUpper();
    return forme;
}

}  // namespace

std::vector<PaireRepertoires> PairesRepertoires(const VueCouples& vue,
                                                std::span<const Contenu> contenus,
                                                std::vector<qint32>* paireDe) {
    const std::size_t n = vue.liste.size();
    const auto dansLaListe = [n](qint32 p) { return p >= 0 && std::size_t(p) < n; };

    // The folder number of each entry in a couple, given in list order: the entries of one
    // folder follow one another in the list, so a folder is looked up in the hash only where
    // it changes.
    std::vector<qint32> numero(n, -1);
    for (const AppState::Couple& c : vue.couples) {
        for (const qint32 p : {c.premier, c.second}) {
            if (dansLaListe(p))
                numero[std::size_t(p)] = 0;
        }
    }
    QHash<QString, qint32> parForme;
    QStringView precedent;
    qint32 numeroPrecedent = -1;
    for (std::size_t p = 0; p < n; ++p) {
        if (numero[p] < 0)
            continue;
        const QStringView rep = RepertoireEntree(vue.liste, vue.repBase, p);
        if (numeroPrecedent < 0 || !MemeRepertoire(rep, precedent)) {
            const QString forme = FormeRepertoire(rep);
            const auto it = parForme.constFind(forme);
            numeroPrecedent = it != parForme.cend() ? it.value() : qint32(parForme.size());
            if (it == parForme.cend())
                parForme.insert(forme, numeroPrecedent);
            precedent = rep;
        }
        numero[p] = numeroPrecedent;
    }

    std::vector<PaireRepertoires> paires;
    QHash<quint64, qint32> parPaire;
    // (pair << 32 | position) of each side, to count every file once per pair.
    std::vector<quint64> cotePremier;
    std::vector<quint64> coteSecond;
    if (paireDe)
        paireDe->assign(vue.couples.size(), -1);
    cotePremier.reserve(vue.couples.size());
    coteSecond.reserve(vue.couples.size());
    for (std::size_t k = 0; k < vue.couples.size(); ++k) {
        const AppState::Couple& c = vue.couples[k];
        if (!dansLaListe(c.premier) || !dansLaListe(c.second) || c.premier == c.second ||
            !MemeRadical(NomSansRevision(vue.liste[std::size_t(c.premier)]),
                         NomSansRevision(vue.liste[std::size_t(c.second)])))
            continue;
        const quint64 cle = quint64(quint32(numero[std::size_t(c.premier)])) << 32 |
                            quint32(numero[std::size_t(c.second)]);
        qint32 numeroPaire = parPaire.value(cle, -1);
        if (numeroPaire < 0) {
            numeroPaire = qint32(paires.size());
            parPaire.insert(cle, numeroPaire);
            PaireRepertoires paire;
            paire.premier =
                RepertoireEntree(vue.liste, vue.repBase, std::size_t(c.premier)).toString();
            paire.second =
                RepertoireEntree(vue.liste, vue.repBase, std::size_t(c.second)).toString();
            paire.premierCouple = k;
            paires.push_back(std::move(paire));
        }
        PaireRepertoires& paire = paires[std::size_t(numeroPaire)];
        ++paire.couples;
        if (paireDe)
            (*paireDe)[k] = numeroPaire;
        if (k < contenus.size()) {
            paire.identiques += contenus[k] == Contenu::Identique;
            paire.differents += contenus[k] == Contenu::Different;
        }
        cotePremier.push_back(quint64(numeroPaire) << 32 | quint32(c.premier));
        coteSecond.push_back(quint64(numeroPaire) << 32 | quint32(c.second));
    }

    // Every file once per pair and side, with its size.
    const auto compte = [&](std::vector<quint64>& cotes, bool premier) {
        std::sort(cotes.begin(), cotes.end());
        cotes.erase(std::unique(cotes.begin(), cotes.end()), cotes.end());
        for (const quint64 cote : cotes) {
            PaireRepertoires& paire = paires[std::size_t(cote >> 32)];
            const InfoFichier* info =
                vue.faits ? vue.faits->trouve(qint32(quint32(cote))) : nullptr;
            (premier ? paire.fichiersPremier : paire.fichiersSecond) += 1;
            (premier ? paire.octetsPremier : paire.octetsSecond) += info ? info->taille : 0;
        }
    };
    compte(cotePremier, true);
    compte(coteSecond, false);

    std::vector<qint32> rang(paires.size());
    for (std::size_t p = 0; p < rang.size(); ++p) rang[p] = qint32(p);
    std::stable_sort(rang.begin(), rang.end(), [&paires](qint32 a, qint32 b) {
        return paires[std::size_t(a)].couples > paires[std::size_t(b)].couples;
    });
    std::vector<PaireRepertoires> triees;
    triees.reserve(paires.size());
    std::vector<qint32> nouveau(paires.size());
    for (std::size_t i = 0; i < rang.size(); ++i) {
        nouveau[std::size_t(rang[i])] = qint32(i);
        triees.push_back(std::move(paires[std::size_t(rang[i])]));
    }
    if (paireDe) {
        for (qint32& p : *paireDe)
            if (p >= 0)
                p = nouveau[std::size_t(p)];
    }
    return triees;
}

}  // namespace tidemark
