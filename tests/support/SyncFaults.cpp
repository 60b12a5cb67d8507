#include "tests/support/SyncFaults.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {
std::atomic<int> passing{0}, failing{0}, done{0};
}  // namespace

void brenmark::testsupport::FailSyncs(int passFirst, int count) {
  passing = passFirst;
  failing = count;
  done = 0;
}

int brenmark::testsupport::SyncsDone() { return done; }

// Stands in for the C library's fsync in the whole test program.
extern "C" int fsync(int descriptor) {
  ++done;
  if (passing.fetch_sub(1) <= 0 && failing.fetch_sub(1) > 0) {
    errno = EIO;
    return -1;
  }
  return static_cast<int>(::syscall(SYS_fsync, descriptor));
}
