#include "jobs/DriveLeases.h"

#include <utility>

namespace brenmark {

DriveLeases::Lease::Lease(Lease&& other) noexcept
    : owner_(std::exchange(other.owner_, nullptr)), drive_(other.drive_) {}

DriveLeases::Lease& DriveLeases::Lease::operator=(Lease&& other) noexcept {
  if (this != &other) {
    Release();
    owner_ = std::exchange(other.owner_, nullptr);
    drive_ = other.drive_;
  }
  return *this;
}

DriveLeases::Lease::~Lease() { Release(); }

void DriveLeases::Lease::Release() {
  if (owner_ != nullptr) std::exchange(owner_, nullptr)->Release(drive_);
}

void DriveLeases::ClaimAcrossProcesses(DriveClaims& claims) {
  std::lock_guard lock(mutex_);
  claims_ = &claims;
}

std::optional<DriveLeases::Lease> DriveLeases::TryAcquire(int drive) {
  std::lock_guard lock(mutex_);
  refusals_.erase(drive);
  if (held_.contains(drive)) return std::nullopt;
  std::string refusal;
  if (claims_ != nullptr && !claims_->Claim(drive, refusal)) {
    if (!refusal.empty()) refusals_[drive] = std::move(refusal);
    return std::nullopt;
  }
  held_.insert(drive);
  return Lease(this, drive);
}

bool DriveLeases::IsBusy(int drive) const {
  std::lock_guard lock(mutex_);
  return held_.contains(drive);
}

std::string DriveLeases::RefusalMessage(int drive) const {
  std::lock_guard lock(mutex_);
  const auto refusal = refusals_.find(drive);
  return refusal != refusals_.end() ? refusal->second : std::string(kBusyMessage);
}

void DriveLeases::Release(int drive) {
  std::lock_guard lock(mutex_);
  if (held_.erase(drive) != 0 && claims_ != nullptr) claims_->Release(drive);
}

}  // namespace brenmark
