#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/File.h"

namespace brenmark::audio {

// A file the grab job writes from its start, created empty (an existing one
// is replaced). Small writes are gathered in a buffer; every write reports
// whether its bytes went out, once they are due to.
class OutputFile {
 public:
  bool Create(const std::filesystem::path& path);
  bool Write(const void* bytes, std::size_t count);
  // Writes the gathered bytes; false when they could not all be written.
  bool Flush();
  // Overwrites bytes already written, after a Flush.
  bool WriteAt(std::int64_t offset, const void* bytes, std::size_t count);
  // The size the file really has on disk, after a Flush; -1 when unknown.
  std::int64_t SizeOnDisk() const;
  // Flushes and closes; false when any of it failed.
  bool Close();

 private:
  platform::File file_;
  std::vector<std::uint8_t> buffer_;
  std::int64_t written_ = 0;  // where the next flush writes
};

}  // namespace brenmark::audio
