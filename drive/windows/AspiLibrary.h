#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "drive/UserPrompt.h"

namespace brenmark::windows {

// The host-adapter library (wnaspi32.dll), loaded at run time and unloaded
// when the last user lets it go.
class AspiLibrary {
 public:
  // A request the library was handed and may still write into: its block,
  // its completion event and its data.
  struct Request;

  // Bits of functionMask().
  static constexpr std::uint8_t kSendCommand = 0x1;
  static constexpr std::uint8_t kSupportInfo = 0x2;
  static constexpr std::uint8_t kGetBuffer = 0x4;
  static constexpr std::uint8_t kFreeBuffer = 0x8;
  static constexpr std::uint8_t kTranslateAddress = 0x10;

  // Loads the library and looks up its functions, telling the user through
  // `prompt` of each one that is missing. Null when the library is missing or
  // lacks one of the two functions that are called.
  static std::shared_ptr<AspiLibrary> Load(UserPrompt& prompt, std::uint8_t& functionMask);
  ~AspiLibrary();
  AspiLibrary(const AspiLibrary&) = delete;
  AspiLibrary& operator=(const AspiLibrary&) = delete;

  // GetASPI32SupportInfo: status in the second byte, host adapter count in the low one.
  std::uint32_t SupportInfo() const;
  // SendASPI32Command with a request block.
  std::uint32_t Send(void* block) const;

  // Keeps a request the library never completed, even after being asked to
  // abort it: the library may still write into it. It is freed with the
  // library if it has completed by then, and never otherwise.
  void Abandon(std::unique_ptr<Request> request);

 private:
  using SupportInfoFunction = std::uint32_t(__cdecl*)();
  using SendCommandFunction = std::uint32_t(__cdecl*)(void*);

  AspiLibrary() = default;

  void* module_ = nullptr;
  SupportInfoFunction supportInfo_ = nullptr;
  SendCommandFunction sendCommand_ = nullptr;
  std::mutex abandonedLock_;
  std::vector<std::unique_ptr<Request>> abandoned_;
};

}  // namespace brenmark::windows
