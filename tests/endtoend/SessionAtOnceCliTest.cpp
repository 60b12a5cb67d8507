// Discs written session at once by brenmark-cli on the virtual CD recorder,
// read back by other programs: a gapless audio disc whose CD-TEXT cd-info
// reads through the exposed device, a .cue/.bin image with its pregaps, an
// .iso on CD and DVD, and images refused before anything is written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/endtoend/AudioTakes.h"
#include "tests/endtoend/PeerRun.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::int32_t Frames(const std::string& time) {
  if (time.size() != 8) return -1;
  return (std::stoi(time.substr(0, 2)) * 60 + std::stoi(time.substr(3, 2))) * 75 + std::stoi(time.substr(6, 2));
}

// The disc's CD-TEXT as cd-info reads it from the exposed recorder after the
// kept image is put back in the tray.
std::string CdTextThroughDevice(const fs::path& data, const fs::path& cue) {
  EXPECT_EQ(Cli(data, {"--drive", "virtual-cd", "tray", "insert", cue.string()}).exitStatus, 0);
  const ProcessOutput info = Expose(data, {}, {}, {"timeout", "120", "cd-info", "--no-header", "--no-cddb", "/dev/sr90"});
  EXPECT_EQ(info.exitStatus, 0) << info.err;
  const std::size_t at = info.out.find("CD-TEXT for Disc:");
  return at == std::string::npos ? info.out : info.out.substr(at);
}

struct GapCase {
  const char* name;
  std::vector<std::string> options;
  std::int32_t pauseBlocks;
  friend void PrintTo(const GapCase& c, std::ostream* out) { *out << c.name; }
};

class DiscAtOnce : public ::testing::TestWithParam<GapCase> {};

// The first track ends inside a sector: its last sector is completed with
// silence and the second starts on the next one, with no pause (or the one
// asked for). Every sample reads back where it was; the titles come from the
// first file's INFO tags and the second file's name.
TEST_P(DiscAtOnce, TracksFollowSampleExactWithTheirCdText) {
  ScratchFolder data("sao-audio");
  ScratchFolder work("sao-audio-work");
  const std::vector<std::string> samples = {audio::test::Samples(4 * (588 * 400 + 123), 31),
                                            audio::test::Samples(4 * 588 * 320, 32)};
  const std::string tagged = (work.path() / "tagged.wav").string();
  const std::string info = "INFO" + audio::test::Chunk("INAM", "Opening") + audio::test::Chunk("IART", "Solo");
  audio::test::WriteBytes(tagged, audio::test::Riff({audio::test::FormatChunk({}), audio::test::Chunk("LIST", info),
                                                     audio::test::Chunk("data", samples[0])}));
  const std::string named = (work.path() / "Second Song.wav").string();
  audio::test::WriteBytes(named, audio::test::CanonicalWav(samples[1]));
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));

  std::vector<std::string> burn = {"--drive", "sr90", "burn-audio", "--verify", "--disc-at-once",
                                   "--title", "Live Album", "--performer", "The Band"};
  burn.insert(burn.end(), GetParam().options.begin(), GetParam().options.end());
  burn.insert(burn.end(), {tagged, named});
  const ProcessOutput burned = ExposedCli(data.path(), burn);
  ASSERT_EQ(burned.exitStatus, 0) << burned.out << burned.err;
  EXPECT_THAT(burned.err, HasSubstr("no differences"));

  const fs::path cue = EjectedImage(data.path(), "virtual-cd", ".cue");
  EXPECT_EQ(Frames(CueIndex(cue, 1, 1)), 0);
  EXPECT_EQ(Frames(CueIndex(cue, 2, 1)), 401 + GetParam().pauseBlocks) << ReadWholeFile(cue);
  ExpectTracksHold(cue, samples);
  EXPECT_EQ(CdTextThroughDevice(data.path(), cue),
            "CD-TEXT for Disc:\n\tTITLE: Live Album\n\tPERFORMER: The Band\n"
            "CD-TEXT for Track  1:\n\tTITLE: Opening\n\tPERFORMER: Solo\n"
            "CD-TEXT for Track  2:\n\tTITLE: Second Song\n\tPERFORMER: The Band\n");
}

INSTANTIATE_TEST_SUITE_P(Pauses, DiscAtOnce,
                         ::testing::Values(GapCase{"Gapless", {}, 0}, GapCase{"TwoSeconds", {"--gap", "2"}, 150}),
                         [](const auto& info) { return std::string(info.param.name); });

