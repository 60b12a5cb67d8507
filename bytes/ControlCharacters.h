#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace brenmark {

// `text` with every control character but the line break written as \xHH: a
// file name holding one cannot command the terminal that shows a log.
inline std::string WithControlsShown(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\n') || byte == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
      shown += escape;
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace brenmark
