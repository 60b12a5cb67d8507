#include "virtualdrive/expose/ExposedDevices.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

#include "drive/CommandTraceFile.h"
#include "drive/TracingTransport.h"
#include "virtualdrive/FaultInjector.h"

namespace brenmark::expose {
namespace {

// The N of a node named srN, else `fallback`.
unsigned NodeNumber(const std::string& path, unsigned fallback) {
  const std::string name = std::filesystem::path(path).filename().string();
  unsigned number = 0;
  const char* last = name.data() + name.size();
  if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return fallback;
  const auto [end, error] = std::from_chars(name.data() + 2, last, number);
  return error == std::errc() && end == last && number < 256 ? number : fallback;
}

}  // namespace

ExposedDevices::ExposedDevices(ExposeSettings settings) : settings_(std::move(settings)) {
  // The provider lists the CD recorder first, then the DVD recorder.
  const std::string* paths[] = {&settings_.cdPath, &settings_.dvdPath};
  for (std::size_t index = 0; index < 2; ++index) {
    if (paths[index]->empty()) continue;
    devices_.push_back(std::make_unique<ExposedDevice>(
        *paths[index], NodeNumber(*paths[index], 90 + static_cast<unsigned>(index)), index == 1,
        [this, index] { return Recorder(index); }));
  }
}

std::vector<CdromTableDrive> ExposedDevices::TableDrives() const {
  std::vector<CdromTableDrive> drives;
  for (const auto& device : devices_) drives.push_back({device->path(), device->writesDvd()});
  return drives;
}

ExposedRecorder ExposedDevices::Recorder(std::size_t index) {
  std::call_once(made_, [this] {
    provider_ = std::make_unique<virtualdrive::VirtualRecorderProvider>(settings_.dataFolder);
    // The program only learns of a write error; why the files could not be
    // written goes to its standard error, as brenmark-cli tells it.
    for (const auto& recorder : provider_->recorders()) {
      recorder->SetWriteProblemObserver(
          [](const std::string& problem) { std::fprintf(stderr, "brenmark-expose: %s\n", problem.c_str()); });
    }
    std::shared_ptr<CommandTrace> trace;
    if (!settings_.traceFile.empty()) {
      std::string error;
      trace = CommandTraceFile::Open(settings_.traceFile, error);
      if (!trace) {
        std::fprintf(stderr, "brenmark-expose: cannot trace the commands to %s: %s\n",
                     settings_.traceFile.string().c_str(), error.c_str());
      }
    }
    // The device's own claims stand for opening it, so its transport stays open.
    const std::string* paths[] = {&settings_.cdPath, &settings_.dvdPath};
    for (std::size_t at = 0; at < provider_->recorders().size(); ++at) {
      const auto& recorder = provider_->recorders()[at];
      std::unique_ptr<ScsiTransport> commands = std::make_unique<virtualdrive::VirtualRecorderTransport>(recorder);
      commands->Open();
      if (trace) {
        commands = std::make_unique<TracingTransport>(std::move(commands), trace,
                                                      recorder->model().shortName + " as " + *paths[at]);
      }
      commands_.push_back(std::move(commands));
    }
    for (const std::string& text : settings_.faults) {
      const auto fault = virtualdrive::ParseFaultSpec(text);
      if (!fault.spec) continue;
      for (const auto& recorder : provider_->recorders()) recorder->ArmFault(*fault.spec);
    }
  });
  return {*provider_->recorders()[index], *commands_[index]};
}

ExposedDevice* ExposedDevices::AtPath(const char* path) {
  if (path == nullptr) return nullptr;
  for (const auto& device : devices_) {
    if (std::strcmp(device->path().c_str(), path) == 0) return device.get();
  }
  return nullptr;
}

ExposedDevice* ExposedDevices::AtDescriptor(int descriptor) {
  if (openCount_.load() == 0) return nullptr;
  std::lock_guard lock(descriptorsMutex_);
  const auto found = descriptors_.find(descriptor);
  return found == descriptors_.end() ? nullptr : found->second.device;
}

void ExposedDevices::Opened(int descriptor, ExposedDevice& device) {
  std::lock_guard lock(descriptorsMutex_);
  descriptors_[descriptor] = OpenDescriptor{&device, std::make_shared<off_t>(0)};
  openCount_ = descriptors_.size();
}

void ExposedDevices::Duplicated(int descriptor, int copy) {
  std::lock_guard lock(descriptorsMutex_);
  const auto found = descriptors_.find(descriptor);
  if (found == descriptors_.end()) return;
  descriptors_[copy] = found->second;
  openCount_ = descriptors_.size();
}

ExposedDevice* ExposedDevices::Forget(int descriptor) {
  if (openCount_.load() == 0) return nullptr;
  std::lock_guard lock(descriptorsMutex_);
  const auto found = descriptors_.find(descriptor);
  if (found == descriptors_.end()) return nullptr;
  ExposedDevice* device = found->second.device;
  descriptors_.erase(found);
  openCount_ = descriptors_.size();
  return device;
}

off_t ExposedDevices::Position(int descriptor) {
  std::lock_guard lock(descriptorsMutex_);
  const auto found = descriptors_.find(descriptor);
  return found == descriptors_.end() ? 0 : *found->second.position;
}

void ExposedDevices::MoveTo(int descriptor, off_t position) {
  std::lock_guard lock(descriptorsMutex_);
  const auto found = descriptors_.find(descriptor);
  if (found != descriptors_.end()) *found->second.position = position;
}

}  // namespace brenmark::expose
