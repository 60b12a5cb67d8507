#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace brenmark::platform {

// Paths cross the engine as UTF-8 text. These convert at the seam, so that a
// system whose native paths are not UTF-8 still gets every character right.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace brenmark::platform
