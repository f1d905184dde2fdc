#include "core/Parallele.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace tidemark {

std::chrono::nanoseconds TempsProcesseurDuFil() {
#ifdef _WIN32
    FILETIME creation, fin, noyau, utilisateur;
    if (!GetThreadTimes(GetCurrentThread(), &creation, &fin, &noyau, &utilisateur))
        return {};
    const auto centaines = [](const FILETIME& t) {
        return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return std::chrono::nanoseconds((centaines(noyau) + centaines(utilisateur)) * 100);
#else
    timespec t{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0)
        return {};
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
#endif
}

}  // namespace tidemark
