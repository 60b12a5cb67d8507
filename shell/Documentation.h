#pragma once

#include <filesystem>

namespace brenmark {

// The README that "Order" opens: the installed documentation next to the
// program (share/doc/brenmark below its prefix), else, for a program in its
// build folder, the one the build folder links to at the same place. Empty
// when neither exists.
std::filesystem::path DocumentationPath();

// Where the installed documentation is expected, for messages.
std::filesystem::path InstalledDocumentationPath();

}  // namespace brenmark
