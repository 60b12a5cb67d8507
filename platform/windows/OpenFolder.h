#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace brenmark::platform {

// What a Directory holds on this system: the folder kept open (so that it
// cannot be removed or renamed while it is walked) and its extended path, to
// which entry names are joined.
struct OpenFolder {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::wstring path;

  ~OpenFolder();

  // Opens a folder given in the extended form; null with `error` set when it
  // cannot be opened or is not a folder.
  static OpenFolder* Open(std::wstring extendedPath, std::string& error);
  static OpenFolder& Of(std::intptr_t directoryHandle) {
    return *reinterpret_cast<OpenFolder*>(directoryHandle);
  }

  // The extended path of the entry `name` (UTF-8) of this folder.
  std::wstring EntryPath(const std::string& name) const;
};

}  // namespace brenmark::platform
