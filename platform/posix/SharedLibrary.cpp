#include "platform/SharedLibrary.h"

#include <dlfcn.h>

#include <system_error>

namespace brenmark::platform {

SharedLibrary::~SharedLibrary() { Unload(); }

bool SharedLibrary::Load(const std::filesystem::path& path) {
  Unload();
  // RTLD_LOCAL keeps its symbols out of the program's; RTLD_NOW fails now on
  // unresolved dependencies instead of at the first call.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  return handle_ != nullptr;
}

void* SharedLibrary::Symbol(const std::string& name) const {
  return handle_ == nullptr ? nullptr : dlsym(handle_, name.c_str());
}

void SharedLibrary::Unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : program.parent_path();
}

}  // namespace brenmark::platform
