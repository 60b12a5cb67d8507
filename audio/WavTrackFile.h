#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "audio/OutputFile.h"

namespace brenmark::audio {

// The 44-byte header of a CD audio WAV file (PCM, 2 channels, 44100 Hz, 16 bits).
std::array<std::uint8_t, 44> WavHeader(std::uint32_t dataSize);

// One grabbed track as a WAV file: the header claims the whole track until
// Finish writes both size fields from what the file really holds; Commit
// then gives it its name (an OutputFile: until then it has a temporary one).
class WavTrackFile {
 public:
  static constexpr std::size_t kHeaderSize = 44;

  // Creates the file; false when it cannot be created.
  bool Create(const std::filesystem::path& path, bool replaceExisting);
  // Writes the header claiming `dataSize` bytes; false when not all of it was written.
  bool WriteHeader(std::uint32_t dataSize);
  bool Append(const std::uint8_t* bytes, std::size_t count);
  // Rewrites the size fields from the file's real size and closes it; false
  // when any of that or an earlier write failed.
  bool Finish();
  bool Commit() { return file_.Commit(); }
  // Closes the file and removes it.
  void Discard() { file_.Discard(); }
  void NameAs(const std::filesystem::path& path, bool replaceExisting) { file_.NameAs(path, replaceExisting); }
  const std::string& lastError() const { return file_.lastError(); }

 private:
  OutputFile file_;
};

}  // namespace brenmark::audio
