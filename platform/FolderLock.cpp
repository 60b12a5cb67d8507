#include "platform/FolderLock.h"

#include <optional>

#include "platform/Utf8Path.h"

namespace brenmark::platform {

FolderLock TryLockFolder(const std::filesystem::path& folder, std::string& error) {
  error.clear();
  FolderLock lock;
  const std::filesystem::path lockPath = folder / FolderLock::kLockFileName;
  if (!lock.file_.OpenForWritingNoFollow(lockPath, File::NoFollowOpening::CreateOrKeep)) {
    error = "cannot open " + Utf8FromPath(lockPath) + ": " + lock.file_.lastError();
    return lock;
  }
  // A lock taken on a folder or a named pipe standing at the name would be
  // no lock of this folder that every user of it honours.
  const std::optional<FileStatus> status = lock.file_.Status();
  if (!status || status->kind != FileKind::Regular) {
    error = "cannot lock " + Utf8FromPath(lockPath) + ": " +
            (status ? std::string("it is not a regular file") : lock.file_.lastError());
    lock.file_.Close();
    return lock;
  }
  const File::LockAttempt attempt = lock.file_.TryLockExclusive();
  if (attempt == File::LockAttempt::Failed)
    error = "cannot lock " + Utf8FromPath(lockPath) + ": " + lock.file_.lastError();
  if (attempt != File::LockAttempt::Locked) lock.file_.Close();
  return lock;
}

}  // namespace brenmark::platform
