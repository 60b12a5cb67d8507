#pragma once

#include <windows.h>

#include <filesystem>

namespace brenmark::win32 {

class Win32Session;

// Writes the window as it is on screen, frame included, to a PNG file.
bool CaptureWindow(HWND window, const std::filesystem::path& file);

// Shows every window and dialog of the program in turn and writes each to a
// PNG file in `folder`.
bool RenderScreenshots(Win32Session& session, const std::filesystem::path& folder);

}  // namespace brenmark::win32
