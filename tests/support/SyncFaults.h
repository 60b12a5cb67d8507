#pragma once

namespace brenmark::testsupport {

// Syncs of files and folders that fail as on a disk that cannot write their
// data: after `passFirst` more syncs have been done, the next `count` fail
// with an I/O error. Linux only: the tests that link this have their own
// fsync in place of the system's.
void FailSyncs(int passFirst, int count = 1);
// The syncs done since the last FailSyncs, failed ones included.
int SyncsDone();

}  // namespace brenmark::testsupport
