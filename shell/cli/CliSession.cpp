#include "shell/cli/CliSession.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "drive/PlatformDevices.h"
#include "platform/Terminal.h"
#include "platform/Utf8Path.h"
#include "shell/DeviceProviders.h"
#include "virtualdrive/FaultInjector.h"
#include "virtualdrive/VirtualRecorder.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::cli {
using platform::IsTerminal;

CliSession::CliSession(const CliOptions& options)
    : options_(options),
      prompt_(stderr, IsTerminal(stdin) ? stdin : nullptr, options.answer) {
  // A message or a question starts on a line of its own, below the bar.
  prompt_.SetBeforeOutput([this] {
    if (currentProgress_) currentProgress_->BreakLine();
  });
  // Asked for another disc, the user first learns where the finished ones are.
  prompt_.SetBeforeWait([this] {
    PrintHeldImages(false);
    HoldFinishedImages();
  });
}

CliSession::~CliSession() {
  // Jobs end before the registry they use goes away.
  jobs_.reset();
}

DriveRegistry& CliSession::registry() {
  if (!registry_) Enumerate();
  return *registry_;
}

JobRunner& CliSession::jobs() {
  if (!jobs_) jobs_ = std::make_unique<JobRunner>(registry(), prompt_, leases_);
  return *jobs_;
}

std::shared_ptr<TerminalProgress> CliSession::NewProgress() {
  currentProgress_ = std::make_shared<TerminalProgress>(stderr, IsTerminal(stderr));
  return currentProgress_;
}

void CliSession::Enumerate() {
  // --transport, else the environment, else the system's own choice.
  const char* fromEnvironment = std::getenv("BRENMARK_TRANSPORT");
  const std::string transport = options_.transport.value_or(fromEnvironment ? fromEnvironment : "");
  std::unique_ptr<DeviceProvider> realDrives = MakePlatformDeviceProvider(prompt_, transport);
  if (!realDrives)
    Complain("there is no transport " + transport + " on this system; only the virtual recorders are listed");
  DeviceProviders devices =
      MakeDeviceProviders(options_.dataDir ? platform::PathFromUtf8(*options_.dataDir)
                                           : virtualdrive::DefaultVirtualRecorderFolder(),
                          std::move(realDrives));
  recorders_ = devices.virtualRecorders;
  for (const auto& recorder : recorders_) {
    recorder->SetFinishedImageObserver(
        [this](const std::filesystem::path& image) { PrintFinishedImage(platform::Utf8FromPath(image)); });
  }
  for (const auto& recorder : recorders_) {
    const std::string name = recorder->model().shortName;
    recorder->SetWriteProblemObserver([this, name](const std::string& problem) {
      if (currentProgress_) currentProgress_->BreakLine();
      Complain(problem);
    });
    if (const std::string problem = recorder->StartupProblem(); !problem.empty()) Complain(name + ": " + problem);
  }
  registry_ = std::make_unique<DriveRegistry>(prompt_, sleeper_, std::move(devices.providers));
  registry_->EnumerateDrives();
  leases_.HoldVirtualRecorders([this](int drive) { return VirtualRecorderAt(drive); });
  // Armed once the drive list stands, so that the faults meet the command's
  // own commands rather than those of enumeration.
  for (const std::string& text : options_.faults) {
    const auto fault = virtualdrive::ParseFaultSpec(text);
    for (const auto& recorder : recorders_) recorder->ArmFault(*fault.spec);
  }
}

void CliSession::PrintFinishedImage(const std::string& path) {
  std::lock_guard lock(imagesMutex_);
  if (heldImages_) {
    heldImages_->push_back(path);
    return;
  }
  if (currentProgress_) currentProgress_->BreakLine();
  std::fprintf(stdout, "%s\n", path.c_str());
  std::fflush(stdout);
}

void CliSession::HoldFinishedImages() {
  std::lock_guard lock(imagesMutex_);
  heldImages_.emplace();
}

void CliSession::PrintHeldImages(bool failed) {
  std::lock_guard lock(imagesMutex_);
  if (!heldImages_) return;
  // The mark follows on the same line, so a script reading whole lines still gets the path first.
  for (const std::string& path : *heldImages_) std::fprintf(stdout, "%s%s\n", path.c_str(), failed ? " (failed)" : "");
  std::fflush(stdout);
  heldImages_.reset();
}

std::optional<int> CliSession::SelectDrive() {
  DriveRegistry& drives = registry();
  if (!options_.drive) return drives.currentDrive;
  const std::string& wanted = *options_.drive;

  int index = -1;
  const auto [end, ec] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), index);
  const bool numeric = ec == std::errc() && end == wanted.data() + wanted.size();
  if (!numeric) {
    // The whole display text, else its beginning (the short name), else a unique part of it.
    std::vector<int> exact, prefix, part;
    for (int i = 0; i < drives.driveCount; ++i) {
      const std::string& name = drives.drive(i).displayName;
      if (name == wanted) exact.push_back(i);
      if (name.rfind(wanted, 0) == 0) prefix.push_back(i);
      if (name.find(wanted) != std::string::npos) part.push_back(i);
    }
    for (const auto* matches : {&exact, &prefix, &part}) {
      if (matches->size() == 1) {
        index = matches->front();
        break;
      }
      if (matches->size() > 1) {
        Complain("--drive " + wanted + " names more than one drive; see brenmark-cli drives");
        return std::nullopt;
      }
    }
  }
  if (index < 0 || index >= drives.driveCount) {
    Complain("--drive " + wanted + " names no drive; see brenmark-cli drives");
    return std::nullopt;
  }
  drives.currentDrive = index;
  return index;
}

virtualdrive::VirtualRecorder* CliSession::VirtualRecorderAt(int drive) {
  DriveRegistry& drives = registry();
  if (drive < 0 || drive >= drives.driveCount) return nullptr;
  const std::string& path = drives.drive(drive).devicePath;
  for (const auto& recorder : recorders_) {
    if (recorder->model().shortName == path) return recorder.get();
  }
  return nullptr;
}

int CliSession::FirstVirtualDrive() {
  for (int i = 0; i < registry().driveCount; ++i) {
    if (VirtualRecorderAt(i) != nullptr) return i;
  }
  return -1;
}

void CliSession::ReportFaultsNeverMet() const {
  if (recorders_.empty()) return;
  // Each recorder is armed with every fault: one no recorder met was never sent.
  for (std::size_t index = 0; index < options_.faults.size(); ++index) {
    const bool met = std::any_of(recorders_.begin(), recorders_.end(), [index](const auto& recorder) {
      const auto unmet = recorder->FaultsNeverMet();
      return std::find(unmet.begin(), unmet.end(), index) == unmet.end();
    });
    if (!met) Complain("--fault " + options_.faults[index] + ": the armed command was never sent");
  }
}

void CliSession::Complain(const std::string& text) const {
  std::fprintf(stderr, "brenmark-cli: %s\n", text.c_str());
}

}  // namespace brenmark::cli
