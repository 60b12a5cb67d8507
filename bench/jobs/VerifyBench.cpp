// The verify of a data DVD on the virtual recorder against reading its image
// with cat in the same run, and what the digests cost a burn. A folder of
// $BRENMARK_VERIFY_BENCH_MB megabytes (default 4000: a full DVD) is burned
// with and without verify; the image of the last burn is then read by cat.
// The verify's own time is the difference of the two burns; the digests'
// cost is their time over as many bytes as the disc holds, against the burn
// without them. Dirty pages are flushed before every timed run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/jobs/BenchSupport.h"
#include "bytes/BlockDigest.h"
#include "datadisc/SourceTree.h"
#include "jobs/burn/DataDiscJob.h"

namespace {

namespace fs = std::filesystem;
using namespace brenmark;
using bench::BenchRoot;
using bench::Prepared;

std::uint64_t FolderMegabytes() {
  const char* chosen = std::getenv("BRENMARK_VERIFY_BENCH_MB");
  return chosen != nullptr ? std::strtoull(chosen, nullptr, 10) : 4000;
}

// Files of 256 MiB (the last one smaller) of random bytes.
const fs::path& DvdFolder() {
  static const fs::path folder =
      Prepared(BenchRoot() / ("verify-" + std::to_string(FolderMegabytes())) / "DVD Folder", [](const fs::path& root) {
        fs::create_directories(root);
        std::mt19937_64 random(5);
        std::vector<std::uint64_t> chunk((1 << 20) / sizeof(std::uint64_t));
        std::uint64_t left = FolderMegabytes();
        for (int index = 0; left > 0; ++index) {
          const std::uint64_t megabytes = std::min<std::uint64_t>(left, 256);
          std::ofstream file(root / ("part " + std::to_string(index) + ".bin"), std::ios::binary);
          for (std::uint64_t written = 0; written < megabytes; ++written) {
            for (std::uint64_t& word : chunk) word = random();
            file.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size() * 8));
          }
          left -= megabytes;
        }
      });
  return folder;
}

fs::path Discs() { return BenchRoot() / "verify-discs"; }

void Burn(benchmark::State& state, bool verify) {
  bench::VirtualRecorderRig::TimeBurns(state, Discs(), DataDvdJob, [verify] {
    JobInputs inputs;
    inputs.sourceTree = std::make_unique<datadisc::SourceTree>(datadisc::SourceTree::kIsoAndJoliet,
                                                               datadisc::SourceTree::kIso83Names, false, false);
    inputs.sourceTree->SetVolumeLabel(datadisc::SourceTree::kDefaultVolumeLabel);
    inputs.sourceTree->AddPath(DvdFolder().string(), nullptr);
    inputs.currentDrive = bench::VirtualRecorderRig::kDvdDrive;
    inputs.writeSpeed = 22160;
    inputs.verify = verify;
    return inputs;
  });
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FolderMegabytes()) << 20);
}

void BM_Dvd_Burn(benchmark::State& state) { Burn(state, false); }
void BM_Dvd_BurnAndVerify(benchmark::State& state) { Burn(state, true); }

// cat of an image of the same size, written once outside the timing.
void BM_Dvd_CatImage(benchmark::State& state) {
  const fs::path image = BenchRoot() / "verify-cat.iso";
  if (!fs::exists(image)) {
    fs::copy_file(DvdFolder() / "part 0.bin", image);
    std::ofstream out(image, std::ios::binary | std::ios::app);
    for (const auto& entry : fs::directory_iterator(DvdFolder())) {
      if (entry.path().filename() == "part 0.bin") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      out << in.rdbuf();
    }
  }
  for (auto _ : state) {
    if (!bench::RunTool({"cat", image.string()})) {
      state.SkipWithError("cat failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(fs::file_size(image)));
  fs::remove(image);
}

// The digests a burn takes: one per 2048-byte block, over 64 MiB in memory.
void BM_BlockDigests(benchmark::State& state) {
  std::vector<std::uint8_t> data(64 << 20);
  std::mt19937 random(3);
  for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
  for (auto _ : state) {
    std::uint64_t combined = 0;
    for (std::size_t at = 0; at < data.size(); at += 2048) {
      combined ^= bytes::BlockDigest::Of(std::span(data).subspan(at, 2048));
    }
    benchmark::DoNotOptimize(combined);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

BENCHMARK(BM_BlockDigests)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dvd_Burn)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_Dvd_BurnAndVerify)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_Dvd_CatImage)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

}  // namespace
