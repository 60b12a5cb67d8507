#pragma once

#include <string>
#include <vector>

namespace brenmark::platform {

// The program's arguments after its name, as UTF-8 texts. On a system whose
// `argv` is in a narrow code page, they are read from the system's own
// wide-character command line instead, so that no character is lost.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace brenmark::platform
