// Scanning, layout and production of every metadata sector for trees of
// 10k, 100k and 1M entries, and how soon a stopped scan ends.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <stop_token>
#include <thread>
#include <memory>
#include <string>

#include "bench/datadisc/TreeShape.h"
#include "datadisc/ImageLayout.h"
#include "datadisc/ImageStream.h"
#include "datadisc/SourceTree.h"

namespace brenmark::datadisc::bench {
namespace {

namespace fs = std::filesystem;

// Trees of empty files on disk, made once per size and removed at exit.
class DiskTrees {
 public:
  ~DiskTrees() {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
  }

  fs::path Get(std::size_t entries) {
    if (root_.empty()) {
      root_ = fs::temp_directory_path() / ("brenmark-datadisc-bench-" + std::to_string(::getpid()));
      fs::create_directories(root_);
    }
    auto found = trees_.find(entries);
    if (found != trees_.end()) return found->second;
    const fs::path top = root_ / std::to_string(entries) / "Chosen folder";
    for (std::size_t folder = 0; folder < FoldersFor(entries); ++folder) {
      const fs::path dir = top / FolderName(folder);
      fs::create_directories(dir);
      for (std::size_t file = 0; file < kFilesPerFolder; ++file) {
        const int fd = ::open((dir / FileName(file)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) ::close(fd);
      }
    }
    trees_[entries] = top;
    return top;
  }

 private:
  fs::path root_;
  std::map<std::size_t, fs::path> trees_;
};

DiskTrees& Disk() {
  static DiskTrees trees;
  return trees;
}

// The same shape in memory, with file sizes, for layout and metadata.
std::unique_ptr<SourceTree> MemoryTree(std::size_t entries) {
  auto tree = std::make_unique<SourceTree>(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names,
                                           false, false);
  tree->SetVolumeLabel(SourceTree::kDefaultVolumeLabel);
  const std::string topPath = "/bench/Chosen folder";
  SourceNode* top = tree->AddEntry(nullptr, topPath, FileStatus{platform::FileKind::Directory, 0, 0, 0, 0});
  for (std::size_t folder = 0; folder < FoldersFor(entries); ++folder) {
    const std::string dirPath = topPath + "/" + FolderName(folder);
    SourceNode* dir = tree->AddEntry(top, dirPath, FileStatus{platform::FileKind::Directory, 0, 0, 0, 0});
    for (std::size_t file = 0; file < kFilesPerFolder; ++file) {
      tree->AddEntry(dir, dirPath + "/" + FileName(file),
                     FileStatus{platform::FileKind::Regular, 1000 + file * 3000, 0, 0, 0});
    }
  }
  tree->ComputeDepth();
  return tree;
}

void BM_ScanFolder(benchmark::State& state) {
  const auto entries = static_cast<std::size_t>(state.range(0));
  const fs::path top = Disk().Get(entries);
  for (auto _ : state) {
    SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
    tree.AddPath(top.string(), nullptr);
    benchmark::DoNotOptimize(tree.ComputeDepth());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}

// From a stop request to the end of a scan that has run for 50 ms: of "/"
// (argument 0) or of the tree of 100k entries (argument 1).
void BM_StopScan(benchmark::State& state) {
  const std::string folder = state.range(0) == 0 ? std::string("/") : Disk().Get(100'000).string();
  for (auto _ : state) {
    SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
    std::stop_source stop;
    std::atomic<bool> started = false;
    std::thread scan([&] {
      started = true;
      tree.AddPath(folder, nullptr, stop.get_token());
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto asked = std::chrono::steady_clock::now();
    stop.request_stop();
    scan.join();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count());
    if (!tree.scanStopped()) state.SkipWithError("the scan ended before it was stopped");
  }
}

void BM_Layout(benchmark::State& state) {
  const auto entries = static_cast<std::size_t>(state.range(0));
  const auto tree = MemoryTree(entries);
  for (auto _ : state) {
    ImageLayout layout(*tree, 0);
    if (!layout.Run().ok()) state.SkipWithError("layout refused");
    benchmark::DoNotOptimize(layout.imageEnd);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}

// Every sector before the first file contents: system area, descriptors,
// path tables and all directories.
void BM_MetadataSectors(benchmark::State& state) {
  const auto entries = static_cast<std::size_t>(state.range(0));
  const auto tree = MemoryTree(entries);
  ImageLayout layout(*tree, 0);
  if (!layout.Run().ok()) state.SkipWithError("layout refused");
  std::uint64_t sectors = 0;
  for (auto _ : state) {
    ImageStream stream(layout);
    SectorGroup group;
    sectors = 0;
    while (stream.Next(group) && group.kind != GroupKind::FileData) {
      benchmark::DoNotOptimize(group.data.data());
      sectors += group.sectorCount;
    }
  }
  state.counters["sectors"] = static_cast<double>(sectors);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sectors * 2048));
}

BENCHMARK(BM_ScanFolder)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StopScan)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Layout)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MetadataSectors)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brenmark::datadisc::bench

BENCHMARK_MAIN();
