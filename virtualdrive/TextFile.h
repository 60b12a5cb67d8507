#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace brenmark::virtualdrive {

// The whole content of a small text file; nullopt when it cannot be opened.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path);

// Writes beside `path` and renames over it, so that a reader sees the old
// text or the new one, never a part. On failure `error` names the file and
// the system's reason, and the temporary file is removed.
bool WriteTextFileAtomically(const std::filesystem::path& path, const std::string& text, std::string& error);

// Removes the regular file at `path`, left by an earlier write, so that a new
// one can be created there. Anything else standing there (a link) is kept, so
// that creating the new file fails instead of going through it. False, with
// `error`, only when a regular file could not be removed.
bool RemoveLeftoverFile(const std::filesystem::path& path, std::string& error);

// Removes the temporary files an interrupted WriteTextFileAtomically left in
// `folder` (a process killed between writing and renaming).
void RemoveLeftoverTemporaries(const std::filesystem::path& folder);

}  // namespace brenmark::virtualdrive
