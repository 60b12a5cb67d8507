#include "platform/FolderLock.h"

namespace brenmark::platform {

FolderLock TryLockFolder(const std::filesystem::path& folder, std::string& error) {
  error.clear();
  FolderLock lock;
  const std::filesystem::path lockPath = folder / FolderLock::kLockFileName;
  if (!lock.file_.OpenForWritingNoFollow(lockPath, File::NoFollowOpening::CreateOrKeep)) {
    error = "cannot open " + lockPath.string() + ": " + lock.file_.lastError();
    return lock;
  }
  const File::LockAttempt attempt = lock.file_.TryLockExclusive();
  if (attempt == File::LockAttempt::Failed)
    error = "cannot lock " + lockPath.string() + ": " + lock.file_.lastError();
  if (attempt != File::LockAttempt::Locked) lock.file_.Close();
  return lock;
}

}  // namespace brenmark::platform
