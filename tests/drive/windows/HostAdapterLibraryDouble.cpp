// A host-adapter library for tests, built as wnaspi32.dll: two host adapters
// with the virtual recorders behind them, reading the request blocks of the
// published interface on its own. Adapter 0 has a disk at target 1 and the
// virtual CD recorder at target 3; adapter 1 has the virtual DVD recorder at
// target 0. Commands complete on a thread of their own and signal the
// request's event, as a real adapter's do.
//
// BRENMARK_TEST_ASPI_FOLDER names the recorders' data folder (no adapter
// without it); BRENMARK_TEST_ASPI_STALL names an opcode (hex) that is never
// completed, not even when aborted.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "drive/ScsiTransport.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace {

using brenmark::virtualdrive::VirtualRecorder;

constexpr std::uint32_t kPending = 0x00, kComplete = 0x01, kError = 0x04;
constexpr std::uint32_t kNoDevice = 0x82, kInvalidRequest = 0xE0, kNoAdapters = 0xE8;
constexpr std::uint8_t kCheckCondition = 0x02;

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Device {
  int adapter;
  int target;
  std::uint8_t type;
  std::shared_ptr<VirtualRecorder> recorder;  // null for the disk
};

const std::vector<Device>& Devices() {
  static const std::vector<Device> devices = [] {
    std::vector<Device> list;
    const std::wstring folder = Environment(L"BRENMARK_TEST_ASPI_FOLDER");
    if (folder.empty()) return list;
    brenmark::virtualdrive::VirtualRecorderProvider provider{std::filesystem::path(folder)};
    list.push_back({0, 1, 0x00, nullptr});
    list.push_back({0, 3, 0x05, provider.recorders()[0]});
    list.push_back({1, 0, 0x05, provider.recorders()[1]});
    return list;
  }();
  return devices;
}

const Device* Find(int adapter, int target, int lun) {
  for (const Device& device : Devices()) {
    if (device.adapter == adapter && device.target == target && lun == 0) return &device;
  }
  return nullptr;
}

bool Stalls(std::uint8_t opcode) {
  const std::wstring stalled = Environment(L"BRENMARK_TEST_ASPI_STALL");
  return !stalled.empty() && std::wcstoul(stalled.c_str(), nullptr, 16) == opcode;
}

// Runs one SRB_ExecSCSICmd on the recorder and completes it.
void Complete(std::uint8_t* block, VirtualRecorder& recorder) {
  const std::uint8_t flags = block[3];
  brenmark::ScsiRequest request;
  request.cdb = &block[48];
  request.cdbLength = block[21];
  request.direction = (flags & 0x08) ? brenmark::DataDirection::In
                      : (flags & 0x10) ? brenmark::DataDirection::Out
                                       : brenmark::DataDirection::None;
  request.length = Le32(&block[12]);
  request.buffer = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(Le32(&block[16])));
  const brenmark::CommandOutcome outcome = recorder.Execute(request);

  const std::uint8_t senseLength = block[20];
  std::memset(&block[64], 0, std::min<std::size_t>(senseLength, 16));
  if (outcome.good()) {
    block[1] = kComplete;
  } else {
    block[1] = kError;
    block[23] = kCheckCondition;
    if (outcome.sense && senseLength >= 14) {
      block[64] = 0x70;
      block[64 + 2] = outcome.sense->key;
      block[64 + 7] = 10;
      block[64 + 12] = outcome.sense->asc;
      block[64 + 13] = outcome.sense->ascq;
    }
  }
  if (flags & 0x40) SetEvent(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(Le32(&block[24]))));
}

std::uint32_t ExecScsiCommand(std::uint8_t* block) {
  const Device* device = Find(block[2], block[8], block[9]);
  if (device == nullptr || !device->recorder) {
    block[1] = kNoDevice;
    return kNoDevice;
  }
  block[1] = kPending;
  if (Stalls(block[48])) return kPending;
  std::thread([block, recorder = device->recorder] { Complete(block, *recorder); }).detach();
  return kPending;
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD __cdecl GetASPI32SupportInfo() {
  if (Devices().empty()) return kNoAdapters << 8;
  return (kComplete << 8) | 2;
}

__declspec(dllexport) DWORD __cdecl SendASPI32Command(void* request) {
  auto* block = static_cast<std::uint8_t*>(request);
  switch (block[0]) {
    case 1: {  // get device type
      const Device* device = Find(block[2], block[8], block[9]);
      block[1] = device != nullptr ? kComplete : kNoDevice;
      if (device != nullptr) block[10] = device->type;
      return block[1];
    }
    case 2:
      return ExecScsiCommand(block);
    case 3:  // abort: the stalled request stays stalled
      block[1] = kComplete;
      return kComplete;
    default:
      block[1] = kInvalidRequest;
      return kInvalidRequest;
  }
}

__declspec(dllexport) DWORD __cdecl GetASPI32Buffer(void*) { return 0; }
__declspec(dllexport) DWORD __cdecl FreeASPI32Buffer(void*) { return 0; }
__declspec(dllexport) DWORD __cdecl TranslateASPI32Address(void*, void*) { return 0; }

}  // extern "C"

// Requests complete on detached threads; the library is never unloaded so
// that none of them can outlive its code.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(instance), &self);
  }
  return TRUE;
}
