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

// The one throttle: calls a Progression with position 0 first, then at most about 256 times
// as the work passes its `nombre` positions, and with the last one on fin(). A pass that is
// one part of a longer run reports `decalage` + its position, out of `total` steps.
class AvanceurProgression {
public:
    AvanceurProgression(const Progression& progression, qint64 nombre, qint64 decalage = 0,
                        qint64 total = -1)
        : progression_(progression),
          nombre_(nombre),
          decalage_(decalage),
          total_(total < 0 ? nombre : total),
          pas_(std::max<qint64>(1, (nombre + 255) / 256)) {
        if (progression_ && nombre_ > 0) {
            montre(0);
            prochain_ = pas_;
        }
    }
    void a(qint64 valeur) {
        if (progression_ && valeur >= prochain_) {
            montre(valeur);
            prochain_ = valeur + pas_;
        }
    }
    // The last position, when it was not reported yet: a bar ends full.
    void fin() {
        if (progression_ && nombre_ > 0 && dernier_ != nombre_ - 1)
            montre(nombre_ - 1);
    }

private:
    void montre(qint64 valeur) {
        progression_(decalage_ + valeur, total_);
        dernier_ = valeur;
    }
    const Progression& progression_;
    qint64 nombre_;
    qint64 decalage_;
    qint64 total_;
    qint64 pas_;
    qint64 prochain_ = 0;
    qint64 dernier_ = -1;
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
