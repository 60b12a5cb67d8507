// Whole discs written through the transport of the virtual recorder.
//
// The images go to a scratch folder under $BRENMARK_BENCH_DIR (default: the
// system's temporary folder) and are removed afterwards; the DVD run needs
// about 12 GB free there for a moment.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "virtualdrive/VirtualRecorderProvider.h"

namespace {

namespace fs = std::filesystem;
using brenmark::DataDirection;
using brenmark::ScsiRequest;
using brenmark::TransportResult;
using brenmark::virtualdrive::VirtualRecorderProvider;
using Clock = std::chrono::steady_clock;

class ScratchFolder {
 public:
  ScratchFolder() {
    const char* base = std::getenv("BRENMARK_BENCH_DIR");
    std::string pattern = ((base ? fs::path(base) : fs::temp_directory_path()) / "brenmark-bench-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// User-mode CPU seconds of the process: the recorder's own work, without the
// kernel's file writing.
double UserCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
}

// Sends one command; the benchmark stops on any failure.
bool Send(brenmark::ScsiTransport& transport, std::vector<std::uint8_t> cdb, DataDirection direction = DataDirection::None,
          std::uint8_t* buffer = nullptr, std::uint32_t length = 0) {
  ScsiRequest request;
  request.cdb = cdb.data();
  request.cdbLength = static_cast<std::uint8_t>(cdb.size());
  request.direction = direction;
  request.buffer = buffer;
  request.length = length;
  return transport.Execute(request) == TransportResult::Good;
}

bool SelectWriteParameters(brenmark::ScsiTransport& transport, std::uint8_t writeType) {
  std::vector<std::uint8_t> list(60, 0);
  list[8] = 0x05;
  list[9] = 0x32;
  list[10] = static_cast<std::uint8_t>(0x40 | writeType);
  list[11] = 0x04;
  list[12] = 8;  // Mode 1, 2048 bytes
  return Send(transport, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, DataDirection::Out, list.data(), 60);
}

std::vector<std::uint8_t> WriteCdb(std::uint8_t opcode, std::uint32_t lba, std::uint32_t blocks) {
  std::vector<std::uint8_t> cdb(opcode == 0x2A ? 10 : 12, 0);
  cdb[0] = opcode;
  cdb[2] = static_cast<std::uint8_t>(lba >> 24);
  cdb[3] = static_cast<std::uint8_t>(lba >> 16);
  cdb[4] = static_cast<std::uint8_t>(lba >> 8);
  cdb[5] = static_cast<std::uint8_t>(lba);
  if (opcode == 0x2A) {
    cdb[8] = static_cast<std::uint8_t>(blocks);
  } else {
    cdb[9] = static_cast<std::uint8_t>(blocks);
    cdb[10] = 0x80;
  }
  return cdb;
}

// 700 MiB of Mode 1 user data, encoded into raw sectors with EDC and ECC, in
// writes of 16 blocks as the data jobs send them; closed as one session.
void WriteFullCdOfMode1Sectors(benchmark::State& state) {
  constexpr std::uint32_t kBlocks = 700u * 1024u * 1024u / 2048u;
  constexpr std::uint32_t kChunk = 16;
  std::vector<std::uint8_t> chunk(kChunk * 2048);
  for (std::size_t index = 0; index < chunk.size(); ++index) chunk[index] = static_cast<std::uint8_t>(index * 7);
  for (auto _ : state) {
    ScratchFolder scratch;
    VirtualRecorderProvider provider(scratch.path());
    auto devices = provider.FindDevices();
    auto& transport = *devices[0].transport;
    transport.Open();
    if (!SelectWriteParameters(transport, 1)) {
      state.SkipWithError("MODE SELECT refused");
      break;
    }
    const auto started = Clock::now();
    const double cpuStarted = UserCpuSeconds();
    for (std::uint32_t lba = 0; lba < kBlocks; lba += kChunk) {
      if (!Send(transport, WriteCdb(0x2A, lba, kChunk), DataDirection::Out, chunk.data(),
                static_cast<std::uint32_t>(chunk.size()))) {
        state.SkipWithError("WRITE(10) failed");
        break;
      }
    }
    Send(transport, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Send(transport, {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0});
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const double cpuSeconds = UserCpuSeconds() - cpuStarted;
    state.SetIterationTime(seconds);
    state.counters["encode_MB_per_s"] = kBlocks * 2048.0 / cpuSeconds / 1e6;
    state.counters["user_MB_per_s"] = kBlocks * 2048.0 / seconds / 1e6;
    state.counters["raw_MB_per_s"] = kBlocks * 2352.0 / seconds / 1e6;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBlocks * 2048);
}
BENCHMARK(WriteFullCdOfMode1Sectors)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// 4 GiB read from a file and written session at once to a DVD-R with WRITE(12)
// of 16 blocks, against `cp` of the same file in the same run.
void WriteFourGigabyteDvd(benchmark::State& state) {
  constexpr std::uint64_t kBytes = 4ull << 30;
  constexpr std::uint32_t kBlocks = static_cast<std::uint32_t>(kBytes / 2048);
  constexpr std::uint32_t kChunk = 16;
  for (auto _ : state) {
    ScratchFolder scratch;
    const fs::path source = scratch.path() / "source.img";
    {
      std::vector<char> block(1 << 20);
      for (std::size_t index = 0; index < block.size(); ++index) block[index] = static_cast<char>(index * 13);
      std::ofstream out(source, std::ios::binary);
      for (std::uint64_t written = 0; written < kBytes; written += block.size()) out.write(block.data(), block.size());
    }
    VirtualRecorderProvider provider(scratch.path() / "recorders");
    auto devices = provider.FindDevices();
    auto& transport = *devices[1].transport;
    transport.Open();
    std::vector<std::uint8_t> reserve = {0x53, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    reserve[5] = static_cast<std::uint8_t>(kBlocks >> 24);
    reserve[6] = static_cast<std::uint8_t>(kBlocks >> 16);
    reserve[7] = static_cast<std::uint8_t>(kBlocks >> 8);
    reserve[8] = static_cast<std::uint8_t>(kBlocks);
    if (!SelectWriteParameters(transport, 2) || !Send(transport, reserve)) {
      state.SkipWithError("write set-up refused");
      break;
    }
    std::vector<std::uint8_t> chunk(kChunk * 2048);
    std::ifstream in(source, std::ios::binary);
    const auto started = Clock::now();
    for (std::uint32_t lba = 0; lba < kBlocks; lba += kChunk) {
      in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
      if (!Send(transport, WriteCdb(0xAA, lba, kChunk), DataDirection::Out, chunk.data(),
                static_cast<std::uint32_t>(chunk.size()))) {
        state.SkipWithError("WRITE(12) failed");
        break;
      }
    }
    Send(transport, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const double recorderSeconds = std::chrono::duration<double>(Clock::now() - started).count();

    const fs::path copy = scratch.path() / "copy.img";
    const auto copyStarted = Clock::now();
    const int status = std::system(("cp '" + source.string() + "' '" + copy.string() + "'").c_str());
    const double copySeconds = std::chrono::duration<double>(Clock::now() - copyStarted).count();
    if (status != 0) state.SkipWithError("cp failed");

    state.SetIterationTime(recorderSeconds);
    state.counters["recorder_MB_per_s"] = kBytes / recorderSeconds / 1e6;
    state.counters["cp_MB_per_s"] = kBytes / copySeconds / 1e6;
    state.counters["recorder_to_cp"] = recorderSeconds / copySeconds;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}
BENCHMARK(WriteFourGigabyteDvd)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
