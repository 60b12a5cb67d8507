#pragma once

#include <QString>

namespace brenmark::gui {

// The README that "Order" opens: the installed documentation next to the
// program (share/doc/brenmark below its prefix), else the source tree's when
// the program runs from its build folder. Empty when neither exists.
QString DocumentationPath();

// Where the installed documentation is expected, for messages.
QString InstalledDocumentationPath();

}  // namespace brenmark::gui
