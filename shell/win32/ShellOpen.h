#pragma once

#include <windows.h>

#include <filesystem>

namespace brenmark {
class UserPrompt;
}

namespace brenmark::win32 {

// Asks the shell to open a file or folder; says so when nothing can.
bool OpenWithShell(HWND owner, const std::filesystem::path& path, UserPrompt& prompt);

}  // namespace brenmark::win32
