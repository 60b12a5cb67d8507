#include "drive/windows/SptiTransport.h"

#include <windows.h>

#include <utility>

#include "drive/windows/PassThroughBlock.h"
#include "platform/windows/WideText.h"

namespace brenmark::windows {

static_assert(sizeof(void*) == 4, "the pass-through block carries 32-bit addresses");

SptiTransport::SptiTransport(std::string devicePath) : devicePath_(std::move(devicePath)) {}

SptiTransport::~SptiTransport() { Close(); }

bool SptiTransport::Open() {
  if (handle_ != -1) return true;
  HANDLE device = CreateFileW(platform::WideFromUtf8(devicePath_).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(device);
  return true;
}

void SptiTransport::Close() {
  if (handle_ == -1) return;
  CloseHandle(reinterpret_cast<HANDLE>(std::exchange(handle_, -1)));
}

CommandOutcome SptiTransport::Execute(const ScsiRequest& request) {
  if (handle_ == -1 || request.cdb == nullptr) return TransportResult::TransportFailure;
  // Without a buffer nothing may be transferred, whatever length the command names.
  ScsiRequest sent = request;
  if (sent.buffer == nullptr) sent.length = 0;
  PassThroughBlock block =
      BuildPassThroughDirect(0, 0, 0, sent, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(sent.buffer)));
  DWORD returned = 0;
  const bool delivered =
      DeviceIoControl(reinterpret_cast<HANDLE>(handle_), kPassThroughDirectIoctl, block.data(),
                      static_cast<DWORD>(block.size()), block.data(), static_cast<DWORD>(block.size()),
                      &returned, nullptr) != FALSE;
  return PassThroughOutcome(delivered, block, sent.length);
}

}  // namespace brenmark::windows
