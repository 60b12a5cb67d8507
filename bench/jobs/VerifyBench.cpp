// The verify of a data DVD on the virtual recorder against reading its image
// with cat in the same run, and what the digests cost a burn. A folder of
// $BRENMARK_VERIFY_BENCH_MB megabytes (default 4000: a full DVD) is burned
// without verify, then with it; the image of the second burn is then read by
// cat. The job's own statuses mark when the writing and the verify end, so
// each phase is timed inside the job. Dirty pages are flushed before every
// timed phase, so all of them read from a warm cache without writing back.
// Printed: the verify and cat times and their ratio, the burn's time without
// and with the digests (wall and processor) and their ratios.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
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

double Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor time of the whole process (every thread, user and system).
double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Notes when the job has written and closed the disc and when its verify
// ended, from the statuses it shows; the writing's dirty pages are flushed
// between the two, outside both.
class PhaseClock final : public bench::SilentProgress {
 public:
  PhaseClock() : start_(Seconds()), startProcessor_(ProcessorSeconds()) {}

  void SetStatus(const std::string& text) override {
    if (text == datajobtext::kBurned) {
      burned_ = Seconds();
      burnedProcessor_ = ProcessorSeconds();
      sync();
      verifyStart_ = Seconds();
    } else if (text.starts_with("Verified:") || text.starts_with("Verification failed")) {
      verified_ = Seconds();
    }
  }

  double burn() const { return burned_ - start_; }
  double burnProcessor() const { return burnedProcessor_ - startProcessor_; }
  double verify() const { return verified_ - verifyStart_; }

 private:
  double start_;
  double startProcessor_;
  double burned_ = 0;
  double burnedProcessor_ = 0;
  double verifyStart_ = 0;
  double verified_ = 0;
};

JobInputs DvdInputs(bool verify) {
  JobInputs inputs;
  inputs.sourceTree = std::make_unique<datadisc::SourceTree>(datadisc::SourceTree::kIsoAndJoliet,
                                                             datadisc::SourceTree::kIso83Names, false, false);
  inputs.sourceTree->SetVolumeLabel(datadisc::SourceTree::kDefaultVolumeLabel);
  inputs.sourceTree->AddPath(DvdFolder().string(), nullptr);
  inputs.currentDrive = bench::VirtualRecorderRig::kDvdDrive;
  inputs.writeSpeed = 22160;
  inputs.verify = verify;
  return inputs;
}

// The largest file the recorder kept: the image of the disc burned last.
fs::path KeptImage() {
  fs::path largest;
  std::uintmax_t size = 0;
  for (const auto& entry : fs::recursive_directory_iterator(Discs() / "burned discs")) {
    if (entry.is_regular_file() && entry.file_size() > size) {
      size = entry.file_size();
      largest = entry.path();
    }
  }
  return largest;
}

void RemoveBurnedDiscs() {
  fs::remove_all(Discs() / "burned discs");
  sync();
}

void BM_Dvd_VerifyAgainstCat(benchmark::State& state) {
  bench::VirtualRecorderRig rig(Discs());
  RemoveBurnedDiscs();
  double plainBurn = 0, plainProcessor = 0, digestBurn = 0, digestProcessor = 0, verify = 0, cat = 0;
  // Counted here: the state's own count of iterations is brought up to date only after the loop.
  bool plainFirst = false;
  for (auto _ : state) {
    // The two burns take turns at going first, so that neither always meets
    // the page cache the other left behind. Each clock starts with its burn.
    std::shared_ptr<PhaseClock> plain, verified;
    const auto burnPlain = [&] {
      plain = std::make_shared<PhaseClock>();
      return rig.Burn(DataDvdJob, DvdInputs(false), plain);
    };
    const auto burnVerified = [&] {
      verified = std::make_shared<PhaseClock>();
      return rig.Burn(DataDvdJob, DvdInputs(true), verified);
    };
    bool done = false;
    plainFirst = !plainFirst;
    if (plainFirst) {
      done = burnPlain();
      RemoveBurnedDiscs();
      done = done && burnVerified();
    } else {
      const fs::path kept = Discs() / "verified image";
      done = burnVerified();
      if (done) fs::rename(KeptImage(), kept);
      RemoveBurnedDiscs();
      done = done && burnPlain();
      RemoveBurnedDiscs();
      fs::create_directories(Discs() / "burned discs");
      if (done) fs::rename(kept, Discs() / "burned discs" / "verified image");
    }
    const fs::path image = done ? KeptImage() : fs::path();
    sync();
    const double catStart = Seconds();
    done = done && bench::RunTool({"cat", image.string()});
    const double catTime = Seconds() - catStart;
    RemoveBurnedDiscs();
    if (!done) {
      state.SkipWithError("a burn or cat did not complete");
      break;
    }
    state.SetIterationTime(verified->verify());
    plainBurn += plain->burn();
    plainProcessor += plain->burnProcessor();
    digestBurn += verified->burn();
    digestProcessor += verified->burnProcessor();
    verify += verified->verify();
    cat += catTime;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["verify_s"] = verify / runs;
  state.counters["cat_s"] = cat / runs;
  state.counters["verify_per_cat"] = verify / cat;
  state.counters["burn_s"] = plainBurn / runs;
  state.counters["burn_digests_s"] = digestBurn / runs;
  state.counters["digests_per_burn"] = digestBurn / plainBurn;
  state.counters["digests_per_burn_cpu"] = digestProcessor / plainProcessor;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FolderMegabytes()) << 20);
  fs::remove_all(Discs());
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
BENCHMARK(BM_Dvd_VerifyAgainstCat)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(4);

}  // namespace
