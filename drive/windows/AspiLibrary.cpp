#include "drive/windows/AspiLibrary.h"

#include <windows.h>

#include "drive/windows/AspiRequest.h"

namespace brenmark::windows {
namespace {

// The functions that are only looked up: a missing one is told and loading
// goes on.
struct OptionalFunction {
  const char* name;
  std::uint8_t bit;
  const char* missingText;
};
constexpr OptionalFunction kOptionalFunctions[] = {
    {"GetASPI32Buffer", AspiLibrary::kGetBuffer, "Can't Find GetASPI32Buffer function."},
    {"FreeASPI32Buffer", AspiLibrary::kFreeBuffer, "Can't Find FreeASPI32Buffer function."},
    {"TranslateASPI32Address", AspiLibrary::kTranslateAddress,
     "Can't Find TranslateASPI32Address function."},
};

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::shared_ptr<AspiLibrary> AspiLibrary::Load(UserPrompt& prompt, std::uint8_t& functionMask) {
  HMODULE module = LoadLibraryW(L"WNASPI32.DLL");
  if (module == nullptr) return nullptr;
  std::shared_ptr<AspiLibrary> library(new AspiLibrary());
  library->module_ = module;

  library->supportInfo_ = Lookup<SupportInfoFunction>(module, "GetASPI32SupportInfo");
  if (library->supportInfo_ == nullptr) {
    prompt.ShowMessage("Can't Find GetASPI32SupportInfo function.", MessageIcon::Plain);
    return nullptr;
  }
  functionMask |= kSupportInfo;
  library->sendCommand_ = Lookup<SendCommandFunction>(module, "SendASPI32Command");
  if (library->sendCommand_ == nullptr) {
    prompt.ShowMessage("Can't Find SendASPI32Command function.", MessageIcon::Plain);
    return nullptr;
  }
  functionMask |= kSendCommand;
  for (const OptionalFunction& function : kOptionalFunctions) {
    if (GetProcAddress(module, function.name) != nullptr) {
      functionMask |= function.bit;
    } else {
      prompt.ShowMessage(function.missingText, MessageIcon::Plain);
    }
  }
  return library;
}

AspiLibrary::~AspiLibrary() {
  FreeLibrary(static_cast<HMODULE>(module_));
  // A library kept loaded by another user (or by itself) may still complete
  // an abandoned request later, writing its block and data and signalling its
  // event; such a request is left allocated for the rest of the process. Only
  // those the library has completed are freed.
  for (std::unique_ptr<Request>& request : abandoned_) {
    if (WaitForSingleObject(request->event, 0) != WAIT_OBJECT_0) static_cast<void>(request.release());
  }
}

std::uint32_t AspiLibrary::SupportInfo() const { return supportInfo_(); }

std::uint32_t AspiLibrary::Send(void* block) const { return sendCommand_(block); }

void AspiLibrary::Abandon(std::unique_ptr<Request> request) {
  const std::lock_guard<std::mutex> hold(abandonedLock_);
  abandoned_.push_back(std::move(request));
}

}  // namespace brenmark::windows
