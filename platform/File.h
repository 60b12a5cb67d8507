#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/FileStatus.h"

namespace brenmark::platform {

class Directory;

// One open file, closed when destroyed. Every call that fails keeps the
// system's text for the failure in lastError().
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file for reading only.
  bool OpenForReading(const std::filesystem::path& path);
  // Opens a file the program keeps itself for reading: a link (a reparse
  // point on Windows) at `path` is refused, not followed, and so is anything
  // but a regular file, which is found without blocking on it.
  bool OpenOwnForReading(const std::filesystem::path& path);
  // Opens a file chosen by the user as burn source for reading: a named pipe
  // or a device cannot block the caller and never becomes its terminal.
  bool OpenSource(const std::filesystem::path& path);
  // The same for the entry `name` of an open folder, so that the path's
  // length is not limited.
  bool OpenSourceAt(const Directory& folder, const std::string& name);
  // Opens for reading and writing, creating the file when missing; with
  // `truncate`, an existing file is emptied.
  bool OpenForWriting(const std::filesystem::path& path, bool truncate);
  // Creates a new file for reading and writing. Fails when anything is at
  // `path` already, a link included (dangling or not): nothing existing is
  // opened, replaced or written through.
  bool CreateNew(const std::filesystem::path& path);
  // Opens a regular file for reading and writing, creating it when missing,
  // to add to its end (Append, or WriteAt at its size). A link (a reparse
  // point on Windows) at `path` is refused, not followed, and so is anything
  // but a regular file.
  bool OpenForAppending(const std::filesystem::path& path);
  // What OpenForWritingNoFollow does with the entry at the path.
  enum class NoFollowOpening : unsigned char {
    Existing,      // the file must exist; its contents stay
    CreateOrKeep,  // created when missing; an existing file keeps its contents
    CreateNew,     // created; any entry already of that name is a failure
  };
  // Opens for reading and writing like OpenForWriting, but never through a
  // symbolic link (on Windows, a reparse point) standing at the path: such a
  // link makes the open fail, saying so, and what it points to is untouched.
  bool OpenForWritingNoFollow(const std::filesystem::path& path, NoFollowOpening how);
  // Flushes nothing (there is no user-space buffer) and closes; false when the
  // system reported a failure on closing (a late write error).
  bool Close();

  bool isOpen() const { return handle_ != kNoHandle; }
  const std::string& lastError() const { return lastError_; }

  // Reads from the current position; returns the bytes read (fewer only at the
  // end of the file, or when a source would block), -1 on failure.
  std::int64_t Read(void* data, std::size_t length);
  // Reads up to `length` bytes at `offset`; the bytes read (fewer only at the
  // end of the file), -1 on failure. Read's position does not move.
  std::int64_t ReadAt(std::int64_t offset, void* data, std::size_t length);
  // Writes all `length` bytes at `offset`; false when any could not be written.
  // Read's position does not move.
  bool WriteAt(std::int64_t offset, const void* data, std::size_t length);
  // Writes all `length` bytes at the end of a file opened for appending, in
  // one call to the system, so that the writes of several processes that
  // append to the same file never mix; false when any could not be written.
  bool Append(const void* data, std::size_t length);
  // Sets the file's size, extending with zeros or cutting.
  bool Resize(std::int64_t size);
  // Makes the written data durable.
  bool Sync();
  // Size and kind of the open file.
  std::optional<FileStatus> Status() const;
  // Hints that the file will be read once from start to end.
  void AdviseSequential();

  enum class LockAttempt : unsigned char { Locked, Busy, Failed };
  // Takes an exclusive advisory lock on the open file without waiting. It is
  // held until the file is closed, and by the system no longer than the
  // process lives. Another open of the same file, in this process or any
  // other, finds it Busy.
  LockAttempt TryLockExclusive() { return TryLockExclusiveAt(0); }
  // The same lock on the one byte at `offset`, which may lie past the file's
  // end: other handles of the holder can then still write every byte of it.
  LockAttempt TryLockExclusiveAt(std::int64_t offset);

 private:
  static constexpr std::intptr_t kNoHandle = -1;

  bool Fail() const;

  std::intptr_t handle_ = kNoHandle;
  mutable std::string lastError_;
};

// What is at a path itself, a link not followed.
enum class EntryAtPath : unsigned char { Nothing, RegularFile, Link, Other };
// Nothing also when the path cannot be examined: creating a file there then
// tells why.
EntryAtPath LookAtEntry(const std::filesystem::path& path);

}  // namespace brenmark::platform
