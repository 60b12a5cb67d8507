#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drive/CdCueSheet.h"
#include "drive/CdTextPacks.h"
#include "jobs/burn/BurnImageCue.h"

// Where every block of a cue sheet's image goes on a disc written session at
// once, checked whole before anything is written: the files exist, their
// sizes end on whole blocks of their tracks, every index lies within its
// file, every track lasts at least 4 seconds.
namespace brenmark::burnimage {

// Blocks written one after another with one block size: read from a file,
// or zeros (a pregap the file does not hold).
struct Segment {
  std::int32_t first = 0;
  std::uint32_t blocks = 0;
  int blockSize = 0;
  std::optional<std::size_t> file;  // into ImagePlan::files; none for zeros
  std::uint64_t offset = 0;         // bytes into the file
};

// A track from its INDEX 01 to its end, as the verify reads it back.
struct TrackExtent {
  int number = 0;
  TrackMode mode = TrackMode::Audio;
  std::int32_t start = 0;
  std::uint32_t blocks = 0;
};

struct ImagePlan {
  cdcue::SessionCue cue;
  std::vector<cdtext::Entry> texts;  // TITLE, PERFORMER, SONGWRITER of the disc (track 0) and the tracks
  std::vector<std::filesystem::path> files;
  std::vector<Segment> segments;  // from LBA -150 on, in order
  std::vector<TrackExtent> tracks;
};

struct ImagePlanResult {
  std::optional<ImagePlan> plan;
  std::string error;  // names the line or the file
};

// The size of a file, or nothing when it does not exist or cannot be read.
using FileSizeOf = std::function<std::optional<std::uint64_t>(const std::filesystem::path&)>;

// The plan of the image whose cue sheet lies in `folder` (FILE names are
// relative to it).
ImagePlanResult PlanImage(const ImageCue& cue, const std::filesystem::path& folder, const FileSizeOf& sizeOf);

}  // namespace brenmark::burnimage