// An image whose second track has a pregap in the file and a third index,
// with ISRC, catalogue number and CD-TEXT: the kept image has every block of
// the .bin where the cue sheet put it, and the same marks.
TEST(BurnImage, CueWithPregapsIsWrittenSampleExact) {
  ScratchFolder data("sao-image");
  ScratchFolder work("sao-image-work");
  const std::string first = audio::test::Samples(2352 * 400, 41);
  const std::string second = audio::test::Samples(2352 * 500, 42);
  audio::test::WriteBytes(work.path() / "disc.bin", first + second);
  audio::test::WriteBytes(work.path() / "disc.cue",
                          "CATALOG 0123456789012\nTITLE \"Image\"\nFILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n"
                          "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    ISRC USABC2400001\n    TITLE \"Hidden\"\n"
                          "    INDEX 00 00:05:25\n    INDEX 01 00:06:25\n    INDEX 02 00:08:00\n");
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  const ProcessOutput burned =
      Cli(data.path(), {"--drive", "virtual-cd", "burn-image", "--verify", (work.path() / "disc.cue").string()});
  ASSERT_EQ(burned.exitStatus, 0) << burned.out << burned.err;

  const fs::path cue = NewestImage(data.path(), ".cue");
  const std::string bin = ReadWholeFile(BinOf(cue));
  EXPECT_TRUE(bin.substr(0, first.size() + second.size()) == first + second) << "the blocks from LBA 0 on";
  EXPECT_EQ(CueIndex(cue, 2, 0), "00:05:25");
  EXPECT_EQ(CueIndex(cue, 2, 1), "00:06:25");
  EXPECT_EQ(CueIndex(cue, 2, 2), "00:08:00");
  const std::string kept = ReadWholeFile(cue);
  EXPECT_THAT(kept, HasSubstr("CATALOG 0123456789012"));
  EXPECT_THAT(kept, HasSubstr("ISRC USABC2400001"));
  EXPECT_THAT(CdTextThroughDevice(data.path(), cue), HasSubstr("CD-TEXT for Track  2:\n\tTITLE: Hidden\n"));
}

// An .iso burned on a CD (track at once) and on each DVD kind (at once on a
// DVD-R, incrementally on a DVD+R, in place on a DVD+RW it formats first)
// reads back byte for byte.
TEST(BurnImage, IsoIsWrittenByteForByteOnCdAndEachDvdKind) {
  ScratchFolder data("sao-iso");
  ScratchFolder work("sao-iso-work");
  const fs::path iso = ImageOfOneFile(work.path(), "photo.bin", 900000, 43);
  ASSERT_FALSE(iso.empty());
  const std::string image = ReadWholeFile(iso);
  for (const auto& [recorder, medium] : {std::pair{"virtual-cd", "cd-r"}, std::pair{"virtual-dvd", "dvd-r"},
                                         std::pair{"virtual-dvd", "dvd+r"}, std::pair{"virtual-dvd", "dvd+rw"}}) {
    ASSERT_EQ(Cli(data.path(), {"--drive", recorder, "tray", "blank", medium}).exitStatus, 0) << medium;
    const ProcessOutput burned = Cli(data.path(), {"--drive", recorder, "burn-image", "--verify", iso.string()});
    ASSERT_EQ(burned.exitStatus, 0) << medium << burned.out << burned.err;
    fs::path written = NewestImage(data.path(), std::string(recorder) == "virtual-cd" ? ".cue" : ".iso");
    if (written.extension() == ".cue") {
      ExtractMode1UserData(BinOf(written), work.path() / "cd.iso");
      written = work.path() / "cd.iso";
    }
    const std::string back = ReadWholeFile(written);
    ASSERT_GE(back.size(), image.size()) << medium;
    EXPECT_TRUE(back.compare(0, image.size(), image) == 0) << medium;
  }
}

// An image that cannot be burned whole is refused before the first write,
// naming what is wrong; the disc stays blank.
TEST(BurnImage, ImagesThatCannotBeBurnedLeaveTheDiscBlank) {
  ScratchFolder data("sao-refused");
  ScratchFolder work("sao-refused-work");
  audio::test::WriteBytes(work.path() / "short.bin", std::string(2352 * 400 + 7, '\0'));
  audio::test::WriteBytes(work.path() / "short.cue", "FILE short.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  audio::test::WriteBytes(work.path() / "odd.iso", std::string(2048 * 10 + 1, '\0'));
  audio::test::WriteBytes(work.path() / "disc.img", "");
  const struct {
    const char* image;
    const char* message;
  } refused[] = {
      {"short.cue", "short.bin: its size (940807 bytes) does not fit the cue sheet"},
      {"odd.iso", "odd.iso: its size (20481 bytes) is not a whole number of 2048-byte blocks"},
      {"disc.img", "Only .iso and .cue images can be burned"},
  };
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  for (const auto& image : refused) {
    const ProcessOutput burned =
        Cli(data.path(), {"--drive", "virtual-cd", "burn-image", (work.path() / image.image).string()});
    EXPECT_NE(burned.exitStatus, 0) << image.image;
    EXPECT_THAT(burned.out + burned.err, HasSubstr(image.message));
  }
  EXPECT_THAT(Cli(data.path(), {"--drive", "virtual-cd", "tray", "show"}).out, HasSubstr("blank"));
}

}  // namespace
}  // namespace brenmark::endtoend
