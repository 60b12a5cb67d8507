#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/FileStatus.h"

namespace brenmark::platform {

// The status of an open file or folder.
std::optional<FileStatus> StatusOfHandle(HANDLE handle);

// ReadFileStatus for a path already in the extended form.
std::optional<FileStatus> StatusOfExtendedPath(const std::wstring& path, std::string* error);

}  // namespace brenmark::platform
