#pragma once

#include "core/AppState.h"
#include "duplicates/MemeContenu.h"
#include "duplicates/PairesRepertoires.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Whether the two files of each couple of the table hold the same bytes, and the folder
// pairs of the table, worked out on a thread of its own, so that neither the window nor the
// session's commands ever wait for them. The
// couples on screen are asked for as they are shown, the whole table when the folder pairs
// count their identical couples; what is on screen goes first. Each request reads every file
// at most once, and a verdict is kept by the identity, size and modification time of both
// files (CacheContenus), so asking again for unchanged files reads no byte.
//
// The object lives on the window's thread: verdicts are stored and signalled there. The
// reader works on its own copy of the list and the couples (the texts are shared, not
// duplicated), so a new scan may replace the session's list while it reads.
namespace tidemark {

class DriveMap;

class ContenusCouples : public QObject {
    Q_OBJECT
public:
    explicit ContenusCouples(const DriveMap& lecteurs, QObject* parent = nullptr);
    ~ContenusCouples() override;

    // A new couple table: the verdicts of the old one go, and its reads under way stop.
    void repart(const AppState& state);
    // No table any more.
    void oublie();

    // The verdict on couple k of the table, NonCompare until it was read.
    Contenu verdict(std::size_t k) const {
        return k < verdicts_.size() ? verdicts_[k] : Contenu::NonCompare;
    }
    std::size_t size() const { return verdicts_.size(); }
    // Files opened for reading so far, every table together (the cache spares the others).
    qint64 fichiersLus() const { return fichiersLus_; }

    // Asks for the couples `couples` (indexes in the table), those on screen: they replace
    // the couples an earlier call asked for that are not being read yet, and go before the
    // rest of the table.
    void demande(std::vector<qint32> couples);
    // Asks for every couple of the table, after those on screen.
    void demandeTout();

    // While `oui`, nothing is read: the session's commands (a search, a disposal and its
    // rescan) have the disk and the processors to themselves. A read under way stops at its
    // next chunk and is taken up again afterwards.
    void suspend(bool oui);

    // Asks for the folder pairs of the table (PairesRepertoires), before any content.
    void demandePaires();
    // The pairs, once they came (pairesPretes), with the pair of each couple (-1: none).
    bool pairesPretes() const { return pairesPretes_; }
    const std::vector<PaireRepertoires>& paires() const { return paires_; }
    const std::vector<qint32>& paireDe() const { return paireDe_; }

Q_SIGNALS:
    // Verdicts arrived for these couples (stored before the signal).
    void lus(const std::vector<qint32>& couples);
    // The folder pairs came.
    void pairesArrivees();
    // Internal: the reader left something for this thread.
    void aTraiter();

private:
    // What the reader works on: its copy of the list and couples.
    struct Table {
        std::vector<QString> liste;
        QString repBase;
        std::vector<AppState::Couple> couples;
        FaitsLus faits;
    };
    // Verdicts of one read, for the table of generation `generation`.
    struct Lot {
        quint64 generation;
        std::vector<qint32> couples;
        std::vector<Contenu> verdicts;
    };
    // The folder pairs of the table of generation `generation`.
    struct Paires {
        quint64 generation;
        std::vector<PaireRepertoires> paires;
        std::vector<qint32> paireDe;
    };

    void boucle();
    void depile();
    // Takes the next couples to read (under the lock); empty when there is nothing to do.
    std::vector<qint32> prendLot(bool& visibles);

    const DriveMap& lecteurs_;
    // This thread's side.
    std::vector<Contenu> verdicts_;
    quint64 generationFenetre_ = 0;
    bool pairesPretes_ = false;
    std::vector<PaireRepertoires> paires_;
    std::vector<qint32> paireDe_;

    std::mutex verrou_;  // guards what follows, shared with the reader
    std::condition_variable reveil_;
    std::shared_ptr<const Table> table_;
    quint64 generation_ = 0;
    std::vector<qint32> visibles_;  // asked for, on screen, not taken yet
    bool tout_ = false;             // the whole table asked for
    bool pairesVoulues_ = false;    // the folder pairs asked for
    bool suspendu_ = false;
    std::size_t curseur_ = 0;   // where the pass over the whole table stands
    std::vector<quint8> pris_;  // couples read or being read, of this generation
    std::deque<Lot> retours_;
    std::deque<Paires> pairesRetour_;
    bool fin_ = false;
    // Read without the lock between chunks, to stop a read that is no longer wanted.
    std::atomic<quint64> generationCourante_{0};
    std::atomic<bool> nouveauxVisibles_{false};
    std::atomic<bool> arret_{false};
    std::atomic<bool> suspenduAtomique_{false};
    std::atomic<qint64> fichiersLus_{0};

    CacheContenus cache_;  // the reader's alone
    std::thread fil_;      // started last
};

}  // namespace tidemark
