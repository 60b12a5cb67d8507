#pragma once

#include <ctime>
#include <filesystem>
#include <string>

#include "audio/GrabbedTrack.h"

namespace brenmark::audio {

// grab.log in the output folder: one section per grab, added behind those of
// earlier grabs: when it started and the drive, then per track its times,
// read retries and checksums, and how the grab ended when it did not
// complete. The log is opened anew for each addition, never through a link,
// and its lines are made durable as they are added.
class GrabLog {
 public:
  static constexpr const char* kFileName = "grab.log";

  GrabLog(std::filesystem::path folder, std::string driveName, std::time_t started);

  // False when the log could not be written; `error` then says why.
  bool Add(const GrabbedTrack& track, std::string& error);
  // How a grab that did not complete ended ("Grab failed: ..."), set apart
  // as a track is; the lines after its first are indented.
  bool AddEnding(const std::string& ending, std::string& error);

  const std::filesystem::path& path() const { return path_; }

 private:
  bool Append(const std::string& lines, std::string& error);

  std::filesystem::path path_;
  std::string heading_;  // the section's first lines, written with its first track
  bool started_ = false;
};

// The lines grab.log holds for one track.
std::string TrackLogText(const GrabbedTrack& track);

}  // namespace brenmark::audio
