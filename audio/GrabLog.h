#pragma once

#include <filesystem>
#include <string>

#include "audio/GrabbedTrack.h"

namespace brenmark::audio {

// grab.log in the output folder: the drive, then per track its times, read
// retries and checksums. Created (replacing an older one) with the first
// track a grab writes; each track's lines are flushed as they are added.
class GrabLog {
 public:
  static constexpr const char* kFileName = "grab.log";

  GrabLog(std::filesystem::path folder, std::string driveName);

  // False when the log could not be written.
  bool Add(const GrabbedTrack& track);

 private:
  std::filesystem::path path_;
  std::string driveName_;
  bool started_ = false;
};

// The lines grab.log holds for one track.
std::string TrackLogText(const GrabbedTrack& track);

}  // namespace brenmark::audio
