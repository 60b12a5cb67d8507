#pragma once

namespace brenmark::platform {

// Lets the first Ctrl+C from the terminal (SIGINT; on Windows the console's
// Ctrl+C or Ctrl+Break) call `handler` instead of ending the program; the
// next one ends it as usual. The handler runs as a signal handler (on Windows
// on a thread of the system's): it may only touch lock-free atomics.
void CatchFirstInterrupt(void (*handler)());

}  // namespace brenmark::platform
