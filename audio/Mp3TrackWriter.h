#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "audio/Mp3EncoderStream.h"
#include "audio/OutputFile.h"
#include "audio/TrackWriter.h"

namespace brenmark::audio {

// Tracks as MP3 files through the encoder library: the samples are gathered
// into the stream's chunks and encoded chunk by chunk; finishing writes the
// encoder's last bytes and has the library complete the file's tag (the
// Info tag, with the encoder's delay and padding, when the configuration asks
// for it), before the file is given its name.
class Mp3TrackWriter final : public TrackWriter {
 public:
  // The library stays loaded, and the configuration the same, for every track.
  Mp3TrackWriter(const mp3::EncoderLibrary& encoder, const mp3::EncoderConfig& config);

  TrackWriteStatus Open(const std::filesystem::path& path, std::uint64_t audioBytes,
                        bool replaceExisting) override;
  TrackWriteStatus Write(const std::uint8_t* samples, std::size_t bytes) override;
  TrackWriteStatus Finish() override;
  void Abandon() override;
  void NameAs(const std::filesystem::path& path, bool replaceExisting) override {
    file_.NameAs(path, replaceExisting);
  }
  const std::string& lastError() const override { return file_.lastError(); }

 private:
  TrackWriteStatus EncodeGathered();

  const mp3::EncoderLibrary& encoder_;
  const mp3::EncoderConfig config_;
  mp3::EncoderStream stream_;
  OutputFile file_;
  std::unique_ptr<std::uint8_t[]> chunk_;   // the samples of the next chunk
  std::unique_ptr<std::uint8_t[]> output_;  // the encoder's bytes for one chunk
  std::size_t chunkBytes_ = 0;
  std::size_t gathered_ = 0;
};

}  // namespace brenmark::audio
