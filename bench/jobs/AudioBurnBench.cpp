// 700 MB of WAV files burned as an audio CD to the virtual CD recorder,
// against cp of the same files in the same run. Dirty pages are flushed before
// every timed run so that neither side pays for the other's writeback. The
// files are generated once per run under $BRENMARK_BENCH_DIR (default: the
// temporary folder) and removed at the end.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/jobs/BenchSupport.h"
#include "jobs/burn/AudioCdJob.h"

namespace {

namespace fs = std::filesystem;
using namespace brenmark;
using bench::BenchRoot;

constexpr int kFileCount = 10;
constexpr std::uint32_t kSampleBytes = 70u << 20;

void Put32(char* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>(value >> (8 * i));
}

// A WAV as an editor writes it: format, a LIST chunk, then the samples.
void WriteWav(const fs::path& path, std::uint32_t seed) {
  static const std::vector<char> pattern = [] {
    std::mt19937 random(11);
    std::vector<char> bytes(4 << 20);
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
  }();
  char header[12 + 24 + 16 + 8] = "RIFF\0\0\0\0WAVEfmt ";
  Put32(header + 16, 16);
  const unsigned char format[16] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
  std::memcpy(header + 20, format, sizeof format);
  std::memcpy(header + 36, "LIST", 4);
  Put32(header + 40, 4);
  std::memcpy(header + 44, "INFO", 4);
  std::memcpy(header + 48, "data", 4);
  Put32(header + 52, kSampleBytes);
  Put32(header + 4, sizeof header - 8 + kSampleBytes);
  std::ofstream file(path, std::ios::binary);
  file.write(header, sizeof header);
  std::size_t offset = seed * 4099u % (pattern.size() / 2);
  for (std::uint64_t left = kSampleBytes; left > 0;) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(left, pattern.size() - offset));
    file.write(pattern.data() + offset, static_cast<std::streamsize>(length));
    left -= length;
    offset = 0;
  }
}

const std::vector<std::string>& WavFiles() {
  static const std::vector<std::string> files = [] {
    const fs::path folder = bench::Prepared(BenchRoot() / "audio" / "WAV Files", [](const fs::path& root) {
      fs::create_directories(root);
      for (int i = 0; i < kFileCount; ++i) WriteWav(root / ("track " + std::to_string(i) + ".wav"), i);
    });
    std::vector<std::string> paths;
    for (int i = 0; i < kFileCount; ++i) paths.push_back((folder / ("track " + std::to_string(i) + ".wav")).string());
    return paths;
  }();
  return files;
}

void BM_AudioCd_BurnToVirtualCd(benchmark::State& state) {
  const auto& files = WavFiles();
  bench::VirtualRecorderRig::TimeBurns(state, BenchRoot() / "discs", AudioCdJob, [&] {
    JobInputs inputs;
    inputs.sourceFiles = files;
    inputs.currentDrive = bench::VirtualRecorderRig::kCdDrive;
    inputs.writeSpeed = 7056;
    return inputs;
  });
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFileCount * kSampleBytes);
}

void BM_AudioCd_Cp(benchmark::State& state) {
  const auto& files = WavFiles();
  const fs::path copies = BenchRoot() / "copies";
  std::vector<std::string> argv = {"cp"};
  argv.insert(argv.end(), files.begin(), files.end());
  argv.push_back(copies.string());
  sync();
  for (auto _ : state) {
    fs::create_directories(copies);
    if (!bench::RunTool(argv)) {
      state.SkipWithError("cp failed");
      break;
    }
    state.PauseTiming();
    fs::remove_all(copies);
    sync();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFileCount * kSampleBytes);
}

BENCHMARK(BM_AudioCd_BurnToVirtualCd)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_AudioCd_Cp)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

}  // namespace
