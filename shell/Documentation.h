#pragma once

#include <filesystem>

namespace brenmark {

// The README that "Order" opens: the installed documentation next to the
// program (share/doc/brenmark below its prefix), else the source tree's when
// the program runs from its build folder. Empty when neither exists.
std::filesystem::path DocumentationPath();

// Where the installed documentation is expected, for messages.
std::filesystem::path InstalledDocumentationPath();

}  // namespace brenmark
