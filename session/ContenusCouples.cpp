#include "session/ContenusCouples.h"

#include "session/PrioriteFil.h"

#include <algorithm>
#include <utility>

namespace tidemark {

namespace {

// Couples read together by the pass over the whole table: each of its files is read once
// per lot, and a lot is where the pass gives way to the couples on screen.
constexpr std::size_t TailleLot = 1000;

}  // namespace

ContenusCouples::ContenusCouples(const DriveMap& lecteurs, QObject* parent)
    : QObject(parent), lecteurs_(lecteurs) {
    connect(this, &ContenusCouples::aTraiter, this, &ContenusCouples::depile, Qt::QueuedConnection);
    fil_ = std::thread([this] {
        CedeLaPriorite();
        boucle();
    });
}

ContenusCouples::~ContenusCouples() {
    arret_ = true;
    {
        const std::lock_guard verrou(verrou_);
        fin_ = true;
    }
    reveil_.notify_one();
    fil_.join();
}

void ContenusCouples::repart(const AppState& state) {
    // The copy is made before the lock, and the old table let go after it: the reader waits
    // for neither.
    auto table = std::make_shared<const Table>(
        Table{state.TabFich, state.RepBase, state.Couples, state.InfosLues});
    const std::size_t n = table->couples.size();
    std::shared_ptr<const Table> ancienne;
    {
        const std::lock_guard verrou(verrou_);
        ancienne = std::exchange(table_, std::move(table));
        generationFenetre_ = ++generation_;
        generationCourante_ = generation_;
        visibles_.clear();
        tout_ = false;
        pairesVoulues_ = false;
        curseur_ = 0;
        pris_.assign(n, 0);
    }
    verdicts_.assign(n, Contenu::NonCompare);
    pairesPretes_ = false;
    paires_.clear();
    paireDe_.clear();
}

void ContenusCouples::oublie() {
    std::shared_ptr<const Table> ancienne;
    {
        const std::lock_guard verrou(verrou_);
        ancienne = std::exchange(table_, nullptr);
        generationFenetre_ = ++generation_;
        generationCourante_ = generation_;
        visibles_.clear();
        tout_ = false;
        pairesVoulues_ = false;
        pris_.clear();
    }
    verdicts_.clear();
    pairesPretes_ = false;
    paires_.clear();
    paireDe_.clear();
}

void ContenusCouples::demande(std::vector<qint32> couples) {
    std::erase_if(couples, [this](qint32 k) {
        return k < 0 || std::size_t(k) >= verdicts_.size() ||
               verdicts_[std::size_t(k)] != Contenu::NonCompare;
    });
    {
        const std::lock_guard verrou(verrou_);
        // Couples being read already are not asked again: a repaint of the same screen does
        // not stop the read it waits for.
        std::erase_if(couples, [this](qint32 k) {
            return std::size_t(k) >= pris_.size() || pris_[std::size_t(k)];
        });
        if (couples.empty())
            return;
        visibles_ = std::move(couples);
        nouveauxVisibles_ = true;
    }
    reveil_.notify_one();
}

void ContenusCouples::demandeTout() {
    {
        const std::lock_guard verrou(verrou_);
        if (!table_ || tout_)
            return;
        tout_ = true;
        curseur_ = 0;
    }
    reveil_.notify_one();
}

void ContenusCouples::suspend(bool oui) {
    {
        const std::lock_guard verrou(verrou_);
        suspendu_ = oui;
        suspenduAtomique_ = oui;
    }
    reveil_.notify_one();
}

void ContenusCouples::demandePaires() {
    {
        const std::lock_guard verrou(verrou_);
        if (!table_ || pairesPretes_)
            return;
        pairesVoulues_ = true;
    }
    reveil_.notify_one();
}

std::vector<qint32> ContenusCouples::prendLot(bool& visibles) {
    std::vector<qint32> lot;
    visibles = !visibles_.empty();
    if (visibles) {
        for (const qint32 k : std::exchange(visibles_, {})) {
            if (!pris_[std::size_t(k)]) {
                pris_[std::size_t(k)] = 1;
                lot.push_back(k);
            }
        }
        nouveauxVisibles_ = false;
        return lot;
    }
    while (tout_ && curseur_ < pris_.size() && lot.size() < TailleLot) {
        if (!pris_[curseur_]) {
            pris_[curseur_] = 1;
            lot.push_back(qint32(curseur_));
        }
        ++curseur_;
    }
    if (lot.empty())
        tout_ = false;  // the whole table is read
    return lot;
}

void ContenusCouples::boucle() {
    for (;;) {
        std::vector<qint32> lot;
        bool visibles = false;
        bool paires = false;
        std::shared_ptr<const Table> table;
        quint64 generation = 0;
        {
            std::unique_lock verrou(verrou_);
            reveil_.wait(verrou, [this] {
                return fin_ || (!suspendu_ &&
                                (!visibles_.empty() || ((tout_ || pairesVoulues_) && table_)));
            });
            if (fin_)
                return;
            paires = std::exchange(pairesVoulues_, false);
            if (!paires)
                lot = prendLot(visibles);
            table = table_;
            generation = generation_;
        }
        if (paires && table) {
            Paires resultat{generation, {}, {}};
            const VueCouples vue{table->liste, table->repBase, table->couples, &table->faits};
            resultat.paires = PairesRepertoires(vue, {}, &resultat.paireDe);
            {
                const std::lock_guard verrou(verrou_);
                pairesRetour_.push_back(std::move(resultat));
            }
            Q_EMIT aTraiter();
            continue;
        }
        if (lot.empty() || !table)
            continue;

        std::vector<AppState::Couple> couples;
        couples.reserve(lot.size());
        for (const qint32 k : lot) couples.push_back(table->couples[std::size_t(k)]);
        const VueCouples vue{table->liste, table->repBase, couples, nullptr};
        // A read gives way to a newer screen, a new table, a command and the end.
        const ContenusCompares compares =
            CompareContenus(vue, 0, couples.size(), lecteurs_, cache_, [&] {
                return arret_ || generationCourante_ != generation || nouveauxVisibles_ ||
                       suspenduAtomique_;
            });

        fichiersLus_ += compares.fichiersLus;
        {
            const std::lock_guard verrou(verrou_);
            if (generation_ == generation) {
                // What was left unread may be asked for again; the pass comes back to it.
                for (std::size_t i = 0; i < lot.size(); ++i) {
                    if (compares.verdicts[i] != Contenu::NonCompare)
                        continue;
                    pris_[std::size_t(lot[i])] = 0;
                    if (!visibles)
                        curseur_ = std::min(curseur_, std::size_t(lot[i]));
                }
            }
            retours_.push_back({generation, std::move(lot), compares.verdicts});
        }
        Q_EMIT aTraiter();
    }
}

void ContenusCouples::depile() {
    std::deque<Lot> retours;
    std::deque<Paires> paires;
    {
        const std::lock_guard verrou(verrou_);
        retours.swap(retours_);
        paires.swap(pairesRetour_);
    }
    bool pairesArrivees = false;
    for (Paires& p : paires) {
        if (p.generation != generationFenetre_)
            continue;
        paires_ = std::move(p.paires);
        paireDe_ = std::move(p.paireDe);
        pairesPretes_ = pairesArrivees = true;
    }
    std::vector<qint32> arrives;
    for (const Lot& lot : retours) {
        if (lot.generation != generationFenetre_)
            continue;  // a table replaced since
        for (std::size_t i = 0; i < lot.couples.size(); ++i) {
            const std::size_t k = std::size_t(lot.couples[i]);
            if (lot.verdicts[i] == Contenu::NonCompare || k >= verdicts_.size() ||
                verdicts_[k] != Contenu::NonCompare)
                continue;
            verdicts_[k] = lot.verdicts[i];
            arrives.push_back(qint32(k));
        }
    }
    // The verdicts first: the pairs count every verdict known when they come.
    if (!arrives.empty())
        Q_EMIT lus(arrives);
    if (pairesArrivees)
        Q_EMIT this->pairesArrivees();
}

}  // namespace tidemark
