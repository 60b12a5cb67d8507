#pragma once

#include <filesystem>
#include <string>

namespace brenmark::virtualdrive {

// What an image path names when it is there but not a regular file ("a
// folder", "a named pipe", "a device", "a socket"); empty for a regular file
// or a path that does not exist. Symbolic links are followed.
std::string NonRegularFileKind(const std::filesystem::path& path);

}  // namespace brenmark::virtualdrive
