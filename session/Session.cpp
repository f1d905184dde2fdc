#include "session/Session.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "session/PrioriteFil.h"

#include <QThread>

#include <atomic>
#include <utility>

namespace tidemark {

namespace {

// What the scan asks of its runner, on the worker: the drive-root question goes to the
// window's thread, the stop request is checked before each directory, and the counters go
// out as they move.
class ScanSurFil final : public ScanInterface {
public:
    ScanSurFil(DemandeArret& arret, std::function<bool(const QString&, const QString&)> question,
               std::function<void(const ProgressionScan&)> avance)
        : arret_(arret), question_(std::move(question)), avance_(std::move(avance)) {}

    bool demandeOuiNon(const QString& texte, const QString& titre) override {
        return question_(texte, titre);
    }
    void cede() override {}
    bool arret() override { return arret_.verifie(); }
    void progression(const ProgressionScan& etat) override { avance_(etat); }

private:
    DemandeArret& arret_;
    std::function<bool(const QString&, const QString&)> question_;
    std::function<void(const ProgressionScan&)> avance_;
};

}  // namespace

Session::Session(AppState etat, const DriveMap& lecteurs, FileSystem& fs, QObject* parent)
    : QObject(parent),
      etat_(std::move(etat)),
      lecteurs_(lecteurs),
      fs_(fs),
      contenus_(new ContenusCouples(lecteurs, this)) {
    connect(this, &Session::aTraiter, this, &Session::depile, Qt::QueuedConnection);
    fil_ = std::thread([this] {
        CedeLaPriorite();
        boucle();
    });
}

Session::~Session() {
    arrete(true);
    {
        const std::lock_guard verrou(verrou_);
        finFil_ = true;
    }
    reveil_.notify_one();
    fil_.join();
}

void Session::boucle() {
    for (;;) {
        std::function<void()> travail;
        {
            std::unique_lock verrou(verrou_);
            reveil_.wait(verrou, [this] { return finFil_ || !travaux_.empty(); });
            if (travaux_.empty())
                return;
            travail = std::move(travaux_.front());
            travaux_.pop_front();
        }
        travail();
    }
}

void Session::versSession(std::function<void()> f) {
    {
        const std::lock_guard verrou(verrou_);
        retours_.push_back(std::move(f));
    }
    Q_EMIT aTraiter();
}

void Session::depile() {
    std::deque<std::function<void()>> retours;
    qint64 valeur, nombre, trouves, repertoire;
    {
        const std::lock_guard verrou(verrou_);
        retours.swap(retours_);
        valeur = std::exchange(valeur_, -1);
        nombre = nombre_;
        trouves = std::exchange(trouves_, -1);
        repertoire = repertoire_;
    }
    if (valeur >= 0)
        Q_EMIT progression(valeur, nombre);
    if (trouves >= 0)
        Q_EMIT compteurs(trouves, repertoire);
    for (std::function<void()>& f : retours) f();
}

void Session::arrete(bool abandon) {
    abandon_ = abandon_ || abandon;
    arret_.demande();
}

void Session::remplaceListe(std::vector<QString> liste) {
    etat_.TabFich = std::move(liste);
    etat_.EtatMarque.assign(etat_.TabFich.size(), EtatVide);
    etat_.InfosLues.clear();
    etat_.Couples.clear();
    revue_.reset();
    contenus_->oublie();
    marqueesAnalyse_ = 0;
}

bool Session::choisitCouple(std::size_t k) {
    // The worker reads the couple under review while a disposal runs.
    if (occupee() || k >= etat_.Couples.size())
        return false;
    revue_ = CoupleDeLaTable(etat_, k);
    indiceRevue_ = k;
    return true;
}

void Session::vide() {
    remplaceListe({});
    etape_ = EtapeListe::SansListe;
}

template <typename R>
void Session::surFil(std::function<R()> travail, std::function<void(R&)> suite) {
    {
        const std::lock_guard verrou(verrou_);
        travaux_.push_back([this, travail = std::move(travail), suite = std::move(suite)] {
            auto resultat = std::make_shared<R>(travail());
            versSession([resultat, suite] { suite(*resultat); });
        });
    }
    reveil_.notify_one();
}

void Session::debut(Commande commande) {
    enCours_ = commande;
    contenus_->suspend(true);
    abandon_ = false;
    arret_.efface();
    Q_EMIT commandeChangee();
}

void Session::fin() {
    enCours_ = Commande::Aucune;
    contenus_->suspend(false);
    abandon_ = false;
    arret_.raz();
    Q_EMIT commandeChangee();
}

// A search asked by the window, reporting to the session and stopped by its stop.
DemandeRecherche Session::suivie(DemandeRecherche demande) {
    demande.progression = rapporteur();
    demande.arret = &arret_;
    return demande;
}

// The engine throttles its own progress (AvanceurProgression): each call goes to the window.
Progression Session::rapporteur() {
    return [this](qint64 valeur, qint64 nombre) {
        {
            const std::lock_guard verrou(verrou_);
            valeur_ = valeur;
            nombre_ = nombre;
        }
        Q_EMIT aTraiter();
    };
}

AttenteVerrou Session::attente() {
    return [this](const QString& message) {
        if (!message.isEmpty())
            versSession([this, message] { Q_EMIT statut(message); });
        return !arret_.demandee();
    };
}

bool Session::demandeSurFenetre(const QString& texte, const QString& titre) {
    // Asked on the window's thread; the worker waits for the answer, or for a stop.
    auto reponse = std::make_shared<std::atomic<int>>(-1);
    versSession([this, reponse, texte, titre] {
        reponse->store(!question || question(texte, titre) ? 1 : 0);
    });
    while (reponse->load() < 0) {
        if (arret_.demandee())
            return false;
        QThread::msleep(5);
    }
    return reponse->load() == 1;
}

// ---- The steps ----------------------------------------------------------------------------

void Session::etapeScan(const DemandeScan& demande, std::function<void()> suite) {
    Q_EMIT scanCommence();
    // The scan returns a new list: the window keeps showing the old one meanwhile.
    surFil<ResultatScan>(
        [this, demande] {
            ScanSurFil interface(
                arret_,
                [this](const QString& texte, const QString& titre) {
                    return demandeSurFenetre(texte, titre);
                },
                [this](const ProgressionScan& etat) {
                    {
                        const std::lock_guard verrou(verrou_);
                        valeur_ = etat.repertoiresVisites;
                        nombre_ = etat.repertoiresTrouves + 1;
                        trouves_ = etat.fichiersTrouves;
                        repertoire_ = etat.fichiersRepertoire;
                    }
                    Q_EMIT aTraiter();
                });
            return Scan(std::as_const(etat_), demande, lecteurs_, fs_, interface);
        },
        [this, demande, suite = std::move(suite)](ResultatScan& resultat) {
            const bool modeConfig = demande.mode == ModeScan::Config;
            if (resultat.effectue) {
                Inventaire& inventaire = resultat.inventaire;
                etat_.CheminComplet = inventaire.CheminComplet;
                etat_.RepBase = std::move(inventaire.RepBase);
                if (modeConfig)
                    etat_.RepConf = std::move(inventaire.RepConf);
                remplaceListe(std::move(inventaire.TabFich));
            }
            // What the list shows: the reader's lines when config.pro named no search
            // directory, nothing when a directory held no file, else the entries.
            if (modeConfig && resultat.sansRepertoireConfig) {
                etat_.ListeDeFichiers = false;
                etat_.MessagesListe = resultat.lignes;
                etape_ = EtapeListe::SansListe;
            } else if (!modeConfig && etat_.TabFich.empty()) {
                etat_.ListeDeFichiers = false;
                etat_.MessagesListe.clear();
                etape_ = EtapeListe::SansListe;
            } else {
                etat_.ListeDeFichiers = true;
                etape_ = EtapeListe::Listee;
            }
            Q_EMIT scanTermine(resultat, modeConfig);
            if (resultat.arrete || abandon_ || !suite)
                fin();
            else
                suite();
        });
}

void Session::etapeAnalyse(std::function<void()> suite) {
    surFil<PlanPurge>([this] { return AnalysePurge(etat_, lecteurs_, fs_, rapporteur(), &arret_); },
                      [this, suite = std::move(suite)](PlanPurge& plan) {
                          // The analysis reads and never writes: a stopped one is simply not
                          // applied.
                          if (plan.arrete || arret_.demandee() || !AppliquePlan(etat_, plan)) {
                              fin();
                              return;
                          }
                          etape_ = EtapeListe::Analysee;
                          marqueesAnalyse_ = plan.nbfich;
                          Q_EMIT analyseTerminee(plan);
                          if (suite)
                              suite();
                          else
                              fin();
                      });
}

void Session::etapeRecherche(const DemandeRecherche& demande, std::function<void()> suite) {
    surFil<ResultatRecherche>(
        [this, demande] {
            return RechercheMultiples(std::as_const(etat_), suivie(demande), lecteurs_, fs_);
        },
        [this, suite = std::move(suite)](ResultatRecherche& resultat) {
            if (arret_.demandee() || abandon_) {
                fin();
                return;
            }
            if (resultat.effectuee) {
                AppliqueRecherche(etat_, resultat);
                revue_.reset();
                contenus_->repart(etat_);
                etape_ = EtapeListe::Recherchee;
            }
            Q_EMIT rechercheTerminee(resultat);
            if (suite)
                suite();
            else
                fin();
        });
}

void Session::etapeRevue(const DemandeRecherche& demande, std::function<void()> suite) {
    surFil<CoupleRevue>(
        [this, demande] {
            return PremierCouple(std::as_const(etat_), suivie(demande), lecteurs_, fs_);
        },
        [this, suite = std::move(suite)](CoupleRevue& revue) {
            if (arret_.demandee() || abandon_) {
                fin();
                return;
            }
            if (revue.effectue) {
                etat_.InfosLues.fusionne(revue.infos);
                revue_ = std::move(revue);
                indiceRevue_ = 0;  // the first couple of the table
            }
            Q_EMIT revueTrouvee();
            if (suite)
                suite();
            else
                fin();
        });
}

// ---- The commands -------------------------------------------------------------------------

void Session::lanceScan(const DemandeScan& demande) {
    debut(Commande::Scan);
    etapeScan(demande, {});
}

void Session::lanceVisuPurge() {
    debut(Commande::VisuPurge);
    etapeAnalyse({});
}

void Session::lanceTraitementPurge(ModeDisposition mode, const DemandeScan& rescan) {
    debut(Commande::TraitementPurge);
    surFil<ResultatTraitement>(
        [this, mode] {
            return TraitementPurge(etat_, mode, lecteurs_, fs_, rapporteur(), attente(), &arret_);
        },
        [this, mode, rescan](ResultatTraitement& resultat) {
            BilanDisposition bilan{mode,
                                   resultat.traitees,
                                   resultat.restantes,
                                   resultat.arrete,
                                   std::move(resultat.echecs),
                                   resultat.octets,
                                   resultat.sansControle,
                                   std::move(resultat.cheminsLaisses)};
            if (resultat.abandonne || abandon_) {
                fin();
                return;
            }
            // The list is rebuilt from the disk and analysed again, stopped or not.
            arret_.efface();
            etapeScan(rescan, [this, bilan] {
                etapeAnalyse([this, bilan] {
                    etape_ = EtapeListe::Purgee;
                    Q_EMIT dispositionTerminee(bilan);
                    fin();
                });
            });
        });
}

void Session::lanceRechercheMultiples(const DemandeRecherche& demande) {
    debut(Commande::RechercheMultiples);
    etapeRecherche(demande, {});
}

void Session::lanceTraitementMultiple(const DemandeRecherche& demande) {
    debut(Commande::TraitementMultiple);
    etapeRevue(demande, {});
}

void Session::lanceDisposition(CoteCouple cote, bool tous, ModeDisposition mode,
                               const DemandeScan& rescan, const DemandeRecherche& recherche) {
    if (!revue_ || !revue_->trouve)
        return;
    debut(tous ? Commande::CesFichiers : Commande::CeFichier);
    surFil<ResultatRevue>(
        [this, cote, tous, mode] {
            return tous ? CesFichiers(etat_, *revue_, cote, mode, lecteurs_, fs_, rapporteur(),
                                      attente(), &arret_)
                        : CeFichier(etat_, *revue_, cote, mode, lecteurs_, fs_, attente());
        },
        [this, mode, rescan, recherche](ResultatRevue& resultat) {
            BilanDisposition bilan{mode,
                                   resultat.traites,
                                   resultat.restants,
                                   resultat.arrete,
                                   std::move(resultat.echecs),
                                   resultat.octets,
                                   0,
                                   std::move(resultat.cheminsLaisses)};
            if (abandon_) {
                fin();
                return;
            }
            // The tree as it now is: scan, search, then the next first couple.
            arret_.efface();
            etapeScan(rescan, [this, recherche, bilan] {
                const auto termine = [this, bilan] {
                    Q_EMIT dispositionTerminee(bilan);
                    fin();
                };
                if (!recherche.sousRepertoires) {
                    termine();
                    return;
                }
                etapeRecherche(recherche,
                               [this, recherche, termine] { etapeRevue(recherche, termine); });
            });
        });
}

void Session::lanceRestauration(const QString& id, const QStringList& choisis) {
    debut(Commande::Restauration);
    surFil<ResultatGarage>(
        [this, id, choisis] {
            return RestaureExecution(id, lecteurs_, {}, fs_, false, choisis, attente(),
                                     QDateTime::currentDateTimeUtc(), &arret_);
        },
        [this](ResultatGarage& resultat) {
            Q_EMIT garageTermine(resultat, false);
            fin();
        });
}

void Session::lanceVidage(int jours, bool essai) {
    debut(Commande::VidageGarage);
    surFil<ResultatGarage>(
        [this, jours, essai] {
            return VideGarage(jours, lecteurs_, {}, fs_, essai, attente(),
                              QDateTime::currentDateTimeUtc(), &arret_);
        },
        [this, essai](ResultatGarage& resultat) {
            Q_EMIT garageTermine(resultat, essai);
            fin();
        });
}

}  // namespace tidemark
