#pragma once

#include <optional>
#include <string>

#include "platform/FileStatus.h"

namespace brenmark::platform {

// ReadFileStatus for the entry `name` of the open folder `folderFd`. For an
// unresolved link, `error` says why its target could not be reached.
std::optional<FileStatus> ReadFileStatusAt(int folderFd, const char* name, std::string* error);

}  // namespace brenmark::platform
