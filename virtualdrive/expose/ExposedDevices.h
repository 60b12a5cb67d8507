#pragma once

#include <sys/types.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "virtualdrive/VirtualRecorderProvider.h"
#include "virtualdrive/expose/CdromTable.h"
#include "virtualdrive/expose/ExposeSettings.h"
#include "virtualdrive/expose/ExposedDevice.h"

namespace brenmark::expose {

// The devices one process shows: the CD and DVD recorders over the settings'
// data folder (made, with the settings' faults armed and their commands
// traced to the settings' trace file, the first time a device is used), and
// which open descriptors stand for which device.
//
// Each process runs its own recorders rather than asking a server: the
// recorders already share one disc between processes through their folder
// lock and tray files, so a process that opens the device is just another
// user of the recorder, and one that dies releases it with its lock. A server
// would add a second way of sharing, with a protocol and a life of its own.
class ExposedDevices {
 public:
  explicit ExposedDevices(ExposeSettings settings);

  // The device whose path is exactly `path`, or null (also for null).
  ExposedDevice* AtPath(const char* path);
  // The devices as columns of the kernel's table of CD-ROM drives.
  std::vector<CdromTableDrive> TableDrives() const;
  // The device an open descriptor stands for, or null.
  ExposedDevice* AtDescriptor(int descriptor);

  // `descriptor` now stands for the device, which it has opened.
  void Opened(int descriptor, ExposedDevice& device);
  // `copy`, a duplicate of `descriptor`, stands for the same device (opened
  // once more) and shares its position.
  void Duplicated(int descriptor, int copy);
  // The device `descriptor` stood for, forgotten; null when it stood for none.
  ExposedDevice* Forget(int descriptor);

  // Where the next read() on `descriptor` (and its duplicates) starts, 0 when
  // just opened, and moving it, as reads and lseek do.
  off_t Position(int descriptor);
  void MoveTo(int descriptor, off_t position);

 private:
  ExposedRecorder Recorder(std::size_t index);

  ExposeSettings settings_;
  std::vector<std::unique_ptr<ExposedDevice>> devices_;
  std::once_flag made_;
  std::unique_ptr<virtualdrive::VirtualRecorderProvider> provider_;
  std::vector<std::unique_ptr<ScsiTransport>> commands_;  // one per recorder, in the provider's order
  std::mutex descriptorsMutex_;
  struct OpenDescriptor {
    ExposedDevice* device;
    std::shared_ptr<off_t> position;
  };
  std::unordered_map<int, OpenDescriptor> descriptors_;
  // Checked before the table, so that calls on other descriptors take no lock.
  std::atomic<std::size_t> openCount_{0};
};

}  // namespace brenmark::expose
