#pragma once

#include <string>
#include <string_view>

namespace brenmark {

// `message`, whose last line says that the process ends, with `detail` (the
// file and the system's reason) on a line of its own just before that line:
// the line that says the process ends always comes last.
inline std::string WithDetail(std::string_view message, std::string_view detail) {
  const std::size_t lastLine = message.rfind('\n');
  const std::string_view before = lastLine == std::string_view::npos ? message : message.substr(0, lastLine);
  const std::string_view ending = lastLine == std::string_view::npos ? std::string_view() : message.substr(lastLine);
  std::string text(before);
  text.append("\n").append(detail).append(ending);
  return text;
}

}  // namespace brenmark
