#include "virtualdrive/expose/ExposedDevices.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "drive/CommandTraceFile.h"
#include "drive/TracingTransport.h"
#include "platform/FolderLock.h"
#include "virtualdrive/FaultInjector.h"

namespace brenmark::expose {
namespace {

// Initial-exec: the library is loaded with the program, and reading the
// variable must never allocate (it is read in signal handlers).
thread_local int operationDepth __attribute__((tls_model("initial-exec"))) = 0;

// The N of a node named srN, else `fallback`.
unsigned NodeNumber(const std::string& path, unsigned fallback) {
  const std::string name = std::filesystem::path(path).filename().string();
  unsigned number = 0;
  const char* last = name.data() + name.size();
  if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return fallback;
  const auto [end, error] = std::from_chars(name.data() + 2, last, number);
  return error == std::errc() && end == last && number < 256 ? number : fallback;
}

// The N of a path naming one of the process's own descriptors,
// /dev/fd/N or /proc/self/fd/N; -1 for any other path.
int DescriptorNamed(const char* path) {
  for (const char* folder : {"/dev/fd/", "/proc/self/fd/"}) {
    const std::size_t length = std::strlen(folder);
    if (std::strncmp(path, folder, length) != 0) continue;
    const char* last = path + std::strlen(path);
    int descriptor = -1;
    const auto [end, error] = std::from_chars(path + length, last, descriptor);
    return error == std::errc() && end == last && end != path + length ? descriptor : -1;
  }
  return -1;
}

// The descriptor numbers the process has open, from the system's list.
std::vector<int> OpenDescriptors() {
  std::vector<int> descriptors;
  const int folder = static_cast<int>(::syscall(SYS_openat, AT_FDCWD, "/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder < 0) return descriptors;
  alignas(8) char buffer[4096];
  for (;;) {
    const long count = ::syscall(SYS_getdents64, folder, buffer, sizeof buffer);
    if (count <= 0) break;
    for (long at = 0; at < count;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
      int number = 0;
      const char* name = entry->d_name;
      const auto [end, error] = std::from_chars(name, name + std::strlen(name), number);
      if (error == std::errc() && *end == '\0' && number != folder) descriptors.push_back(number);
      at += entry->d_reclen;
    }
  }
  ::close(folder);
  return descriptors;
}

std::vector<DiscoveredDevice> Discovered(const ExposeSettings& settings) {
  std::vector<DiscoveredDevice> devices;
  const std::string* paths[] = {&settings.cdPath, &settings.dvdPath};
  const virtualdrive::RecorderModel models[] = {virtualdrive::CdRecorderModel(), virtualdrive::DvdRecorderModel()};
  for (std::size_t index = 0; index < 2; ++index) {
    if (paths[index]->empty()) continue;
    devices.push_back({*paths[index], NodeNumber(*paths[index], 90 + static_cast<unsigned>(index)),
                       models[index].vendor, models[index].product, models[index].revision, index == 1});
  }
  return devices;
}

// The sysfs tree of these devices, in the data folder; named by their numbers.
std::filesystem::path SysfsTree(const ExposeSettings& settings) {
  std::string name = ".sysfs";
  for (const DiscoveredDevice& device : Discovered(settings)) name += "-" + std::to_string(device.number);
  return settings.dataFolder / name;
}

}  // namespace

ExposedDevices::Operation::Operation(ExposedDevices& devices) : lock_(devices.operations_) {
  ++operationDepth;
  devices.SettleStale();
}

ExposedDevices::Operation::~Operation() { --operationDepth; }

bool ExposedDevices::Busy() { return operationDepth > 0; }

ExposedDevices::ExposedDevices(ExposeSettings settings)
    : settings_(std::move(settings)), discovery_(Discovered(settings_), SysfsTree(settings_)) {
  // The provider lists the CD recorder first, then the DVD recorder.
  const std::string* paths[] = {&settings_.cdPath, &settings_.dvdPath};
  const std::string names[] = {virtualdrive::CdRecorderModel().shortName, virtualdrive::DvdRecorderModel().shortName};
  for (std::size_t index = 0; index < 2; ++index) {
    if (paths[index]->empty()) continue;
    devices_.push_back(std::make_unique<ExposedDevice>(
        *paths[index], NodeNumber(*paths[index], 90 + static_cast<unsigned>(index)), index == 1,
        settings_.dataFolder / names[index] / platform::FolderLock::kLockFileName,
        [this, index] { return Recorder(index); }));
  }
}

std::vector<CdromTableDrive> ExposedDevices::TableDrives() const {
  std::vector<CdromTableDrive> drives;
  for (const auto& device : devices_) drives.push_back({device->path(), device->writesDvd()});
  return drives;
}

ExposedRecorder ExposedDevices::Recorder(std::size_t index) {
  std::lock_guard lock(operations_);
  if (!provider_) {
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
    // The device's own hold stands for opening it, so its transport stays open.
    const std::string* paths[] = {&settings_.cdPath, &settings_.dvdPath};
    for (std::size_t at = 0; at < provider_->recorders().size(); ++at) {
      const auto& recorder = provider_->recorders()[at];
      std::unique_ptr<ScsiTransport> commands = std::make_unique<virtualdrive::VirtualRecorderTransport>(recorder);
      if (trace) {
        commands = std::make_unique<TracingTransport>(std::move(commands), trace,
                                                      recorder->model().shortName + " as " + *paths[at]);
      }
      turns_.push_back(std::make_unique<SharedCommands>(
          *recorder, std::move(commands),
          settings_.dataFolder / recorder->model().shortName / platform::FolderLock::kLockFileName, shared_));
      turns_.back()->Open();
    }
    for (const std::string& text : settings_.faults) {
      const auto fault = virtualdrive::ParseFaultSpec(text);
      if (!fault.spec) continue;
      for (const auto& recorder : provider_->recorders()) recorder->ArmFault(*fault.spec);
    }
  }
  return {*provider_->recorders()[index], *turns_[index], *turns_[index]};
}

ExposedDevice* ExposedDevices::AtPath(const char* path) {
  if (path == nullptr) return nullptr;
  for (const auto& device : devices_) {
    if (std::strcmp(device->path().c_str(), path) == 0) return device.get();
  }
  // A name of one of its descriptors opens the device again, as the system
  // reopens the node such a name links to (how growisofs hands the device
  // to the image maker it runs).
  const int descriptor = DescriptorNamed(path);
  if (descriptor >= 0) return Recognise(descriptor);
  const std::string named = discovery_.OtherName(path);
  return named.empty() ? nullptr : AtPath(named.c_str());
}

ExposedDevice* ExposedDevices::AtDescriptor(int descriptor) {
  ExposedDevice* device = descriptors_.Find(descriptor);
  if (device == nullptr) return nullptr;
  const auto identity = IdentityOf(descriptor);
  if (identity && device->Identifies(*identity)) return device;
  Fresh(descriptor);
  return nullptr;
}

ExposedDevice* ExposedDevices::Recognise(int descriptor) {
  if (ExposedDevice* known = AtDescriptor(descriptor)) return known;
  const auto identity = IdentityOf(descriptor);
  if (!identity) return nullptr;
  for (const auto& device : devices_) {
    if (!device->Identifies(*identity)) continue;
    Operation operation(*this);
    Share();
    Enter(descriptor, *device);
    return device.get();
  }
  return nullptr;
}

void ExposedDevices::RecogniseInherited() {
  for (const int descriptor : OpenDescriptors()) Recognise(descriptor);
}

int ExposedDevices::Open(ExposedDevice& device, int flags, int& error) {
  Operation operation(*this);
  // A process that has a descriptor of the device (opened, inherited or
  // received) opens it again as one more holder; any other is refused while
  // it is held, as by a drive opened exclusively.
  int source = -1;
  descriptors_.ForEach([&](int descriptor, ExposedDevice& entered) {
    if (source < 0 && &entered == &device) source = descriptor;
  });
  int descriptor = -1;
  const bool held = source >= 0 && AtDescriptor(source) == &device;
  if (held) {
    descriptor = ::fcntl(source, (flags & O_CLOEXEC) != 0 ? F_DUPFD_CLOEXEC : F_DUPFD, 0);
  } else {
    descriptor = device.OpenHold(flags, error);
  }
  if (descriptor < 0) {
    if (error == 0) error = errno;
    return -1;
  }
  Fresh(descriptor);
  if (!Enter(descriptor, device)) {
    ::close(descriptor);
    error = EMFILE;
    return -1;
  }
  if (!held) device.StartHold();
  return descriptor;
}

void ExposedDevices::Duplicated(ExposedDevice& device, int copy) {
  Operation operation(*this);
  Fresh(copy);
  Enter(copy, device);
}

bool ExposedDevices::Enter(int descriptor, ExposedDevice& device) {
  if (!descriptors_.Add(descriptor, device)) return false;
  device.Attach();
  return true;
}

void ExposedDevices::Fresh(int descriptor) {
  ExposedDevice* stale = descriptors_.Remove(descriptor);
  if (stale == nullptr) return;
  stale_[stale == devices_.front().get() ? 0 : 1].fetch_add(1);
  if (!Busy()) Operation settle(*this);
}

void ExposedDevices::SettleStale() {
  for (std::size_t index = 0; index < devices_.size(); ++index) {
    for (int count = stale_[index].exchange(0); count > 0; --count) devices_[index]->Detach();
  }
}

void ExposedDevices::Closed(int descriptor) {
  ExposedDevice* device = descriptors_.Remove(descriptor);
  if (device == nullptr) return;
  Operation operation(*this);
  device->Detach();
}

void ExposedDevices::ClosedRange(unsigned first, unsigned last) {
  descriptors_.RemoveRange(first, last, [this](int, ExposedDevice& device) {
    stale_[&device == devices_.front().get() ? 0 : 1].fetch_add(1);
  });
  if (!Busy()) Operation settle(*this);
}

void ExposedDevices::Share() {
  Operation operation(*this);
  shared_ = true;
  for (const auto& device : devices_) device->HandOver();
}

void ExposedDevices::ShareIfHolding() {
  Operation operation(*this);
  bool holding = false;
  for (const auto& device : devices_) holding = holding || device->attached() > 0;
  if (holding) Share();
}

void ExposedDevices::BeforeFork() {
  operations_.lock();
  ++operationDepth;
  ShareIfHolding();
}

void ExposedDevices::AfterFork(bool inChild) {
  --operationDepth;
  if (!inChild) {
    operations_.unlock();
    return;
  }
  // The lock belongs to the parent's thread, which the child does not have:
  // it starts anew, free (the child runs this one thread alone).
  new (&operations_) std::recursive_mutex();
  for (const auto& turns : turns_) turns->LeaveParentsLock();
}

void ExposedDevices::HandOverAll() {
  Operation operation(*this);
  for (const auto& device : devices_) {
    while (device->attached() > 0) device->Detach();
  }
}

}  // namespace brenmark::expose
