#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "drive/ScsiTransport.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::virtualdrive {

// Where the virtual recorders keep their discs when nothing else is asked:
// the application's data folder itself, so that --data-dir of that folder
// shows the same recorders as no --data-dir.
std::filesystem::path DefaultVirtualRecorderFolder();

// The transport the drive table holds for one virtual recorder. The recorder
// stays shared with the provider, so the tray can be worked while the registry
// owns the transport.
class VirtualRecorderTransport final : public ScsiTransport {
 public:
  explicit VirtualRecorderTransport(std::shared_ptr<VirtualRecorder> recorder);

  bool Open() override;
  void Close() override;
  CommandOutcome Execute(const ScsiRequest& request) override;

  VirtualRecorder& recorder() const { return *recorder_; }

 private:
  std::shared_ptr<VirtualRecorder> recorder_;
  bool open_ = false;
};

// Offers the virtual CD recorder ("virtual-cd") and the virtual DVD recorder
// ("virtual-dvd"), in that order. Their discs live in `folder`: each
// recorder's disc in work in a folder named after it, finished images in
// "burned discs". The folders are created private to the user; a recorder
// whose folders other users can change refuses to work in them.
class VirtualRecorderProvider final : public DeviceProvider {
 public:
  explicit VirtualRecorderProvider(const std::filesystem::path& folder = DefaultVirtualRecorderFolder());

  std::vector<DeviceCandidate> FindDevices() override;

  // The CD recorder first, then the DVD recorder.
  const std::vector<std::shared_ptr<VirtualRecorder>>& recorders() const { return recorders_; }
  const std::filesystem::path& burnedFolder() const { return burnedFolder_; }

 private:
  std::filesystem::path burnedFolder_;
  std::vector<std::shared_ptr<VirtualRecorder>> recorders_;
};

}  // namespace brenmark::virtualdrive
