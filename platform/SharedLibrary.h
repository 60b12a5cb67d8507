#pragma once

#include <filesystem>
#include <string>

namespace brenmark::platform {

// A shared library loaded at run time; unloaded when the object goes.
class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads the library file at path; false when it cannot be loaded.
  bool Load(const std::filesystem::path& path);
  bool loaded() const { return handle_ != nullptr; }
  // The address of an exported function, or null.
  void* Symbol(const std::string& name) const;
  void Unload();

 private:
  void* handle_ = nullptr;
};

// The folder of the running program's file, where the libraries it loads
// by name are installed; empty when it cannot be found.
std::filesystem::path ExecutableFolder();

}  // namespace brenmark::platform
