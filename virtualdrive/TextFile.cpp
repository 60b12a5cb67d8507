#include "virtualdrive/TextFile.h"

#include <fstream>
#include <sstream>
#include <system_error>

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

std::optional<std::string> ReadTextFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteTextFileAtomically(const fs::path& path, const std::string& text, std::string& error) {
  fs::path temporary = path;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      error = "cannot write " + temporary.string();
      return false;
    }
  }
  std::error_code code;
  fs::rename(temporary, path, code);
  if (code) {
    error = "cannot replace " + path.string() + ": " + code.message();
    return false;
  }
  return true;
}

}  // namespace brenmark::virtualdrive
