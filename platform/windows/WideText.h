#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace brenmark::platform {

// UTF-8 to the system's UTF-16 and back. Text that is not valid UTF-8 (or
// UTF-16) keeps a replacement character where the broken bytes were.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// The path in the extended form ("\\?\C:\...", "\\?\UNC\server\..."): no
// length limit, and names such as "CON" or "nul.txt" are ordinary files.
std::wstring ExtendedPath(const std::filesystem::path& path);

// The system's text for an error code (GetLastError), without the line break.
std::string SystemErrorText(unsigned long code);
std::string LastSystemErrorText();

}  // namespace brenmark::platform
