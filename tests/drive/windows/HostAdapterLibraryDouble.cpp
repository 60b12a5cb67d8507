// A host-adapter library for tests, built as wnaspi32.dll: two host
// adapters with the virtual recorders behind them, reading the request blocks
// of the published interface on its own. Adapter 0 has a disk at target 1 and
// the virtual CD recorder at target 3; adapter 1 has the virtual DVD recorder
// at target 0. Commands complete on a thread of the library's own and signal
// the request's event, as a real adapter's do.
//
// BRENMARK_TEST_ASPI_FOLDER names the recorders' data folder (no adapter
// without it); BRENMARK_TEST_ASPI_STALL names an opcode (hex) that is never
// completed, not even when aborted; BRENMARK_TEST_ASPI_LATE one that completes
// only five seconds after it was sent, whether aborted or not.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bytes/ByteOrder.h"
#include "drive/ScsiTransport.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace {

using brenmark::bytes::ReadLe32;
using brenmark::virtualdrive::VirtualRecorder;

constexpr std::uint32_t kPending = 0x00, kComplete = 0x01, kError = 0x04;
constexpr std::uint32_t kNoDevice = 0x82, kInvalidRequest = 0xE0, kNoAdapters = 0xE8;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr DWORD kLateMilliseconds = 5000;

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

struct Device {
  int adapter;
  int target;
  std::uint8_t type;
  std::shared_ptr<VirtualRecorder> recorder;  // null for the disk
};

// Never destroyed: the completing thread may be inside a recorder when the
// process ends.
const std::vector<Device>& Devices() {
  static const std::vector<Device>* const devices = [] {
    auto* list = new std::vector<Device>;
    const std::wstring folder = Environment(L"BRENMARK_TEST_ASPI_FOLDER");
    if (folder.empty()) return list;
    brenmark::virtualdrive::VirtualRecorderProvider provider{std::filesystem::path(folder)};
    list->push_back({0, 1, 0x00, nullptr});
    list->push_back({0, 3, 0x05, provider.recorders()[0]});
    list->push_back({1, 0, 0x05, provider.recorders()[1]});
    return list;
  }();
  return *devices;
}

const Device* Find(int adapter, int target, int lun) {
  for (const Device& device : Devices()) {
    if (device.adapter == adapter && device.target == target && lun == 0) return &device;
  }
  return nullptr;
}

bool Named(const wchar_t* variable, std::uint8_t opcode) {
  const std::wstring named = Environment(variable);
  return !named.empty() && std::wcstoul(named.c_str(), nullptr, 16) == opcode;
}

// Requests completed, and those of them whose event could not be signalled:
// the request was freed, or its event closed, while the library still held it.
std::atomic<DWORD> completions{0};
std::atomic<DWORD> lostCompletions{0};

// Runs one SRB_ExecSCSICmd on the recorder and completes it.
void Complete(std::uint8_t* block, VirtualRecorder& recorder) {
  const std::uint8_t flags = block[3];
  brenmark::ScsiRequest request;
  request.cdb = &block[48];
  request.cdbLength = block[21];
  request.direction = (flags & 0x08) ? brenmark::DataDirection::In
                      : (flags & 0x10) ? brenmark::DataDirection::Out
                                       : brenmark::DataDirection::None;
  request.length = ReadLe32(&block[12]);
  request.buffer = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(ReadLe32(&block[16])));
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
  if ((flags & 0x40) != 0 && !SetEvent(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(ReadLe32(&block[24])))))
    ++lostCompletions;
  ++completions;
}

// The requests handed over, completed in order by one thread that lives as
// long as the process: no two commands run at once, and no thread is left
// behind finishing one when its caller has moved on. Never destroyed, as the
// thread never ends.
class CompletionQueue {
 public:
  static CompletionQueue& Instance() {
    static CompletionQueue* const queue = new CompletionQueue();
    return *queue;
  }

  void Add(std::uint8_t* block, VirtualRecorder& recorder, DWORD delayMilliseconds) {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      waiting_.push_back({block, &recorder, delayMilliseconds});
    }
    added_.notify_one();
  }

 private:
  struct Waiting {
    std::uint8_t* block;
    VirtualRecorder* recorder;
    DWORD delayMilliseconds;
  };

  CompletionQueue() { std::thread([this] { Run(); }).detach(); }

  [[noreturn]] void Run() {
    for (;;) {
      Waiting next;
      {
        std::unique_lock<std::mutex> hold(lock_);
        added_.wait(hold, [this] { return !waiting_.empty(); });
        next = waiting_.front();
        waiting_.pop_front();
      }
      if (next.delayMilliseconds > 0) Sleep(next.delayMilliseconds);
      Complete(next.block, *next.recorder);
    }
  }

  std::mutex lock_;
  std::condition_variable added_;
  std::deque<Waiting> waiting_;
};

std::uint32_t ExecScsiCommand(std::uint8_t* block) {
  const Device* device = Find(block[2], block[8], block[9]);
  if (device == nullptr || !device->recorder) {
    block[1] = kNoDevice;
    return kNoDevice;
  }
  block[1] = kPending;
  if (Named(L"BRENMARK_TEST_ASPI_STALL", block[48])) return kPending;
  const DWORD delay = Named(L"BRENMARK_TEST_ASPI_LATE", block[48]) ? kLateMilliseconds : 0;
  CompletionQueue::Instance().Add(block, *device->recorder, delay);
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

// For the tests: how many requests were completed, and how many of them found
// their event gone.
__declspec(dllexport) DWORD __cdecl BrenmarkTestCompletions() { return completions.load(); }
__declspec(dllexport) DWORD __cdecl BrenmarkTestLostCompletions() { return lostCompletions.load(); }

}  // extern "C"

// Requests complete on a thread that never ends; the library is never
// unloaded so that the thread cannot outlive its code.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(instance), &self);
  }
  return TRUE;
}
