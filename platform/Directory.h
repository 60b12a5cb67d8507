#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileStatus.h"

namespace brenmark::platform {

// An open folder. Entries are reached relative to it, so that a tree is
// walked to any depth however long the full paths of its entries grow.
class Directory {
 public:
  Directory() = default;
  ~Directory();
  Directory(Directory&& other) noexcept;
  Directory& operator=(Directory&& other) noexcept;
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;

  // Opens the folder at `path` (symbolic links followed).
  bool Open(const std::filesystem::path& path);
  // Opens the folder `name` inside `parent` (symbolic links followed).
  bool OpenAt(const Directory& parent, const std::string& name);
  void Close();

  bool isOpen() const { return handle_ != kNoHandle; }
  const std::string& lastError() const { return lastError_; }

  // The names of every entry (hidden ones included, "." and ".." left out),
  // in the order the system gives them. False when the folder cannot be read.
  bool List(std::vector<std::string>& names);

  // The name of the pseudo file system the folder lies on ("proc", "sysfs",
  // "devtmpfs", "cgroup", ...): one whose entries describe the running system
  // instead of holding files. Empty for any other file system.
  std::string PseudoFileSystem() const;

  // The status of the entry `name`, as ReadFileStatus gives it for a path.
  std::optional<FileStatus> StatusOf(const std::string& name, std::string* error = nullptr) const;

 private:
  friend class File;
  static constexpr std::intptr_t kNoHandle = -1;

  std::intptr_t handle_ = kNoHandle;
  std::string lastError_;
};

}  // namespace brenmark::platform
