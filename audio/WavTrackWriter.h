#pragma once

#include "audio/TrackWriter.h"
#include "audio/WavTrackFile.h"

namespace brenmark::audio {

// Tracks as CD audio WAV files. The header claims the whole track until the
// file is finished: then both size fields say what the file holds, and only
// then does the file have its name.
class WavTrackWriter final : public TrackWriter {
 public:
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
  WavTrackFile file_;
};

}  // namespace brenmark::audio
