#pragma once

#include <filesystem>
#include <string>

namespace brenmark {

// What a burn learns after it ejects its disc from a drive that keeps every
// disc it ejects as an image file (a virtual recorder). Real drives keep
// nothing: both answers are empty for them.
class EjectedDiscs {
 public:
  virtual ~EjectedDiscs() = default;
  // The image the drive kept of the last disc it ejected; empty before any.
  virtual std::filesystem::path LastKeptImage(int drive) const = 0;
  // Why the drive's last eject could not keep the written disc (which then
  // stays in its tray); empty when it could or there was nothing to keep.
  virtual std::string DiscNotKeptReason(int drive) const = 0;
};

}  // namespace brenmark
