#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>

namespace brenmark::audio {

// A file the grab job writes, created empty (an existing one is replaced).
// Every write reports whether all of its bytes went out.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Create(const std::filesystem::path& path);
  bool Write(const void* bytes, std::size_t count);
  // Flushes and closes; false when buffered bytes could not be written.
  bool Close();
  bool open() const { return file_ != nullptr; }

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace brenmark::audio
