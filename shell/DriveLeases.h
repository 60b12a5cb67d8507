#pragma once

#include <mutex>
#include <optional>
#include <set>

namespace brenmark {

// Keeps a drive to one caller at a time. A job holds its drive's lease from its
// start to its end; reports and the speed dialog hold it while they query the
// drive. Whoever is refused tells the user kBusyMessage.
class DriveLeases {
 public:
  static constexpr const char* kBusyMessage =
      "The selected device is busy with another job.\nPlease wait until that job has finished.";

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

  // The lease of a free drive, or nothing when another caller holds it.
  std::optional<Lease> TryAcquire(int drive);
  bool IsBusy(int drive) const;

 private:
  void Release(int drive);

  mutable std::mutex mutex_;
  std::set<int> held_;
};

}  // namespace brenmark
