#include "platform/FolderLock.h"

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
  const File::LockAttempt attempt = lock.file_.TryLockExclusive();
  if (attempt == File::LockAttempt::Failed)
    error = "cannot lock " + Utf8FromPath(lockPath) + ": " + lock.file_.lastError();
  if (attempt != File::LockAttempt::Locked) lock.file_.Close();
  return lock;
}

}  // namespace brenmark::platform
