#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace brenmark::virtualdrive {

// The whole content of a small text file; nullopt when it cannot be opened.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path);

// Writes beside `path` and renames over it, so that a reader sees the old
// text or the new one, never a part.
bool WriteTextFileAtomically(const std::filesystem::path& path, const std::string& text, std::string& error);

}  // namespace brenmark::virtualdrive
