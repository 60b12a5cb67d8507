#include "virtualdrive/TextFile.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/File.h"
#include "platform/FileSystem.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporarySuffix = ".new";

// Writes `text` into a new file at `path`, never through a link standing there.
bool WriteNewFile(const fs::path& path, const std::string& text, std::string& error) {
  platform::File file;
  if (!RemoveLeftoverFile(path, error)) {
    error = "cannot write " + path.string() + ": " + error;
    return false;
  }
  if (!file.OpenForWritingNoFollow(path, platform::File::NoFollowOpening::CreateNew) ||
      !file.WriteAt(0, text.data(), text.size()) || !file.Close()) {
    error = "cannot write " + path.string() + ": " + file.lastError();
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadTextFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteTextFileAtomically(const fs::path& path, const std::string& text, std::string& error) {
  fs::path temporary = path;
  temporary += kTemporarySuffix;
  std::error_code code;
  if (WriteNewFile(temporary, text, error)) {
    fs::rename(temporary, path, code);
    if (!code) return true;
    error = "cannot replace " + path.string() + ": " + code.message();
  }
  // Nothing half-written is left behind.
  fs::remove(temporary, code);
  return false;
}

bool RemoveLeftoverFile(const fs::path& path, std::string& error) {
  std::error_code code;
  if (!fs::is_regular_file(fs::symlink_status(path, code))) return true;
  return platform::RemoveFile(path, error);
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

}  // namespace brenmark::virtualdrive
