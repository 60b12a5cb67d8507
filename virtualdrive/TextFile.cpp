#include "virtualdrive/TextFile.h"

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporarySuffix = ".new";

// The system's text for the last failure of a stream, when it left one.
std::string StreamFailure(int savedErrno) {
  return savedErrno != 0 ? std::generic_category().message(savedErrno) : std::string("the write failed");
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
  const fs::path temporary = path.string() + std::string(kTemporarySuffix);
  std::error_code code;
  bool written = false;
  {
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (out) out << text;
    if (out) out.close();
    written = static_cast<bool>(out);
    if (!written) error = "cannot write " + temporary.string() + ": " + StreamFailure(errno);
  }
  if (written) {
    fs::rename(temporary, path, code);
    if (!code) return true;
    error = "cannot replace " + path.string() + ": " + code.message();
  }
  // Nothing half-written is left behind.
  fs::remove(temporary, code);
  return false;
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
