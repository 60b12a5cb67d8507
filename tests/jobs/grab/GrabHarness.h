#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "jobs/grab/GrabJob.h"
#include "tests/jobs/grab/AudioDiscImage.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::test {

// The virtual CD recorder with a generated audio disc in its tray, an output
// folder, and the grab job run to its end.
class GrabHarness {
 public:
  explicit GrabHarness(std::vector<ImageTrack> tracks);

  struct Outcome {
    JobEnd result = JobEnd::Done;
    std::shared_ptr<RecordingProgress> progress;
    std::vector<audio::GrabbedTrack> written;
  };
  // Grabs the given track numbers with the main window's settings, changed to
  // `format`, `bitrateKbps`, existingOutputs and missingFolder; the options' onTrackWritten
  // hears of each file after the outcome has it.
  Outcome Grab(const std::vector<int>& selected, audio::GrabFormat format = audio::GrabFormat::Wav,
               std::int32_t bitrateKbps = 128, audio::GrabOptions options = {});

  // The block counts of the READ CD commands the CD recorder received since the last call.
  std::vector<std::uint32_t> TakeReadSizes();
  std::vector<std::uint8_t> Pcm(int track) const { return TrackPcm(cue, tracks, track); }

  std::vector<ImageTrack> tracks;
  endtoend::VirtualBench bench;
  endtoend::ScratchFolder scratch{"grab"};
  std::filesystem::path cue;
  std::filesystem::path folder;  // the output folder
  int drive = endtoend::VirtualBench::kCdDrive;
  audio::ExistingOutputs existingOutputs = audio::ExistingOutputs::Ask;
  audio::MissingFolder missingFolder = audio::MissingFolder::Ask;
  const StopRequest* stop = nullptr;  // the job's stop request, when it has one
};

// The number of stereo samples mpg123 decodes from an MP3 file, and what it
// says of the stream ("MPEG 1.0 L III cbr128 44100 stereo").
struct DecodedMp3 {
  std::uint64_t samples = 0;
  std::string stream;
};
DecodedMp3 DecodeMp3(const std::filesystem::path& mp3, const std::filesystem::path& scratch);

}  // namespace brenmark::test
