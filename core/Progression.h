#pragma once

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <functional>

// Progress and stop of the engine's long commands: one progress type, one throttle, one stop
// request, shared by the scan, the analysis, the purge run, the searches and the disposals.
namespace tidemark {

// How far a command has gone: `valeur` of `nombre` steps (a window maps it onto its progress
// bar). Called a few hundred times at most per pass, never once per entry.
using Progression = std::function<void(qint64 valeur, qint64 nombre)>;

// Calls a Progression with (0, nombre) first, then at most about 256 times as the work passes
// its positions.
class AvanceurProgression {
public:
    AvanceurProgression(const Progression& progression, qint64 nombre)
        : progression_(progression), nombre_(nombre), pas_(std::max<qint64>(1, nombre / 256)) {
        if (progression_ && nombre_ > 0) {
            progression_(0, nombre_);
            prochain_ = pas_;
        }
    }
    void a(qint64 valeur) {
        if (progression_ && valeur >= prochain_) {
            progression_(valeur, nombre_);
            prochain_ = valeur + pas_;
        }
    }

private:
    const Progression& progression_;
    qint64 nombre_;
    qint64 pas_;
    qint64 prochain_ = 0;
};

// The stop request of the running command. Any thread may ask for it; the command checks it
// at each file or directory and ends there, leaving every file done or untouched.
class DemandeArret {
public:
    void demande() { demandee_.store(true, std::memory_order_relaxed); }
    // The request is made by the `k`-th check from now (k >= 1): tests stop a command after
    // the k-th directory or file.
    void apres(int k) { restant_.store(k, std::memory_order_relaxed); }
    // One check, made by the command before each file or directory: true when it must stop.
    bool verifie() {
        if (restant_.load(std::memory_order_relaxed) > 0 &&
            restant_.fetch_sub(1, std::memory_order_relaxed) == 1)
            demande();
        return demandee();
    }
    bool demandee() const { return demandee_.load(std::memory_order_relaxed); }
    // A new command starts: the request of the last one is forgotten (a planned test stop
    // stays).
    void efface() { demandee_.store(false, std::memory_order_relaxed); }
    void raz() {
        efface();
        restant_.store(0, std::memory_order_relaxed);
    }

private:
    std::atomic<bool> demandee_{false};
    std::atomic<int> restant_{0};
};

}  // namespace tidemark
