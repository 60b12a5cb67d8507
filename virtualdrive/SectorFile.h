#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/File.h"

namespace brenmark::virtualdrive {

// An image file addressed by byte offset, written in place.
//
// Small writes that continue one another (single sectors, as the tail of every
// file of a data disc comes) are gathered in a write-behind buffer and reach
// the file together; larger ones go straight to the file. Reads, Size and
// ExtendTo see the gathered bytes; Flush, Close and destruction write them.
// A failure to write them is reported by the call that wrote them.
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
  // Opens for reading and writing, never through a link standing at `path`
  // (see platform::File::OpenForWritingNoFollow for `how`).
  bool OpenForWriting(const std::filesystem::path& path, platform::File::NoFollowOpening how, std::string& error);
  // Writes what the write-behind buffer holds; false when that failed (the
  // bytes are dropped then, as a drive drops what it could not record).
  bool Flush();
  // Flushes and closes; returns what Flush returned.
  bool Close();

  bool isOpen() const { return file_.isOpen(); }
  // The system's reason for the last failed call.
  const std::string& lastError() const { return file_.lastError(); }
  bool writable() const { return writable_; }
  std::int64_t Size() const;

  // Both fail on a short transfer; Read flushes first.
  bool Read(std::int64_t offset, void* data, std::size_t length);
  bool Write(std::int64_t offset, const void* data, std::size_t length);
  // Extends the file with zeros up to `size` bytes (no effect when larger).
  bool ExtendTo(std::int64_t size);
  // Cuts the file to `size` bytes (no effect when shorter).
  bool CutTo(std::int64_t size);

 private:
  bool WriteNow(std::int64_t offset, const void* data, std::size_t length);

  platform::File file_;
  bool writable_ = false;
  // Allocated once, when the file is first opened for writing.
  std::vector<std::uint8_t> pending_;
  std::int64_t pendingOffset_ = 0;
  std::size_t pendingLength_ = 0;
};

}  // namespace brenmark::virtualdrive
