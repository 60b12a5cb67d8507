// A folder burned to the virtual DVD recorder, against genisoimage -J -o on the
// same folder in the same run; a folder of empty files, against find listing
// every entry's size. Dirty pages are flushed before every timed run
// so that neither side pays for the other's writeback. The folders are generated once per run under
// $BRENMARK_BENCH_DIR (default: the temporary folder) and removed at the end.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/jobs/BenchSupport.h"
#include "datadisc/SourceTree.h"
#include "drive/DriveRegistry.h"
#include "jobs/burn/DataDiscJob.h"

namespace {

namespace fs = std::filesystem;
using namespace brenmark;
using bench::BenchRoot;
using bench::Prepared;

// Files take their bytes from one block of random data, at an offset of their own.
void WriteFile(const fs::path& path, std::uint64_t size, std::mt19937& random) {
  static const std::vector<char> pattern = [] {
    std::mt19937 seed(7);
    std::vector<char> bytes(2 << 20);
    for (char& c : bytes) c = static_cast<char>(seed());
    return bytes;
  }();
  std::ofstream file(path, std::ios::binary);
  std::size_t offset = random() % (pattern.size() / 2);
  while (size > 0) {
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(size, pattern.size() - offset));
    file.write(pattern.data() + offset, static_cast<std::streamsize>(length));
    size -= length;
    offset = 0;
  }
}

// About 2 GB: 24 files of 64 MiB to 96 MiB and 20,000 files of 1 to 40 KB in 200 folders.
const fs::path& LargeFolder() {
  static const fs::path folder = Prepared(BenchRoot() / "large" / "Large Folder", [](const fs::path& root) {
    std::mt19937 random(1);
    fs::create_directories(root / "big");
    for (int i = 0; i < 24; ++i) {
      WriteFile(root / "big" / ("movie " + std::to_string(i) + ".bin"), (64ull + (i % 3) * 16) << 20, random);
    }
    for (int d = 0; d < 200; ++d) {
      const fs::path dir = root / "small" / ("folder " + std::to_string(d));
      fs::create_directories(dir);
      for (int f = 0; f < 100; ++f) WriteFile(dir / ("file " + std::to_string(f) + ".dat"), 1000 + random() % 40000, random);
    }
  });
  return folder;
}

// 200,000 files of 10 to 2000 bytes in 2,000 folders of 100 files.
const fs::path& ManySmallFiles() {
  static const fs::path folder = Prepared(BenchRoot() / "many" / "Many Files", [](const fs::path& root) {
    std::mt19937 random(2);
    for (int d = 0; d < 2000; ++d) {
      const fs::path dir = root / ("dir " + std::to_string(d / 100)) / ("sub folder " + std::to_string(d));
      fs::create_directories(dir);
      for (int f = 0; f < 100; ++f) {
        WriteFile(dir / ("a rather long file name number " + std::to_string(f) + ".txt"), 10 + random() % 1990, random);
      }
    }
  });
  return folder;
}

// 200,000 empty files in 2,000 folders of 100 files: the scan and the
// directories are all the work.
const fs::path& EmptyFiles() {
  static const fs::path folder = Prepared(BenchRoot() / "empty" / "Empty Files", [](const fs::path& root) {
    for (int d = 0; d < 2000; ++d) {
      const fs::path dir = root / ("dir " + std::to_string(d / 100)) / ("sub folder " + std::to_string(d));
      fs::create_directories(dir);
      for (int f = 0; f < 100; ++f) std::ofstream{dir / ("a rather long file name number " + std::to_string(f) + ".txt")};
    }
  });
  return folder;
}

// The folder choice and the burn, as the command line runs them.
void BurnToVirtualDvd(benchmark::State& state, const fs::path& folder) {
  bench::VirtualRecorderRig::TimeBurns(state, BenchRoot() / "discs", DataDvdJob, [&] {
    JobInputs inputs;
    inputs.sourceTree = std::make_unique<datadisc::SourceTree>(datadisc::SourceTree::kIsoAndJoliet,
                                                               datadisc::SourceTree::kIso83Names, false, false);
    inputs.sourceTree->SetVolumeLabel(datadisc::SourceTree::kDefaultVolumeLabel);
    inputs.sourceTree->AddPath(folder.string(), nullptr);
    inputs.currentDrive = bench::VirtualRecorderRig::kDvdDrive;
    inputs.writeSpeed = 22160;
    return inputs;
  });
}

void Genisoimage(benchmark::State& state, const fs::path& folder) {
  const fs::path image = BenchRoot() / "genisoimage.iso";
  sync();
  for (auto _ : state) {
    if (!bench::RunTool({"genisoimage", "-quiet", "-J", "-o", image.string(), folder.string()})) {
      state.SkipWithError("genisoimage failed");
      break;
    }
    state.PauseTiming();
    fs::remove(image);
    sync();
    state.ResumeTiming();
  }
}

// The yardstick of a scan: every entry's status, as find takes it to print
// its size.
void Find(benchmark::State& state, const fs::path& folder) {
  for (auto _ : state) {
    if (!bench::RunTool({"find", folder.string(), "-printf", "%s\n"})) {
      state.SkipWithError("find failed");
      break;
    }
  }
}

void BM_LargeFolder_BurnToVirtualDvd(benchmark::State& state) { BurnToVirtualDvd(state, LargeFolder()); }
void BM_LargeFolder_Genisoimage(benchmark::State& state) { Genisoimage(state, LargeFolder()); }
void BM_ManySmallFiles_BurnToVirtualDvd(benchmark::State& state) { BurnToVirtualDvd(state, ManySmallFiles()); }
void BM_ManySmallFiles_Genisoimage(benchmark::State& state) { Genisoimage(state, ManySmallFiles()); }

void BM_EmptyFiles_BurnToVirtualDvd(benchmark::State& state) { BurnToVirtualDvd(state, EmptyFiles()); }
void BM_EmptyFiles_Find(benchmark::State& state) { Find(state, EmptyFiles()); }

BENCHMARK(BM_LargeFolder_BurnToVirtualDvd)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LargeFolder_Genisoimage)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ManySmallFiles_BurnToVirtualDvd)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ManySmallFiles_Genisoimage)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_EmptyFiles_BurnToVirtualDvd)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_EmptyFiles_Find)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(5);

}  // namespace
