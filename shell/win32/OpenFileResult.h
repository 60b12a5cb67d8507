#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace brenmark::win32 {

// Room for the open-file dialog's answer: every name of a selection as large
// as the dialog lets the user make, with its folder (a short result buffer
// makes the dialog fail as if cancelled, and the user's choice is lost).
inline constexpr std::size_t kOpenFileResultChars = 1 << 20;

// The paths of an open-file dialog's answer: one full path, or the folder
// followed by the names chosen in it, each ended by a zero, the whole ended
// by a second zero. In the order the dialog gives them.
std::vector<std::wstring> SplitOpenFileResult(const wchar_t* result, std::size_t size);

// The dialog's filter from the "description|pattern|...||" notation.
std::wstring OpenFileFilter(const std::wstring& barred);

}  // namespace brenmark::win32
