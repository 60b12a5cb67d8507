#pragma once

#include <windows.h>

#include <vector>

#include "drive/windows/AspiLibrary.h"
#include "drive/windows/AspiRequestBlocks.h"

namespace brenmark::windows {

// One request's block, completion event and data. The library writes the
// data here rather than into the caller's buffer, so that a request it never
// completes cannot write into memory its caller has moved on from.
struct AspiLibrary::Request {
  alignas(16) ExecScsiCmdBlock block{};
  HANDLE event = nullptr;
  std::vector<std::uint8_t> data;

  Request() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Request() {
    if (event != nullptr) CloseHandle(event);
  }
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;
};

}  // namespace brenmark::windows
