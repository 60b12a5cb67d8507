#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "jobs/DriveClaims.h"
#include "jobs/EjectedDiscs.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark {

// The jobs' ports answered by the virtual recorders: a recorder's folder
// claim against other processes, and the image its eject kept (or why it
// could not). Drives with no recorder behind them are real drives: always
// claimed, keeping nothing.
class VirtualRecorderPorts final : public DriveClaims, public EjectedDiscs {
 public:
  // The virtual recorder behind a drive index; null for a real drive.
  using RecorderAt = std::function<virtualdrive::VirtualRecorder*(int drive)>;
  explicit VirtualRecorderPorts(RecorderAt recorderAt) : recorderAt_(std::move(recorderAt)) {}

  bool Claim(int drive, std::string& refusal) override;
  void Release(int drive) override;
  std::filesystem::path LastKeptImage(int drive) const override;
  std::string DiscNotKeptReason(int drive) const override;

 private:
  RecorderAt recorderAt_;
};

}  // namespace brenmark
