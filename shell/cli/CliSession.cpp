#include "shell/cli/CliSession.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>

#include "platform/Interrupt.h"
#include "platform/Terminal.h"
#include "platform/Utf8Path.h"
#include "shell/cli/PathLine.h"
#include "virtualdrive/FaultInjector.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::cli {
using platform::IsTerminal;

namespace {

// The stop request the first Ctrl+C sets: the running job's, while there is one.
std::atomic<StopRequest*> interruptedJob{nullptr};

void StopInterruptedJob() {
  if (StopRequest* stop = interruptedJob.load()) stop->Request();
}

}  // namespace

CliSession::CliSession(const CliOptions& options)
    : options_(options),
      prompt_(stderr, IsTerminal(stdin) ? stdin : nullptr, options.answer) {
  // A message or a question starts on a line of its own, below the bar.
  prompt_.SetBeforeOutput([this] {
    if (currentProgress_) currentProgress_->BreakLine();
  });
  // A stop the user declined leaves the next Ctrl+C a stop request again, not the end of the program.
  prompt_.SetOnStopDeclined([] { platform::CatchFirstInterrupt(StopInterruptedJob); });
  // Asked for another disc, the user first learns where the finished ones are.
  prompt_.SetBeforeWait([this] {
    PrintHeldImages(false);
    HoldFinishedImages();
  });
}

CliSession::~CliSession() { interruptedJob.store(nullptr); }

std::shared_ptr<StopRequest> CliSession::StopOnInterrupt() {
  stopOnInterrupt_ = std::make_shared<StopRequest>();
  interruptedJob.store(stopOnInterrupt_.get());
  platform::CatchFirstInterrupt(StopInterruptedJob);
  return stopOnInterrupt_;
}

std::shared_ptr<TerminalProgress> CliSession::NewProgress() {
  currentProgress_ = std::make_shared<TerminalProgress>(stderr, IsTerminal(stderr));
  return currentProgress_;
}

EngineSession& CliSession::engine() {
  if (engine_) return *engine_;
  // --transport, else the environment, else the system's own choice.
  const char* fromEnvironment = std::getenv("BRENMARK_TRANSPORT");
  const std::string transport = options_.transport.value_or(fromEnvironment ? fromEnvironment : "");
  EngineSession::Options engine;
  engine.transport = transport;
  if (options_.dataDir) engine.virtualRecorderFolder = platform::PathFromUtf8(*options_.dataDir);
  if (options_.trace) engine.traceFile = platform::PathFromUtf8(*options_.trace);
  engine.onFinishedImage = [this](const std::filesystem::path& image) {
    PrintFinishedImage(platform::Utf8FromPath(image));
  };
  engine.onWriteProblem = [this](const std::string& problem) {
    if (currentProgress_) currentProgress_->BreakLine();
    Complain(problem);
  };
  engine_ = std::make_unique<EngineSession>(prompt_, std::move(engine));
  if (!engine_->FoundTransport()) {
    Complain("there is no transport " + transport + " on this system; only the virtual recorders are listed");
  }
  for (const std::string& problem : engine_->StartupProblems()) Complain(problem);
  // Armed once the drive list stands, so that the faults meet the command's
  // own commands rather than those of enumeration.
  for (const std::string& text : options_.faults) {
    const auto fault = virtualdrive::ParseFaultSpec(text);
    for (const auto& recorder : engine_->trays().recorders()) recorder->ArmFault(*fault.spec);
  }
  return *engine_;
}

void CliSession::PrintFinishedImage(const std::string& path) {
  std::lock_guard lock(imagesMutex_);
  if (heldImages_) {
    heldImages_->push_back(path);
    return;
  }
  if (currentProgress_) currentProgress_->BreakLine();
  platform::PrintText(stdout, "%s\n", PathLine(path).c_str());
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
  for (const std::string& path : *heldImages_) platform::PrintText(stdout, "%s%s\n", PathLine(path).c_str(), failed ? " (failed)" : "");
  std::fflush(stdout);
  heldImages_.reset();
}

namespace {

// The default drive the user set for every run, if any.
std::optional<std::string> DriveFromEnvironment() {
  const char* value = std::getenv("BRENMARK_DRIVE");
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

}  // namespace

bool CliSession::DriveNamed() const { return options_.drive || DriveFromEnvironment(); }

std::optional<int> CliSession::SelectDrive(Fallback fallback) {
  DriveRegistry& drives = registry();
  std::optional<int> chosen;
  if (options_.drive) {
    chosen = DriveNamedBy(*options_.drive, "--drive " + *options_.drive);
  } else if (const auto named = DriveFromEnvironment()) {
    chosen = DriveNamedBy(*named, "BRENMARK_DRIVE=" + *named);
  } else {
    // Never a real drive the user did not name: none at all rather than that.
    chosen = VirtualRecorderFor(fallback);
  }
  if (chosen) drives.currentDrive = *chosen;
  return chosen;
}

int CliSession::VirtualRecorderFor(Fallback fallback) {
  for (int i = 0; i < registry().driveCount; ++i) {
    const auto* recorder = VirtualRecorderAt(i);
    if (recorder != nullptr &&
        virtualdrive::IsCdMedium(recorder->model().blankKind) == (fallback == Fallback::CdRecorder)) {
      return i;
    }
  }
  return -1;
}

std::optional<int> CliSession::DriveNamedBy(const std::string& wanted, const std::string& source) {
  DriveRegistry& drives = registry();
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
        Complain(source + " names more than one drive; see brenmark-cli drives");
        return std::nullopt;
      }
    }
  }
  if (index < 0 || index >= drives.driveCount) {
    Complain(source + " names no drive; see brenmark-cli drives");
    return std::nullopt;
  }
  return index;
}

virtualdrive::VirtualRecorder* CliSession::VirtualRecorderAt(int drive) { return engine().RecorderAt(drive); }

void CliSession::ReportFaultsNeverMet() const {
  if (!engine_) return;
  const auto& recorders = engine_->trays().recorders();
  // Each recorder is armed with every fault: one no recorder met was never sent.
  for (std::size_t index = 0; index < options_.faults.size(); ++index) {
    const bool met = std::any_of(recorders.begin(), recorders.end(), [index](const auto& recorder) {
      const auto unmet = recorder->FaultsNeverMet();
      return std::find(unmet.begin(), unmet.end(), index) == unmet.end();
    });
    if (!met) Complain("--fault " + options_.faults[index] + ": the armed command was never sent");
  }
}

void CliSession::Complain(const std::string& text) const {
  platform::PrintText(stderr, "brenmark-cli: %s\n", TerminalText(text).c_str());
}

}  // namespace brenmark::cli
