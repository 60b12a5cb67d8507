#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace brenmark::audio {

// Why a missing `folder` could not be made: the nearest entry above it that
// exists is no folder ("/etc/passwd is not a folder"). Empty when nothing
// stands in the way, so that the user is asked to create it only then.
std::string WhyFolderCannotBeMade(const std::filesystem::path& folder);

// Creates `folder` and whichever of its parents are missing. False when one
// cannot be made: `reason` then names the first that could not (or the
// existing entry in the way that is no folder) and why.
bool CreateOutputFolder(const std::filesystem::path& folder, std::string& reason);

// The names of files an interrupted grab left in `folder` under the temporary
// names its track files have until complete ("track03.mp3.part-1a2b3c4d"),
// sorted; those a running grab is writing are not among them.
std::vector<std::string> LeftoverPartFiles(const std::filesystem::path& folder);

}  // namespace brenmark::audio
