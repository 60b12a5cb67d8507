#include "shell/cli/PathLine.h"

#include <algorithm>
#include <cstdio>

namespace brenmark::cli {
namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

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
          char escape[5];
          std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  quoted += '"';
  return quoted;
}

}  // namespace brenmark::cli
