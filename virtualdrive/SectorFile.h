#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace brenmark::virtualdrive {

// An image file addressed by byte offset, written in place.
class SectorFile {
 public:
  SectorFile() = default;
  ~SectorFile();
  SectorFile(SectorFile&& other) noexcept;
  SectorFile& operator=(SectorFile&& other) noexcept;
  SectorFile(const SectorFile&) = delete;
  SectorFile& operator=(const SectorFile&) = delete;

  // Opens an existing file for reading only.
  bool OpenForReading(const std::filesystem::path& path, std::string& error);
  // Opens for reading and writing, creating the file when missing; `truncate`
  // empties it.
  bool OpenForWriting(const std::filesystem::path& path, bool truncate, std::string& error);
  void Close();

  bool isOpen() const { return fd_ >= 0; }
  bool writable() const { return writable_; }
  std::int64_t Size() const;

  // Both fail on a short transfer.
  bool Read(std::int64_t offset, void* data, std::size_t length) const;
  bool Write(std::int64_t offset, const void* data, std::size_t length);
  // Extends the file with zeros up to `size` bytes (no effect when larger).
  bool ExtendTo(std::int64_t size);

 private:
  int fd_ = -1;
  bool writable_ = false;
};

}  // namespace brenmark::virtualdrive
