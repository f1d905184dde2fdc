#include "session/PrioriteFil.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace tidemark {

void CedeLaPriorite() {
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
    // On Linux a nice value belongs to one thread, and the threads it creates inherit it. A
    // refusal (a limit on niceness) leaves the priority as it was, which is harmless.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}

}  // namespace tidemark
