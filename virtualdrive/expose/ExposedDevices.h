#pragma once

#include <sys/types.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "virtualdrive/VirtualRecorderProvider.h"
#include "virtualdrive/expose/CdromTable.h"
#include "virtualdrive/expose/DescriptorTable.h"
#include "virtualdrive/expose/DeviceDiscovery.h"
#include "virtualdrive/expose/ExposeSettings.h"
#include "virtualdrive/expose/ExposedDevice.h"
#include "virtualdrive/expose/SharedCommands.h"

namespace brenmark::expose {

// The devices one process shows: the CD and DVD recorders over the settings'
// data folder (made, with the settings' faults armed and their commands
// traced to the settings' trace file, the first time a device is used), and
// which descriptors stand for which device.
//
// A device held open is an open description of its recorder's lock file
// carrying the folder lock (see ExposedDevice), so the system itself keeps
// it held for as long as any process has a descriptor of it: a forked child,
// a program run with the descriptor, one sent it over a socket. Each such
// process runs its own copy of the recorder; while the device is shared they
// take turns per command and hand the disc over through its files (see
// SharedCommands), so that each command sees what the others wrote.
class ExposedDevices {
 public:
  explicit ExposedDevices(ExposeSettings settings);

  // The device whose path is exactly `path` (or another name of it, see
  // DeviceDiscovery, or /dev/fd/N of a descriptor N of it), or null (also for null).
  ExposedDevice* AtPath(const char* path);
  DeviceDiscovery& discovery() { return discovery_; }
  // The devices as columns of the kernel's table of CD-ROM drives.
  std::vector<CdromTableDrive> TableDrives() const;

  // The device a descriptor stands for, or null: at once, without a lock or
  // a system call, for a number never entered as a device. An entry whose
  // descriptor no longer refers to the device (closed by a call not taken
  // over, its number given to another file) is dropped.
  ExposedDevice* AtDescriptor(int descriptor);
  // A descriptor this process did not open itself (inherited, received):
  // entered, and the device shared, when it refers to a device.
  ExposedDevice* Recognise(int descriptor);
  // Every descriptor the process has, entered when it refers to a device:
  // what a program run with the device's descriptor does first.
  void RecogniseInherited();

  // Opens `device` for this process: a duplicate of a descriptor it has,
  // else a new hold; -1 with `error`.
  int Open(ExposedDevice& device, int flags, int& error);
  // `copy`, the system's duplicate of one of `device`'s descriptors.
  void Duplicated(ExposedDevice& device, int copy);
  // The system has handed out `descriptor` anew: an entry left under its
  // number was stale. Safe in a signal handler when the number was no device.
  void Fresh(int descriptor);
  // `descriptor` (or every descriptor in [first, last]) is closed.
  void Closed(int descriptor);
  void ClosedRange(unsigned first, unsigned last);

  // Another process is about to reach the devices this one holds (a fork,
  // a program run, a descriptor sent): from now on each command hands over.
  void Share();
  // The same, when this process holds a device.
  void ShareIfHolding();
  bool shared() const { return shared_.load(); }
  // Around fork: no device's work is half done in the child, which takes
  // turns against its parent with a lock of its own.
  void BeforeFork();
  void AfterFork(bool inChild);
  // The process ends with devices open: their discs are written to their
  // files and the claims given back, as closing them would.
  void HandOverAll();

  // A device's work, held for its length: one at a time in the process, and
  // the calls made meanwhile by the recorder itself (its files, its trace)
  // pass straight to the system.
  class Operation {
   public:
    explicit Operation(ExposedDevices& devices);
    ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

   private:
    std::unique_lock<std::recursive_mutex> lock_;
  };
  // True on a thread inside an Operation.
  static bool Busy();

 private:
  ExposedRecorder Recorder(std::size_t index);
  // Detaches the devices whose entries were found stale outside an Operation.
  void SettleStale();
  // False when the table is full.
  bool Enter(int descriptor, ExposedDevice& device);

  ExposeSettings settings_;
  std::vector<std::unique_ptr<ExposedDevice>> devices_;
  DeviceDiscovery discovery_;
  std::recursive_mutex operations_;
  std::unique_ptr<virtualdrive::VirtualRecorderProvider> provider_;
  // One per recorder, in the provider's order: its commands (traced inside).
  std::vector<std::unique_ptr<SharedCommands>> turns_;
  DescriptorTable descriptors_;
  std::atomic<bool> shared_{false};
  std::atomic<int> stale_[2] = {0, 0};  // per device, entries dropped but not yet detached
};

}  // namespace brenmark::expose
