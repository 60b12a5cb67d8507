#include "shell/VirtualRecorderPorts.h"

namespace brenmark {

bool VirtualRecorderPorts::Claim(int drive, std::string& refusal) {
  using ClaimResult = virtualdrive::VirtualRecorder::ClaimResult;
  virtualdrive::VirtualRecorder* recorder = recorderAt_(drive);
  if (recorder == nullptr) return true;
  const ClaimResult result = recorder->Claim();
  if (result == ClaimResult::Refused) refusal = recorder->ClaimRefusal();
  return result == ClaimResult::Claimed;
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
