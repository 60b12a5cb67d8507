#include "platform/SharedLibrary.h"

#include <windows.h>

#include <vector>

namespace brenmark::platform {

SharedLibrary::~SharedLibrary() { Unload(); }

bool SharedLibrary::Load(const std::filesystem::path& path) {
  Unload();
  // The full path keeps the system from searching other folders for the file.
  handle_ = LoadLibraryW(path.wstring().c_str());
  return handle_ != nullptr;
}

void* SharedLibrary::Symbol(const std::string& name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}

void SharedLibrary::Unload() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

std::filesystem::path ExecutableFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace brenmark::platform
