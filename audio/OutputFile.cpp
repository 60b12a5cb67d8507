#include "audio/OutputFile.h"

#include <cstdio>
#include <random>

#include "platform/FileSystem.h"

namespace brenmark::audio {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr std::size_t kDirectWrite = 1 << 14;
// Names taken by others (a grab killed before, a planted entry) are passed over.
constexpr int kTemporaryNameAttempts = 16;
// The byte whose lock says a temporary file is being written: far past any
// track's end, so that the writer's other handles (and the encoder's) still
// write all of the file.
constexpr std::int64_t kOwnerByte = std::int64_t{1} << 40;

std::filesystem::path TemporaryName(const std::filesystem::path& path, std::uint32_t tag) {
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".part-%08x", static_cast<unsigned>(tag));
  std::filesystem::path temporary = path;
  temporary += suffix;
  return temporary;
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Failed(const std::string& reason) {
  error_ = reason;
  return false;
}

bool OutputFile::Create(const std::filesystem::path& path, bool replaceExisting) {
  Discard();
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  written_ = 0;
  error_.clear();
  path_ = path;
  replaceExisting_ = replaceExisting;
  std::random_device random;
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    const std::filesystem::path candidate = TemporaryName(path, random());
    if (platform::LookAtEntry(candidate) != platform::EntryAtPath::Nothing) continue;
    if (!file_.CreateNew(candidate)) return Failed(file_.lastError());
    temporary_ = candidate;
    if (TakeOwnership()) return true;
  }
  return Failed("no free temporary name beside it");
}

bool OutputFile::TakeOwnership() {
  // Where the file system keeps no locks, the file is written unowned.
  if (!owner_.OpenForWritingNoFollow(temporary_, platform::File::NoFollowOpening::Existing)) return true;
  const platform::File::LockAttempt attempt = owner_.TryLockExclusiveAt(kOwnerByte);
  if (attempt == platform::File::LockAttempt::Failed) {
    owner_.Close();
    return true;
  }
  // Another grab looking for leftovers may have had the new file's lock
  // first, and removed the file: it is given up for another name.
  if (attempt == platform::File::LockAttempt::Locked &&
      platform::LookAtEntry(temporary_) == platform::EntryAtPath::RegularFile) {
    return true;
  }
  Discard();
  return false;
}

bool OutputFile::Write(const void* bytes, std::size_t count) {
  if (!file_.isOpen()) return false;
  // Large writes (a read of 16 sectors) go straight to the file, small ones
  // (encoded chunks) are gathered.
  if ((buffer_.size() + count > kBufferSize || count >= kDirectWrite) && !Flush()) return false;
  if (count >= kDirectWrite) {
    if (!file_.WriteAt(written_, bytes, count)) return Failed(file_.lastError());
    written_ += static_cast<std::int64_t>(count);
    return true;
  }
  const auto* from = static_cast<const std::uint8_t*>(bytes);
  buffer_.insert(buffer_.end(), from, from + count);
  return true;
}

bool OutputFile::Flush() {
  if (buffer_.empty()) return true;
  const bool written = file_.WriteAt(written_, buffer_.data(), buffer_.size());
  if (written) written_ += static_cast<std::int64_t>(buffer_.size());
  buffer_.clear();
  return written || Failed(file_.lastError());
}

bool OutputFile::WriteAt(std::int64_t offset, const void* bytes, std::size_t count) {
  return file_.WriteAt(offset, bytes, count) || Failed(file_.lastError());
}

std::int64_t OutputFile::SizeOnDisk() const {
  const auto status = file_.Status();
  return status ? static_cast<std::int64_t>(status->size) : -1;
}

bool OutputFile::Close() {
  if (!file_.isOpen()) return true;
  const bool flushed = Flush();
  return (file_.Close() || Failed(file_.lastError())) && flushed;
}

bool OutputFile::Commit() {
  if (temporary_.empty() || file_.isOpen()) return Failed("the file is not complete");
  // Its data is made durable before it takes its name, and the name after
  // it, so that no power cut leaves the name on less than the whole file. It
  // is opened again for that: the MP3 encoder completes the closed file.
  platform::File complete;
  if (!complete.OpenForWritingNoFollow(temporary_, platform::File::NoFollowOpening::Existing) || !complete.Sync() ||
      !complete.Close()) {
    return Failed("its data could not be made durable: " + complete.lastError());
  }
  std::string error;
  const bool renamed = replaceExisting_ ? platform::RenameFile(temporary_, path_, error)
                                        : platform::RenameFileNoReplace(temporary_, path_, error);
  if (!renamed) return Failed(error);
  temporary_.clear();
  owner_.Close();
  const std::filesystem::path folder = path_.has_parent_path() ? path_.parent_path() : ".";
  if (!platform::SyncFolder(folder, error)) return Failed("its name could not be made durable: " + error);
  return true;
}

void OutputFile::Discard() {
  file_.Close();
  buffer_.clear();
  if (temporary_.empty()) return;
  std::string ignored;
  platform::RemoveFile(temporary_, ignored);
  temporary_.clear();
  owner_.Close();
}

bool RemoveUnownedPart(const std::filesystem::path& path, std::string& reason) {
  // Removed while its lock is held here, so that no grab takes it meanwhile.
  // One that cannot be opened or locked cannot be told from a leftover.
  platform::File probe;
  if (probe.OpenForWritingNoFollow(path, platform::File::NoFollowOpening::Existing) &&
      probe.TryLockExclusiveAt(kOwnerByte) == platform::File::LockAttempt::Busy) {
    reason = "a running grab is writing it";
    return false;
  }
  return platform::RemoveFile(path, reason);
}

bool IsOwnedPart(const std::filesystem::path& path) {
  platform::File probe;
  return probe.OpenForWritingNoFollow(path, platform::File::NoFollowOpening::Existing) &&
         probe.TryLockExclusiveAt(kOwnerByte) == platform::File::LockAttempt::Busy;
}

}  // namespace brenmark::audio
