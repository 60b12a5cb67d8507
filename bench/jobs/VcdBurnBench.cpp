// About 600 MB of MPEG-1 burned as a Video CD to the virtual CD recorder,
// against vcdimager -t vcd2 making a Video CD image of the same files in the
// same run. The streams are made once by ffmpeg: a minute of Video CD MPEG-1,
// copied 15 times into each of 4 files.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "bench/jobs/BenchSupport.h"
#include "jobs/burn/VcdJob.h"

namespace brenmark::bench {
namespace {

constexpr int kFiles = 4;
constexpr int kCopiesPerFile = 15;

const std::vector<std::string>& Streams() {
  static const std::vector<std::string> streams = [] {
    const fs::path folder = Prepared(BenchRoot() / "mpeg" / "streams", [](const fs::path& root) {
      fs::create_directories(root);
      const fs::path minute = root / "minute.mpg";
      if (!RunTool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "testsrc=duration=60:size=352x240:rate=29.97", "-f", "lavfi", "-i", "sine=duration=60",
                    "-target", "ntsc-vcd", minute.string()})) {
        return;
      }
      std::ifstream in(minute, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (int f = 0; f < kFiles; ++f) {
        std::ofstream out(root / ("stream" + std::to_string(f) + ".mpg"), std::ios::binary);
        for (int c = 0; c < kCopiesPerFile; ++c) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      }
      fs::remove(minute);
    });
    std::vector<std::string> paths;
    for (int f = 0; f < kFiles; ++f) paths.push_back((folder / ("stream" + std::to_string(f) + ".mpg")).string());
    return paths;
  }();
  return streams;
}

void BM_Vcd600MB_BurnToVirtualCd(benchmark::State& state) {
  VirtualRecorderRig::TimeBurns(state, BenchRoot() / "discs", VcdJob, [] {
    JobInputs inputs;
    inputs.sourceFiles = Streams();
    inputs.currentDrive = VirtualRecorderRig::kCdDrive;
    inputs.writeSpeed = 8467;
    return inputs;
  });
}

void BM_Vcd600MB_Vcdimager(benchmark::State& state) {
  const fs::path image = BenchRoot() / "vcdimager";
  std::vector<std::string> command = {"vcdimager", "--quiet", "-t", "vcd2", "-c", image.string() + ".cue",
                                      "-b", image.string() + ".bin"};
  command.insert(command.end(), Streams().begin(), Streams().end());
  sync();
  for (auto _ : state) {
    if (!RunTool(command)) {
      state.SkipWithError("vcdimager failed");
      break;
    }
    state.PauseTiming();
    fs::remove(image.string() + ".cue");
    fs::remove(image.string() + ".bin");
    sync();
    state.ResumeTiming();
  }
}

BENCHMARK(BM_Vcd600MB_BurnToVirtualCd)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Vcd600MB_Vcdimager)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace brenmark::bench
