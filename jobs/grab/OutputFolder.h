#pragma once

#include <filesystem>
#include <string>

namespace brenmark::audio {

// Creates `folder` and whichever of its parents are missing. False when one
// cannot be made: `reason` then names the first that could not (or the
// existing entry in the way that is no folder) and why.
bool CreateOutputFolder(const std::filesystem::path& folder, std::string& reason);

}  // namespace brenmark::audio
