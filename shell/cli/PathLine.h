#pragma once

#include <string>

namespace brenmark::cli {

// A path as one line of standard output. A path that a reader of whole lines
// would take wrongly (one holding a newline or another control character, or
// starting with a double quote) is written in double quotes with C escapes
// (\n, \t, \", \\, \xHH); every other path is written as it is.
std::string PathLine(const std::string& path);

// A message for the terminal: every control character but the line break and
// the tab (such as the escape that starts a terminal's control sequence, which
// a file name may hold) written as \xHH, so that none reaches the terminal.
std::string TerminalText(const std::string& text);

}  // namespace brenmark::cli
