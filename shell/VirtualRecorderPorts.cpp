#include "shell/VirtualRecorderPorts.h"

namespace brenmark {

bool VirtualRecorderPorts::Claim(int drive) {
  virtualdrive::VirtualRecorder* recorder = recorderAt_(drive);
  return recorder == nullptr || recorder->Claim() == virtualdrive::VirtualRecorder::ClaimResult::Claimed;
}

void VirtualRecorderPorts::Release(int drive) {
  if (virtualdrive::VirtualRecorder* recorder = recorderAt_(drive)) recorder->Release();
}

std::filesystem::path VirtualRecorderPorts::LastKeptImage(int drive) const {
  const virtualdrive::VirtualRecorder* recorder = recorderAt_(drive);
  return recorder != nullptr ? recorder->LastKeptImage() : std::filesystem::path();
}

std::string VirtualRecorderPorts::DiscNotKeptReason(int drive) const {
  const virtualdrive::VirtualRecorder* recorder = recorderAt_(drive);
  return recorder != nullptr ? recorder->DiscNotKeptReason() : std::string();
}

}  // namespace brenmark
