#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/File.h"

namespace brenmark::audio {

// A file the grab job writes from its start. It is made new under a temporary
// name beside its own, never through a link, and given its name only when
// complete (Commit); until then, or when discarded, nothing is at its name
// that claims more than it holds. Small writes are gathered in a buffer;
// every write reports whether its bytes went out, once they are due to. Each
// failure keeps the system's reason in lastError(). Until the file has its
// name or is removed, it holds a lock on its temporary file that tells every
// other grab it is being written (IsOwnedPart).
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file for `path`. With `replaceExisting`, Commit
  // replaces what is at `path` then (a link itself, never what it points to);
  // without, Commit fails when anything is there.
  bool Create(const std::filesystem::path& path, bool replaceExisting);
  bool Write(const void* bytes, std::size_t count);
  // Writes the gathered bytes; false when they could not all be written.
  bool Flush();
  // Overwrites bytes already written, after a Flush.
  bool WriteAt(std::int64_t offset, const void* bytes, std::size_t count);
  // The size the file really has on disk, after a Flush; -1 when unknown.
  std::int64_t SizeOnDisk() const;
  // Flushes and closes; false when any of it failed.
  bool Close();
  // After Close: makes the file's data durable, gives the file its name and
  // makes the name durable; false when any of it failed (the file may have
  // its name then).
  bool Commit();
  // Closes the file and removes it from under its temporary name.
  void Discard();
  // Before Commit: the name the file is to take instead, and whether it
  // replaces what is there.
  void NameAs(const std::filesystem::path& path, bool replaceExisting) {
    path_ = path;
    replaceExisting_ = replaceExisting;
  }

  const std::filesystem::path& path() const { return path_; }
  // Where the file is until Commit.
  const std::filesystem::path& temporaryPath() const { return temporary_; }
  const std::string& lastError() const { return error_; }

 private:
  bool Failed(const std::string& reason);
  // Locks the new temporary file as being written; false when another grab
  // took it for a leftover first: it is then given up.
  bool TakeOwnership();

  platform::File file_;
  platform::File owner_;  // holds the lock, from creation until named or removed
  std::filesystem::path path_;
  std::filesystem::path temporary_;  // empty once committed or discarded
  bool replaceExisting_ = false;
  std::vector<std::uint8_t> buffer_;
  std::int64_t written_ = 0;  // where the next flush writes
  std::string error_;
};

// True when a grab running now (in any process) is writing the temporary
// file at `path`.
bool IsOwnedPart(const std::filesystem::path& path);

// Removes a temporary file no running grab writes, holding its lock while it
// does so. False when it could not, or a grab is writing it: `reason` says.
bool RemoveUnownedPart(const std::filesystem::path& path, std::string& reason);

}  // namespace brenmark::audio
