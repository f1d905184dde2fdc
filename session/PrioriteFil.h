#pragma once

namespace tidemark {

// Lowers the calling thread's priority, and that of the threads it starts afterwards. The
// session's worker and its reading threads call it first: on a two-core machine, thirty-two
// threads reading a local disk would otherwise leave the window's event loop waiting for a
// processor. When the machine is idle they run as fast as before.
void CedeLaPriorite();

}  // namespace tidemark
