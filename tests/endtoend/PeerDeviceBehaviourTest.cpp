// What programs written against real drives see of the exposed CD recorder
// beyond its data: a tray locked by its holder stays shut to other programs
// and opens once that holder closes the device; a disc swapped meanwhile is
// reported to the program that holds it; mplayer plays our Video CD through
// the driver's raw frame reads; at the real pace a burn takes the time of
// the speed it chose.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "tests/endtoend/PeerRun.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// tray_holder.py holds the device, locks it, closes it for the swap
// (`tray insert` by another process) and opens it again.
TEST(PeerDeviceBehaviour, ALockedTrayStaysShutUntilClosedAndASwapIsTold) {
  if (RunProgram({"sh", "-c", "command -v eject"}).exitStatus != 0) GTEST_SKIP() << "eject is not installed";
  ScratchFolder data("peer-behaviour-lock");
  ScratchFolder work("peer-behaviour-lock-work");
  const fs::path image = ImageOfOneFile(work.path(), "file.bin", 100000, 5);
  ASSERT_FALSE(image.empty());
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  const ProcessOutput run =
      Expose(data.path(), {}, {},
             {"timeout", "120", "python3", TRAY_HOLDER_PATH, BRENMARK_CLI_PATH, "--data-dir", data.path().string(),
              "--drive", "virtual-cd", "tray", "insert", image.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const struct {
    const char* line;
    const char* why;
  } kExpected[] = {
      {"lock=0", "the driver's lock request"},
      {"eject=EBUSY", "the holder's own eject of a locked tray"},
      {"eject-program=1", "another program's eject while the tray is held and locked"},
      {"toc-before=EIO", "a blank has no TOC"},
      {"swap=0", "the lock ends when its holder closes the device"},
      {"changed=1", "the swap is told to the holder"},
      {"changed-again=0", "once"},
      {"toc-after=1-1", "the new disc's tracks"},
      {"eject-program-after=0", "no holder: the tray opens"},
  };
  for (const auto& expected : kExpected) {
    EXPECT_THAT(run.out, HasSubstr(std::string(expected.line) + "\n")) << expected.why;
  }
}

// mplayer reads a Video CD's MPEG track frame by frame with CDROMREADRAW:
// the stream it takes from the device begins with the MPEG file we burned.
TEST(PeerDeviceBehaviour, MplayerTakesOurVideoCdsStreamThroughTheDevice) {
  if (RunProgram({"sh", "-c", "command -v mplayer"}).exitStatus != 0) GTEST_SKIP() << "mplayer is not installed";
  ScratchFolder data("peer-behaviour-vcd");
  ScratchFolder work("peer-behaviour-vcd-work");
  const fs::path movie = work.path() / "movie.mpg";
  ASSERT_EQ(MakeVcdStream(movie, 2, "pal-vcd").exitStatus, 0);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "burn-vcd", movie.string()}).exitStatus, 0);
  const fs::path cue = NewestImage(data.path(), ".cue");
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", cue.string()}).exitStatus, 0);
  const fs::path dump = work.path() / "dump.mpg";
  const ProcessOutput played = Peer(data.path(), {"mplayer", "-really-quiet", "-cdrom-device", "/dev/sr90", "vcd://2",
                                                  "-dumpstream", "-dumpfile", dump.string()});
  ASSERT_EQ(played.exitStatus, 0) << played.err;
  const std::string source = ReadWholeFile(movie);
  const std::string stream = ReadWholeFile(dump);
  ASSERT_GE(stream.size(), source.size());
  EXPECT_TRUE(stream.compare(0, source.size(), source) == 0);
}

// The seconds from the start of the first WRITE to the end of the last
// SYNCHRONIZE CACHE the device got, and the blocks written in between, from
// a command trace.
struct TracedBurn {
  double seconds = 0;
  long blocks = 0;
};

TracedBurn BurnInTrace(const std::string& trace, const std::string& device) {
  const std::regex line(R"((\d\d):(\d\d):(\d\d\.\d+) \| )" + device +
                        R"( \| (WRITE\(10\)|SYNCHRONIZE CACHE) \|[^|]*\| \w+ (\d+) \| GOOD \| ([0-9.]+) ms)");
  TracedBurn burn;
  double first = -1;
  for (std::sregex_iterator at(trace.begin(), trace.end(), line), end; at != end; ++at) {
    const auto& match = *at;
    const double start = std::stod(match[1]) * 3600 + std::stod(match[2]) * 60 + std::stod(match[3]);
    if (match[4] == "WRITE(10)") {
      if (first < 0) first = start;
      burn.blocks += std::stol(match[5]) / 2048;
    } else if (first >= 0) {
      burn.seconds = start + std::stod(match[6]) / 1000 - first;
    }
  }
  return burn;
}

// 3 MB at 16x (2822 KB/s, 2352-byte frames): about 1.3 s of writing.
TEST(PeerDeviceBehaviour, AtTheRealPaceABurnTakesTheTimeOfItsSpeed) {
  ScratchFolder data("peer-behaviour-pace");
  ScratchFolder work("peer-behaviour-pace-work");
  WritePatternFile(work.path() / "tree" / "file.bin", 3'000'000, 9);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "pace", "real"}).exitStatus, 0);
  const fs::path trace = work.path() / "trace";
  const ProcessOutput burned = Expose(data.path(), {"--trace", trace.string()}, {},
                                      {BRENMARK_CLI_PATH, "--data-dir", data.path().string(), "--drive", "sr90",
                                       "--speed", "2822", "burn-cd", (work.path() / "tree").string()});
  ASSERT_EQ(burned.exitStatus, 0) << burned.err;
  const TracedBurn burn = BurnInTrace(ReadWholeFile(trace), "virtual-cd as /dev/sr90");
  ASSERT_GT(burn.blocks, 1400);
  constexpr double kBlocksPerSecond = 2822000.0 / 2352;
  EXPECT_NEAR(burn.blocks / burn.seconds, kBlocksPerSecond, kBlocksPerSecond * 0.1) << burn.seconds << " s";
}

}  // namespace
}  // namespace brenmark::endtoend
