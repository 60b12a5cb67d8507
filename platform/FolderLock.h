#pragma once

#include <filesystem>
#include <string>

#include "platform/File.h"

namespace brenmark::platform {

// An exclusive advisory lock on a folder, shared by every process that uses
// it the same way: held until released or destroyed, and released by the
// system when the holding process ends in any way, so that a killed process
// never leaves the folder locked. Two locks of one folder exclude each other
// within one process too. It is a write lock on the first byte of a lock file
// in the folder, which the Windows program under Wine and the Linux program
// both honour, so the two can share one data folder.
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(FolderLock&&) noexcept = default;
  FolderLock& operator=(FolderLock&&) noexcept = default;

  bool held() const { return file_.isOpen(); }
  void Release() { file_.Close(); }

  // The name of the file, inside the folder, that carries the lock.
  static constexpr const char* kLockFileName = ".lock";

 private:
  friend FolderLock TryLockFolder(const std::filesystem::path& folder, std::string& error);
  File file_;
};

// Takes the lock of `folder` (which must exist) without waiting. When the
// result is not held: `error` is empty if another holder has the lock, and
// otherwise says why the lock could not be taken.
FolderLock TryLockFolder(const std::filesystem::path& folder, std::string& error);

}  // namespace brenmark::platform
