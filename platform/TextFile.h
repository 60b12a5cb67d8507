#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace brenmark::platform {

// The whole content of a small text file: a regular file (a link at the path
// is followed) of at most `mostBytes`. Nothing when it is missing, cannot be
// read, is no regular file or is larger. It is opened as burn sources are, so
// a named pipe put at its name cannot block the caller.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path, std::uint64_t mostBytes);

// The same for a file the program keeps itself (its tray and state files):
// a link at the path is refused, not followed. When it is there but cannot be
// read, `error` says why; it stays empty when nothing is there.
std::optional<std::string> ReadOwnTextFile(const std::filesystem::path& path, std::uint64_t mostBytes,
                                           std::string& error);

// Replaces the file at `path` by `text` in one step: the text goes into a new
// file beside it (never through a link), is made durable, and is renamed over
// `path`, and then the rename is made durable, so that after a crash or a
// power cut the name holds the old text or the whole new one, never a part.
// On failure `error` names the file and the system's reason, and the
// temporary file is removed. A failure to make the rename durable is a
// failure too, though the new text is in place then. Not `durable`, the file
// is replaced in one step all the same but not made to outlast a crash: for
// text only other processes read meanwhile.
bool WriteTextFileAtomically(const std::filesystem::path& path, const std::string& text, std::string& error,
                             bool durable = true);

// Removes the regular file at `path`, left by an earlier write, so that a new
// one can be created there. Anything else standing there (a link) is kept, so
// that creating the new file fails instead of going through it. False, with
// `error`, only when a regular file could not be removed.
bool RemoveLeftoverFile(const std::filesystem::path& path, std::string& error);

// Removes the temporary files an interrupted WriteTextFileAtomically left in
// `folder` (a process killed between writing and renaming).
void RemoveLeftoverTemporaries(const std::filesystem::path& folder);

}  // namespace brenmark::platform
