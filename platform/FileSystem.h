#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace brenmark::platform {

// Whole-file operations the standard library cannot do durably or with the
// system's own error text. Each returns false with `error` set on failure.

// Replaces `to` with `from` in one step (both in the same file system).
bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error);
// Gives `from` the name `to` when nothing is there yet; fails, changing
// nothing, when anything is (a link included).
bool RenameFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                         std::string& error);
// Removes a file; a file that is already gone is not an error.
bool RemoveFile(const std::filesystem::path& path, std::string& error);
// Makes the folder's entries (names created, renamed, removed) durable.
bool SyncFolder(const std::filesystem::path& folder, std::string& error);
// Whether files can be created in `folder`, found out by creating and
// removing one, so that permissions and read-only mounts both show.
bool CanWriteInFolder(const std::filesystem::path& folder, std::string& error);
// The bytes this user may still write in the file system that holds `folder`;
// empty when the system cannot tell (`error` then says why).
std::optional<std::uint64_t> AvailableSpace(const std::filesystem::path& folder, std::string& error);

}  // namespace brenmark::platform
