#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

// How many threads the engine gives to work that waits on the file system. On a file server
// each directory read and each stat is a round trip: the threads mostly wait, so their
// number follows the waiting, not the processors.
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

// Runs `travail(fil)` on `fils` threads, the calling thread as fil 0, and returns when all
// are done.
template <typename Travail>
void EnParallele(unsigned fils, Travail&& travail) {
    std::vector<std::thread> autres;
    autres.reserve(fils > 0 ? fils - 1 : 0);
    for (unsigned f = 1; f < fils; ++f) autres.emplace_back([&travail, f] { travail(f); });
    travail(0u);
    for (std::thread& t : autres) t.join();
}

}  // namespace tidemark
