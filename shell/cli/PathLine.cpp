#include "shell/cli/PathLine.h"

#include <algorithm>
#include <cstdio>

namespace brenmark::cli {
namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

void AppendEscaped(std::string& text, char c) {
  char escape[5];
  std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
  text += escape;
}

}  // namespace

std::string TerminalText(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    if (IsControl(c) && c != '\n' && c != '\t') {
      AppendEscaped(shown, c);
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string PathLine(const std::string& path) {
  const bool plain = std::none_of(path.begin(), path.end(), IsControl) && (path.empty() || path.front() != '"');
  if (plain) return path;
  std::string quoted = "\"";
  for (const char c : path) {
    switch (c) {
      case '\n': quoted += "\\n"; break;
      case '\t': quoted += "\\t"; break;
      case '\r': quoted += "\\r"; break;
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      default:
        if (IsControl(c)) {
          AppendEscaped(quoted, c);
        } else {
          quoted += c;
        }
    }
  }
  quoted += '"';
  return quoted;
}

}  // namespace brenmark::cli
