#include "platform/TextFile.h"

#include <string>
#include <string_view>
#include <system_error>

#include "platform/File.h"
#include "platform/FileSystem.h"

namespace brenmark::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporarySuffix = ".new";

// Writes `text` into a new file at `path`, never through a link standing
// there, and makes it durable (when asked) before it is closed.
bool WriteNewFile(const fs::path& path, const std::string& text, std::string& error, bool durable) {
  File file;
  if (!RemoveLeftoverFile(path, error)) {
    error = "cannot write " + path.string() + ": " + error;
    return false;
  }
  if (!file.OpenForWritingNoFollow(path, File::NoFollowOpening::CreateNew) ||
      !file.WriteAt(0, text.data(), text.size()) || (durable && !file.Sync()) || !file.Close()) {
    error = "cannot write " + path.string() + ": " + file.lastError();
    return false;
  }
  return true;
}

// The whole content of an open regular file of at most `mostBytes`.
std::optional<std::string> ReadWholeFile(File& file, std::uint64_t mostBytes, std::string& error) {
  const auto status = file.Status();
  if (!status) {
    error = file.lastError();
    return std::nullopt;
  }
  if (status->kind != FileKind::Regular) {
    error = "not a regular file";
    return std::nullopt;
  }
  if (status->size > mostBytes) {
    error = "larger than " + std::to_string(mostBytes) + " bytes";
    return std::nullopt;
  }
  std::string text(status->size, '\0');
  const std::int64_t read = file.ReadAt(0, text.data(), text.size());
  if (read < 0) {
    error = file.lastError();
    return std::nullopt;
  }
  text.resize(static_cast<std::size_t>(read));
  return text;
}

}  // namespace

std::optional<std::string> ReadTextFile(const fs::path& path, std::uint64_t mostBytes) {
  File file;
  std::string ignored;
  if (!file.OpenSource(path)) return std::nullopt;
  return ReadWholeFile(file, mostBytes, ignored);
}

std::optional<std::string> ReadOwnTextFile(const fs::path& path, std::uint64_t mostBytes, std::string& error) {
  error.clear();
  File file;
  if (!file.OpenOwnForReading(path)) {
    if (LookAtEntry(path) != EntryAtPath::Nothing) error = file.lastError();
    return std::nullopt;
  }
  return ReadWholeFile(file, mostBytes, error);
}

bool WriteTextFileAtomically(const fs::path& path, const std::string& text, std::string& error, bool durable) {
  fs::path temporary = path;
  temporary += kTemporarySuffix;
  if (WriteNewFile(temporary, text, error, durable)) {
    if (RenameFile(temporary, path, error)) {
      const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
      if (!durable || SyncFolder(folder, error)) return true;
      error = "cannot make the new " + path.string() + " durable: " + error;
      return false;
    }
    error = "cannot replace " + path.string() + ": " + error;
  }
  // Nothing half-written is left behind.
  std::string ignored;
  RemoveFile(temporary, ignored);
  return false;
}

bool RemoveLeftoverFile(const fs::path& path, std::string& error) {
  std::error_code code;
  if (!fs::is_regular_file(fs::symlink_status(path, code))) return true;
  return RemoveFile(path, error);
}

void RemoveLeftoverTemporaries(const fs::path& folder) {
  std::error_code code;
  for (fs::directory_iterator entry(folder, code), end; !code && entry != end; entry.increment(code)) {
    const fs::path& path = entry->path();
    std::error_code ignored;
    if (path.extension() == kTemporarySuffix && fs::is_regular_file(fs::symlink_status(path, ignored))) {
      fs::remove(path, ignored);
    }
  }
}

}  // namespace brenmark::platform
