#pragma once

#include <cstdint>
#include <string>

namespace brenmark {

// An audio CD written in one session at once instead of track by track:
// the pause between tracks and the disc's CD-TEXT.
struct DiscAtOnce {
  bool enabled = false;
  std::uint32_t gapBlocks = 0;  // the pause before every track after the first; 75 a second
  std::string albumTitle;
  std::string albumPerformer;
};

}  // namespace brenmark
