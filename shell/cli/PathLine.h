#pragma once

#include <string>

namespace brenmark::cli {

// A path as one line of standard output. A path that a reader of whole lines
// would take wrongly (one holding a newline or another control character, or
// starting with a double quote) is written in double quotes with C escapes
// (\n, \t, \", \\, \xHH); every other path is written as it is.
std::string PathLine(const std::string& path);

}  // namespace brenmark::cli
