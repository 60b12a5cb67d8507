// Importing the previous session of a CD left open that holds 100,000 files,
// through the virtual CD recorder, against `xorriso -indev IMG -find /`
// listing the same session's image in the same run. The disc is burned once
// per run under $BRENMARK_BENCH_DIR (default: the temporary folder).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/jobs/BenchSupport.h"
#include "datadisc/SourceTree.h"
#include "jobs/burn/DataDiscJob.h"
#include "jobs/burn/PreviousSessionImport.h"

namespace {

namespace fs = std::filesystem;
using namespace brenmark;
using bench::BenchRoot;
using bench::Prepared;

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

std::unique_ptr<datadisc::SourceTree> TreeOf(const fs::path& folder) {
  auto tree = std::make_unique<datadisc::SourceTree>(datadisc::SourceTree::kIsoAndJoliet,
                                                     datadisc::SourceTree::kIso83Names, false, false);
  tree->SetVolumeLabel(datadisc::SourceTree::kDefaultVolumeLabel);
  tree->AddPath(folder.string(), nullptr);
  return tree;
}

// The user data of every raw Mode 1 sector of a .bin, by block address.
void WriteUserData(const fs::path& bin, const fs::path& iso) {
  std::ifstream in(bin, std::ios::binary);
  std::ofstream out(iso, std::ios::binary);
  std::vector<char> sector(2352);
  while (in.read(sector.data(), static_cast<std::streamsize>(sector.size()))) out.write(sector.data() + 16, 2048);
}

// A folder of 100,000 files of 1 to 2000 bytes in 1,000 folders burned to a
// CD left open; its .cue and the session's image as a plain .iso.
struct PreviousDisc {
  fs::path cue;
  fs::path iso;
};

const PreviousDisc& Disc() {
  static const PreviousDisc disc = [] {
    const fs::path work = Prepared(BenchRoot() / "import" / "work", [](const fs::path& root) {
      const fs::path source = root / "source" / "Many Files";
      std::mt19937 random(3);
      const std::string bytes(2000, 'x');
      for (int d = 0; d < kFolders; ++d) {
        const fs::path dir = source / ("folder " + std::to_string(d / 50)) / ("sub folder " + std::to_string(d));
        fs::create_directories(dir);
        for (int f = 0; f < kFilesPerFolder; ++f) {
          std::ofstream(dir / ("file number " + std::to_string(f) + ".txt")).write(bytes.data(), 1 + random() % 1999);
        }
      }
      bench::VirtualRecorderRig rig(root / "discs");
      JobInputs inputs;
      inputs.sourceTree = TreeOf(source);
      inputs.currentDrive = bench::VirtualRecorderRig::kCdDrive;
      inputs.writeSpeed = 7056;
      inputs.multiSession = 1;
      rig.Burn(DataCdJob, std::move(inputs));
      for (const auto& entry : fs::directory_iterator(root / "discs" / "burned discs")) {
        if (entry.path().extension() == ".bin") WriteUserData(entry.path(), root / "session.iso");
      }
    });
    PreviousDisc found;
    for (const auto& entry : fs::directory_iterator(work / "discs" / "burned discs")) {
      if (entry.path().extension() == ".cue") found.cue = entry.path();
    }
    found.iso = work / "session.iso";
    return found;
  }();
  return disc;
}

void BM_ImportPreviousSession(benchmark::State& state) {
  const PreviousDisc& disc = Disc();
  const fs::path newFolder = BenchRoot() / "import" / "new" / "New Folder";
  fs::create_directories(newFolder);
  std::ofstream(newFolder / "new.txt") << "new";

  test::RecordingPrompt prompt;
  SystemSleeper sleeper;
  auto provider = std::make_unique<virtualdrive::VirtualRecorderProvider>(BenchRoot() / "import" / "recorders");
  if (!provider->recorders().at(0)->InsertImage(disc.cue).ok) {
    state.SkipWithError("the burned disc cannot be inserted");
    return;
  }
  std::vector<std::unique_ptr<DeviceProvider>> providers;
  providers.push_back(std::move(provider));
  DriveRegistry registry(prompt, sleeper, std::move(providers));
  registry.EnumerateDrives();
  const int drive = bench::VirtualRecorderRig::kCdDrive;

  std::size_t entries = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tree = TreeOf(newFolder);
    state.ResumeTiming();
    DriveResult<DriveHandle> handle = registry.Open(drive);
    if (!handle) {
      state.SkipWithError(("cannot open the recorder: " + handle.outcome().Text()).c_str());
      break;
    }
    const SessionImportResult result = ImportLastSession(*handle, *tree);
    if (result.status != SessionImportResult::Status::Imported) {
      state.SkipWithError(("not imported: " + result.reason).c_str());
      break;
    }
    entries = result.entries;
  }
  state.counters["entries"] = static_cast<double>(entries);
}

void BM_XorrisoFind(benchmark::State& state) {
  const PreviousDisc& disc = Disc();
  for (auto _ : state) {
    if (!bench::RunTool({"xorriso", "-indev", disc.iso.string(), "-find", "/"})) {
      state.SkipWithError("xorriso failed");
      break;
    }
  }
}

BENCHMARK(BM_ImportPreviousSession)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_XorrisoFind)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
