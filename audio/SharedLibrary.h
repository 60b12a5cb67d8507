#pragma once

#include <filesystem>
#include <string>

namespace brenmark {

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

// The folder the running program was started from.
std::filesystem::path ExecutableFolder();

}  // namespace brenmark
