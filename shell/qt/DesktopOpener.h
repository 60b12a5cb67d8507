#pragma once

#include <QString>

namespace brenmark {
class UserPrompt;
}

namespace brenmark::gui {

// Asks the desktop to show a file or folder. When no program takes it, the
// user is told so (with the path, so it can be found by hand) and the result
// is false.
bool OpenOnDesktop(const QString& path, UserPrompt& prompt);

}  // namespace brenmark::gui
