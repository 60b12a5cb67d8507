#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "drive/DriveRegistry.h"
#include "jobs/DriveClaims.h"

namespace brenmark {

// Keeps a drive to one caller at a time. A job holds its drive's lease from its
// start to its end; reports and the speed dialog hold it while they query the
// drive. Whoever is refused tells the user RefusalMessage. A drive that other
// processes share (a virtual recorder) is also claimed against them for as
// long as the lease lasts.
class DriveLeases {
 public:
  static constexpr const char* kBusyMessage = kDriveInUseText;

  // Released when destroyed; movable so that it can travel with a job.
  class Lease {
   public:
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&& other) noexcept;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease();

    int drive() const { return drive_; }

   private:
    friend class DriveLeases;
    Lease(DriveLeases* owner, int drive) : owner_(owner), drive_(drive) {}
    void Release();

    DriveLeases* owner_;
    int drive_;
  };

  DriveLeases() = default;
  DriveLeases(const DriveLeases&) = delete;
  DriveLeases& operator=(const DriveLeases&) = delete;

  // `claims` is taken with every lease and given back with it; a drive
  // another process has claimed refuses the lease. It outlives the leases.
  void ClaimAcrossProcesses(DriveClaims& claims);

  // The lease of a free drive, or nothing when another caller (in this
  // process or, for a virtual recorder, another one) holds it.
  std::optional<Lease> TryAcquire(int drive);
  bool IsBusy(int drive) const;
  // What the user is told of the last refused TryAcquire of `drive`:
  // kBusyMessage, or why its claim across processes cannot be taken.
  std::string RefusalMessage(int drive) const;

 private:
  void Release(int drive);

  mutable std::mutex mutex_;
  std::set<int> held_;
  std::map<int, std::string> refusals_;  // of claims that cannot be taken, by drive
  DriveClaims* claims_ = nullptr;
};

}  // namespace brenmark
