#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "virtualdrive/image/SectorEncoder.h"

namespace {

using namespace brenmark::virtualdrive;

// A full 700 MB CD (700 MiB of 2048-byte user data) per iteration, written through a
// transfer buffer of 32 raw sectors as the recorder does. Bytes processed count user
// data, so the rate is what a Mode 1 burn can sustain; it is taken from CPU time, as
// the machine running the benchmark may be shared.
constexpr std::int64_t kCdSectors = 700LL * 1024 * 1024 / 2048;
constexpr std::size_t kBufferSectors = 32;

std::vector<std::uint8_t> SourceData(std::size_t bytes) {
  std::mt19937 generator(42);
  std::vector<std::uint8_t> data(bytes);
  for (auto& byte : data) byte = static_cast<std::uint8_t>(generator());
  return data;
}

void BM_EncodeMode1FullCd(benchmark::State& state) {
  const std::vector<std::uint8_t> source = SourceData(kBufferSectors * 2048);
  std::vector<std::uint8_t> raw(kBufferSectors * kRawSectorSize);
  for (auto _ : state) {
    for (std::int64_t lba = 0; lba < kCdSectors; ++lba) {
      const std::size_t slot = static_cast<std::size_t>(lba) % kBufferSectors;
      EncodeMode1Sector(static_cast<std::int32_t>(lba), source.data() + slot * 2048,
                        raw.data() + slot * kRawSectorSize);
    }
    benchmark::DoNotOptimize(raw.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kCdSectors * 2048);
  state.counters["sectors"] = static_cast<double>(kCdSectors);
}
BENCHMARK(BM_EncodeMode1FullCd)->Unit(benchmark::kMillisecond);

void BM_EncodeMode2Form1Sector(benchmark::State& state) {
  std::vector<std::uint8_t> block = SourceData(2332);
  block[2] = block[6] = 0x08;
  std::vector<std::uint8_t> raw(kRawSectorSize);
  std::int32_t lba = 0;
  for (auto _ : state) {
    EncodeMode2Block(lba++, block.data(), raw.data());
    benchmark::DoNotOptimize(raw.data());
  }
  state.SetBytesProcessed(state.iterations() * 2048);
}
BENCHMARK(BM_EncodeMode2Form1Sector);

void BM_Edc(benchmark::State& state) {
  const std::vector<std::uint8_t> data = SourceData(2064);
  for (auto _ : state) benchmark::DoNotOptimize(ComputeEdc(data.data(), data.size()));
  state.SetBytesProcessed(state.iterations() * 2064);
}
BENCHMARK(BM_Edc);

}  // namespace
