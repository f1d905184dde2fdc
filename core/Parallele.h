#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

// How many threads the engine gives to work that waits on the file system. On a file server
// each directory read and each stat is a round trip: the threads mostly wait, so their
// number follows the waiting, not the processors. On a local disk that answers at once the
// same threads only cost their hand-offs: the work starts on the calling thread alone and
// the others join it only once it is seen to wait (SondeAttente).
namespace tidemark {

// Threads that read or dispose of files at once, at most.
inline constexpr unsigned FilsLecture = 32;

// The threads for `travaux` units of work, each thread given at least `parFil` of them, at
// most `maximum`. `demande` above 0 is taken as it stands (1: all on the calling thread).
inline unsigned NombreDeFils(std::size_t travaux, std::size_t parFil, unsigned demande = 0,
                             unsigned maximum = FilsLecture) {
    if (demande > 0)
        return demande;
    const std::size_t utiles = travaux / std::max<std::size_t>(parFil, 1);
    return unsigned(std::clamp<std::size_t>(utiles, 1, maximum));
}

// The processor time the calling thread has used, system time included.
std::chrono::nanoseconds TempsProcesseurDuFil();

// Watches one thread at work and tells whether it waits on the file system (a share, a cold
// disk) more than it works. Time in system calls that a local disk answers from its cache is
// processor time; a round trip to a server, or a read from the platter, is not. Each window
// of work (a few milliseconds, more on Windows where the thread clock ticks coarsely) is
// judged on its own: once one has spent more than half of its time waiting, the answer stays
// yes.
class SondeAttente {
public:
    SondeAttente() { ouvre(); }
    // Called on the watched thread after each unit of work: true once it was seen to wait.
    bool attend() {
        if (!lent_ && std::chrono::steady_clock::now() - debut_ >= Fenetre)
            juge();
        return lent_;
    }

private:
#ifdef _WIN32
    static constexpr std::chrono::milliseconds Fenetre{64};
#else
    static constexpr std::chrono::milliseconds Fenetre{2};
#endif
    void ouvre() {
        debut_ = std::chrono::steady_clock::now();
        processeur_ = TempsProcesseurDuFil();
    }
    void juge() {
        const auto mur = std::chrono::steady_clock::now() - debut_;
        const auto travail = TempsProcesseurDuFil() - processeur_;
        lent_ = mur > 2 * travail;
        ouvre();
    }

    std::chrono::steady_clock::time_point debut_;
    std::chrono::nanoseconds processeur_{};
    bool lent_ = false;
};

// The other threads of a piece of work whose units all threads take from one source, so that
// the work done is the same however many share it. The calling thread runs the work as
// fil 0 and reports each unit it ends (apres()); the others (fil 1 to fils - 1) start when
// it is seen to wait, or at once when a number of threads was asked for. Work that keeps the
// processors busy without waiting may ask for one thread a processor from its first unit.
class Renforts {
public:
    // `demande` above 0: that many threads, started at once; 0: up to `fils`, on demand.
    // `calcul`: the work is worth one thread a processor even when it does not wait (slices
    // that share nothing, whose system calls keep the processors busy on a local disk).
    Renforts(unsigned fils, unsigned demande, bool calcul = false)
        : fils_(demande > 0 ? demande : fils),
          immediat_(demande > 0),
          processeurs_(calcul ? std::min(fils_, std::max(1u, std::thread::hardware_concurrency()))
                              : 1) {}
    ~Renforts() { rejoint(); }
    Renforts(const Renforts&) = delete;
    Renforts& operator=(const Renforts&) = delete;

    // Runs `ouvrier(fil)` here as fil 0 and on the threads that join it, and returns when
    // all are done.
    template <typename Ouvrier>
    void travaille(Ouvrier& ouvrier) {
        ouvrier_ = [&ouvrier](unsigned fil) { ouvrier(fil); };
        if (immediat_)
            lance(fils_);
        ouvrier(0u);
        rejoint();
    }

    // Called on fil 0 after each unit of work.
    void apres() {
        if (autres_.size() + 1 >= fils_)
            return;
        if (sonde_.attend())
            lance(fils_);
        else if (autres_.size() + 1 < processeurs_)
            lance(processeurs_);
    }

private:
    // Up to `jusqua` threads in all.
    void lance(unsigned jusqua) {
        for (unsigned f = unsigned(autres_.size()) + 1; f < jusqua; ++f)
            autres_.emplace_back([this, f] { ouvrier_(f); });
    }
    void rejoint() {
        for (std::thread& t : autres_) {
            if (t.joinable())
                t.join();
        }
    }

    const unsigned fils_;
    const bool immediat_;
    const unsigned processeurs_;  // threads worth starting without waiting
    SondeAttente sonde_;
    std::function<void(unsigned)> ouvrier_;
    std::vector<std::thread> autres_;
};

}  // namespace tidemark
