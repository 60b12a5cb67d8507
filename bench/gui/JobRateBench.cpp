// A data DVD burned to the virtual recorder, its progress shown four ways: the
// command line's progress (drawn as a bar into /dev/null), and the desktop's
// progress window shown, hidden, and after the user has left with the job
// running. The write rate (bytes_per_second) of the three desktop cases should
// stay within 10% of the command line's. The folder (512 MiB in 8 files) is
// generated once per run under $BRENMARK_BENCH_DIR (default: the temporary
// folder) and removed at the end; writeback is flushed before every timed run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "datadisc/SourceTree.h"
#include "tests/support/RecordingPrompt.h"
#include "drive/DriveRegistry.h"
#include "jobs/burn/DataDiscJob.h"
#include "jobs/Job.h"
#include "shell/cli/TerminalProgress.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/qt/CMainDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/DesktopSession.h"
#include "shell/qt/FileBrowser.h"
#include "shell/qt/JobWindows.h"
#include "shell/qt/MessagePresenter.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace {

namespace fs = std::filesystem;
using namespace brenmark;

constexpr int kDvdDrive = 1;
constexpr std::uint64_t kFileBytes = 64ull << 20;
constexpr int kFileCount = 8;

fs::path BenchRoot() {
  if (const char* chosen = std::getenv("BRENMARK_BENCH_DIR")) return fs::path(chosen) / "job-rate";
  return fs::temp_directory_path() / ("brenmark-job-rate-" + std::to_string(getpid()));
}

struct RemoveAtExit {
  ~RemoveAtExit() {
    std::error_code ignored;
    if (std::getenv("BRENMARK_BENCH_DIR") == nullptr) fs::remove_all(BenchRoot(), ignored);
  }
} removeAtExit;

const fs::path& SourceFolder() {
  static const fs::path folder = [] {
    const fs::path root = BenchRoot() / "source";
    const fs::path marker = BenchRoot() / "complete";
    if (!fs::exists(marker)) {
      fs::create_directories(root);
      std::mt19937 random(3);
      std::vector<char> block(1 << 20);
      for (char& c : block) c = static_cast<char>(random());
      for (int i = 0; i < kFileCount; ++i) {
        std::ofstream file(root / ("file " + std::to_string(i) + ".bin"), std::ios::binary);
        for (std::uint64_t written = 0; written < kFileBytes; written += block.size()) {
          block[0] = static_cast<char>(i);
          file.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
      }
      std::ofstream{marker};
    }
    return root;
  }();
  return folder;
}

JobInputs BurnInputs() {
  JobInputs inputs;
  inputs.sourceTree = std::make_unique<datadisc::SourceTree>(datadisc::SourceTree::kIsoAndJoliet,
                                                             datadisc::SourceTree::kIso83Names, false, false);
  inputs.sourceTree->SetVolumeLabel(datadisc::SourceTree::kDefaultVolumeLabel);
  inputs.sourceTree->AddPath(SourceFolder().string(), nullptr);
  inputs.currentDrive = kDvdDrive;
  inputs.writeSpeed = 22160;
  return inputs;
}

// Between timed runs: the kept images go and the disk catches up.
void Tidy(benchmark::State& state, const fs::path& discs) {
  state.PauseTiming();
  fs::remove_all(discs / "burned discs");
  sync();
  state.ResumeTiming();
}

void Count(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFileCount *
                          static_cast<std::int64_t>(kFileBytes));
}

void BM_CommandLineProgress(benchmark::State& state) {
  const fs::path discs = BenchRoot() / "discs";
  test::RecordingPrompt prompt;
  SystemSleeper sleeper;
  std::vector<std::unique_ptr<DeviceProvider>> providers;
  providers.push_back(std::make_unique<virtualdrive::VirtualRecorderProvider>(discs));
  DriveRegistry registry(prompt, sleeper, std::move(providers));
  registry.EnumerateDrives();
  DriveLeases leases;
  JobRunner runner(registry, prompt, leases);
  std::FILE* nowhere = std::fopen("/dev/null", "w");
  sync();
  for (auto _ : state) {
    auto job = runner.Start(DataDvdJob, BurnInputs(), std::make_shared<cli::TerminalProgress>(nowhere, true));
    job->Wait();
    if (job->result() != JobEnd::Done || !prompt.messages().empty()) {
      state.SkipWithError("the burn did not complete");
      break;
    }
    Tidy(state, discs);
  }
  std::fclose(nowhere);
  fs::remove_all(discs);
  Count(state);
}

class SilentPresenter final : public gui::MessagePresenter {
 public:
  void ShowMessage(QWidget*, const QString&, MessageIcon) override { ++messages; }
  void ShowTitledMessage(QWidget*, const QString&, const QString&, MessageIcon) override { ++messages; }
  bool AskYesNo(QWidget*, const QString&) override { return false; }
  bool Confirm(QWidget*, const QString&) override { return true; }
  int messages = 0;
};

class NoFileBrowser final : public gui::FileBrowser {
 public:
  std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override { return std::nullopt; }
  std::optional<QString> ChooseDiscImage(QWidget*) override { return std::nullopt; }
  std::optional<QStringList> ChooseFiles(QWidget*, const QString&, const QString&) override { return std::nullopt; }
};

enum class Window { Shown, Hidden, AfterExit };

// The desktop's own job start, with the user-interface thread serving its
// events until the job has ended, as the running application does.
void DesktopProgress(benchmark::State& state, Window how) {
  const fs::path discs = BenchRoot() / "discs";
  SilentPresenter presenter;
  NoFileBrowser files;
  gui::DesktopSession::Options options;
  options.virtualDiscFolder = QString::fromStdString(discs.string());
  options.realDrives = false;
  gui::DesktopSession session(presenter, files, options);
  gui::CMainDlg& window = session.window();
  gui::JobWindows& jobs = window.jobWindows();
  desktop::JobBoard& board = window.jobBoard();
  window.show();
  sync();
  for (auto _ : state) {
    if (how == Window::AfterExit) window.show();
    if (!board.Start(DataDvdJob, BurnInputs(), "Burn DVD", "virtual-dvd",
                     session.trays().RecorderFor(session.registry().drive(kDvdDrive)))) {
      state.SkipWithError("the burn did not start");
      break;
    }
    switch (how) {
      case Window::Shown:
        board.WaitForJobs();
        break;
      case Window::Hidden:
        jobs.windows().back()->close();
        board.WaitForJobs();
        break;
      case Window::AfterExit: {
        // The end is told to nobody: what is measured is the job, not the
        // desktop's notification service.
        struct : desktop::JobEndNotifier {
          void TellJobEnded(const std::string&, const std::string&) override {}
        } untold;
        window.hide();
        jobs.FinishRunningJobs(untold);
        break;
      }
    }
    if (!board.jobs().back().resultLine.starts_with(desktoptext::OutcomeText(JobEnd::Done)) || presenter.messages != 0) {
      state.SkipWithError("the burn did not complete");
      break;
    }
    Tidy(state, discs);
  }
  fs::remove_all(discs);
  Count(state);
}

void BM_WindowShown(benchmark::State& state) { DesktopProgress(state, Window::Shown); }
void BM_WindowHidden(benchmark::State& state) { DesktopProgress(state, Window::Hidden); }
void BM_AfterExit(benchmark::State& state) { DesktopProgress(state, Window::AfterExit); }

BENCHMARK(BM_CommandLineProgress)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WindowShown)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WindowHidden)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_AfterExit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
