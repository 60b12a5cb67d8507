// Burning programs written against real drives, on the exposed recorders:
// what they burn is read back by other programs (isoinfo, isovfy, bchunk,
// cd-info) and by our own reader and grab. What the recorder does not do
// (session at once on CD) it refuses as a track-at-once drive does, and the
// program must end saying so. Every run has a time limit, so a program
// waiting for an answer that never comes fails the test instead of hanging it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/audio/WavBytes.h"
#include "tests/endtoend/PeerRun.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr std::int32_t kRunOutBlocks = 2;
constexpr std::int32_t kFirstSessionGap = 11400;  // lead-out, lead-in and pregap of a first appended session

std::string IsoinfoListing(const fs::path& iso, std::int32_t session) {
  return RunProgram({"isoinfo", "-i", iso.string(), "-T", std::to_string(session), "-R", "-l"}).out;
}

// xorriso: its default on a blank CD-R is session at once, which this
// recorder refuses; told to write track at once it writes a session, appends
// a second, lists both and checks the whole medium; the same disc as a
// CD-RW it blanks and writes again.
TEST(PeerConformance, XorrisoWritesAndAppendsSessionsOnCdRAndCdRw) {
  ScratchFolder data("peer-xorriso-cd");
  ScratchFolder sources("peer-xorriso-cd-sources");
  WritePatternFile(sources.path() / "one" / "photo.jpg", 300000, 1);
  WritePatternFile(sources.path() / "one" / "note.txt", 700, 2);
  WritePatternFile(sources.path() / "two" / "letter.txt", 90000, 3);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));

  const ProcessOutput refused = Peer(data.path(), {"xorriso", "-outdev", "/dev/sr90", "-map",
                                                   (sources.path() / "one").string(), "/one", "-commit"});
  EXPECT_NE(refused.exitStatus, 0);
  EXPECT_NE(refused.exitStatus, kTimedOut);
  EXPECT_THAT(refused.out + refused.err, HasSubstr("SEND CUE SHEET: [5 20 00]"));

  const ProcessOutput first =
      Peer(data.path(), {"xorriso", "-outdev", "/dev/sr90", "-write_type", "tao", "-close", "off", "-map",
                         (sources.path() / "one").string(), "/one", "-commit"});
  ASSERT_EQ(first.exitStatus, 0) << first.err;
  const ProcessOutput second = Peer(data.path(), {"xorriso", "-dev", "/dev/sr90", "-write_type", "tao", "-map",
                                                  (sources.path() / "two").string(), "/two", "-commit"});
  ASSERT_EQ(second.exitStatus, 0) << second.err;
  const ProcessOutput toc = Peer(data.path(), {"xorriso", "-indev", "/dev/sr90", "-toc"});
  ASSERT_EQ(toc.exitStatus, 0) << toc.err;
  EXPECT_EQ(CountMatches(toc.out + toc.err, "ISO session *: *[12] ,"), 2) << toc.out << toc.err;
  // Every block reads but the run-outs of the tracks, which are where a
  // track at once ends.
  const ProcessOutput check = Peer(data.path(), {"xorriso", "-indev", "/dev/sr90", "-check_media", "--"});
  EXPECT_EQ(check.exitStatus, 0) << check.out << check.err;
  EXPECT_EQ(CountMatches(check.out + check.err, "Media region : .* tao_end"), 2) << check.out << check.err;
  EXPECT_EQ(CountMatches(check.out + check.err, "Media region : .* (unreadable|partial)"), 0);

  ScratchFolder read("peer-xorriso-cd-read");
  const fs::path flat = read.path() / "flat.iso";
  const fs::path cue = EjectedImage(data.path(), "virtual-cd", ".cue");
  ExtractMode1UserData(BinOf(cue), flat);
  const std::int32_t last = LastSessionStart(flat);
  ASSERT_GT(last, 0);
  EXPECT_THAT(IsoinfoListing(flat, 0), ::testing::Not(HasSubstr("letter.txt")));
  EXPECT_EQ(IsoinfoFile(flat, 0, "/one/photo.jpg"), ReadWholeFile(sources.path() / "one" / "photo.jpg"));
  EXPECT_EQ(IsoinfoFile(flat, last, "/one/note.txt"), ReadWholeFile(sources.path() / "one" / "note.txt"));
  EXPECT_EQ(IsoinfoFile(flat, last, "/two/letter.txt"), ReadWholeFile(sources.path() / "two" / "letter.txt"));

  // The same disc as a CD-RW, blanked as needed and written again.
  const fs::path rewritable = read.path() / "rewritable";
  fs::create_directories(rewritable);
  fs::path state = cue;
  state.replace_extension(".state");
  for (const fs::path& file : {cue, BinOf(cue)}) fs::copy_file(file, rewritable / file.filename());
  std::string stateText = ReadWholeFile(state);
  stateText.replace(stateText.find("medium CD-R\n"), 12, "medium CD-RW\n");
  audio::test::WriteBytes(rewritable / state.filename(), stateText);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", (rewritable / cue.filename()).string()})
                .exitStatus,
            0);
  const ProcessOutput blank = Peer(data.path(), {"xorriso", "-outdev", "/dev/sr90", "-blank", "as_needed"});
  ASSERT_EQ(blank.exitStatus, 0) << blank.out << blank.err;
  EXPECT_THAT(Cli(data.path(), {"--drive", "virtual-cd", "tray"}).out, HasSubstr("blank CD-RW (80 min)"));
  const ProcessOutput again = Peer(data.path(), {"xorriso", "-outdev", "/dev/sr90", "-write_type", "tao", "-map",
                                                 (sources.path() / "two").string(), "/again", "-commit"});
  ASSERT_EQ(again.exitStatus, 0) << again.err;
  const fs::path rewritten = read.path() / "rewritten.iso";
  ExtractMode1UserData(BinOf(EjectedImage(data.path(), "virtual-cd", ".cue")), rewritten);
  EXPECT_EQ(LastSessionStart(rewritten), 0);
  EXPECT_THAT(IsoinfoListing(rewritten, 0), ::testing::Not(HasSubstr("photo.jpg")));
  EXPECT_EQ(IsoinfoFile(rewritten, 0, "/again/letter.txt"), ReadWholeFile(sources.path() / "two" / "letter.txt"));
}

// xorriso on the DVD recorder: a DVD-R is written session at once and closed.
TEST(PeerConformance, XorrisoWritesAClosedDvdR) {
  ScratchFolder data("peer-xorriso-dvd");
  ScratchFolder source("peer-xorriso-dvd-source");
  WritePatternFile(source.path() / "movie.bin", 900000, 4);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-dvd"));
  const ProcessOutput burn = Peer(data.path(), {"xorriso", "-outdev", "/dev/sr91", "-close", "on", "-map",
                                                source.path().string(), "/disc", "-commit"});
  ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
  const fs::path iso = EjectedImage(data.path(), "virtual-dvd", ".iso");
  EXPECT_EQ(IsoinfoFile(iso, 0, "/disc/movie.bin"), ReadWholeFile(source.path() / "movie.bin"));
  const ProcessOutput verified = RunProgram({"isovfy", iso.string()});
  EXPECT_THAT(verified.out + verified.err, HasSubstr("No errors found"));
  // Our own report of the disc: one closed session.
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-dvd", "tray", "insert", iso.string()}).exitStatus, 0);
  const ProcessOutput info = Cli(data.path(), {"--drive", "virtual-dvd", "disc-info"});
  EXPECT_THAT(info.out, ::testing::AllOf(HasSubstr("Sessions - 1"), HasSubstr("Disc Status - Complete Disc")));
}

// cdrskin: the blank disc's ATIP, a track-at-once data track from an image
// left open, the start of the next session it reports and the TOC.
TEST(PeerConformance, CdrskinWritesAnImageTrackAtOnceOnAnAppendableCdR) {
  ScratchFolder data("peer-cdrskin-data");
  ScratchFolder work("peer-cdrskin-data-work");
  WritePatternFile(work.path() / "tree" / "data.bin", 500000, 5);
  const fs::path image = work.path() / "image.iso";
  ASSERT_EQ(RunProgram({"xorriso", "-as", "mkisofs", "-quiet", "-R", "-o", image.string(),
                        (work.path() / "tree").string()})
                .exitStatus,
            0);
  const auto sectors = static_cast<std::int32_t>(fs::file_size(image) / 2048);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));

  const ProcessOutput atip = Peer(data.path(), {"cdrskin", "dev=/dev/sr90", "-atip"});
  ASSERT_EQ(atip.exitStatus, 0) << atip.err;
  EXPECT_THAT(atip.out, HasSubstr("Is not erasable"));
  EXPECT_THAT(atip.out, ::testing::ContainsRegex("ATIP start of lead out: 359849 \\(79:59/74\\)"));

  const ProcessOutput burn =
      Peer(data.path(), {"cdrskin", "-v", "dev=/dev/sr90", "-tao", "-multi", "-data", image.string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
  const ProcessOutput msinfo = Peer(data.path(), {"cdrskin", "dev=/dev/sr90", "-msinfo"});
  ASSERT_EQ(msinfo.exitStatus, 0) << msinfo.err;
  EXPECT_EQ(msinfo.out, "0," + std::to_string(sectors + kRunOutBlocks + kFirstSessionGap) + "\n");
  const ProcessOutput toc = Peer(data.path(), {"cdrskin", "dev=/dev/sr90", "-toc"});
  ASSERT_EQ(toc.exitStatus, 0) << toc.err;
  EXPECT_THAT(toc.out, ::testing::ContainsRegex("track: +1 lba: +0 "));
  EXPECT_THAT(toc.out, ::testing::ContainsRegex("track:lout lba: +" + std::to_string(sectors + kRunOutBlocks) + " "));

  ScratchFolder read("peer-cdrskin-data-read");
  const fs::path flat = read.path() / "flat.iso";
  ExtractMode1UserData(BinOf(EjectedImage(data.path(), "virtual-cd", ".cue")), flat);
  EXPECT_EQ(ReadWholeFile(flat).substr(0, fs::file_size(image)), ReadWholeFile(image));
  EXPECT_EQ(IsoinfoFile(flat, 0, "/data.bin"), ReadWholeFile(work.path() / "tree" / "data.bin"));
}

// cdrskin -audio: session at once is refused; track at once writes every
// sample, as bchunk, cd-info and our own grab find.
TEST(PeerConformance, CdrskinAudioTracksTrackAtOnceAreSampleExact) {
  ScratchFolder data("peer-cdrskin-audio");
  ScratchFolder work("peer-cdrskin-audio-work");
  // Four seconds exactly, then a length that ends inside a sector.
  const std::vector<std::string> samples = {audio::test::Samples(4 * 44100 * 4, 6),
                                            audio::test::Samples(4 * 44100 * 4 + 1234 * 4, 7)};
  std::vector<std::string> command = {"cdrskin", "dev=/dev/sr90", "-audio"};
  for (std::size_t index = 0; index < samples.size(); ++index) {
    const fs::path wav = work.path() / ("take" + std::to_string(index + 1) + ".wav");
    audio::test::WriteBytes(wav, audio::test::CanonicalWav(samples[index]));
    command.push_back(wav.string());
  }
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));

  const ProcessOutput refused = Peer(data.path(), command);
  EXPECT_NE(refused.exitStatus, 0);
  EXPECT_NE(refused.exitStatus, kTimedOut);
  EXPECT_THAT(refused.out + refused.err, HasSubstr("SEND CUE SHEET: [5 20 00]"));

  command.insert(command.begin() + 2, "-tao");
  const ProcessOutput burn = Peer(data.path(), command);
  ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
  const fs::path cue = EjectedImage(data.path(), "virtual-cd", ".cue");

  const ProcessOutput info = RunProgram({"cd-info", "--no-header", "--no-device-info", "--no-cddb", "--cue-file",
                                         cue.string()});
  EXPECT_EQ(CountMatches(info.out, "\\n +[0-9]+: [0-9:]+ +[0-9]+ audio"), 2) << info.out;
  const fs::path split = work.path() / "split";
  fs::create_directories(split);
  ASSERT_EQ(RunProgram({"bchunk", "-w", BinOf(cue).string(), cue.string(), (split / "track").string()}).exitStatus,
            0);
  const fs::path grabbed = work.path() / "grabbed";
  fs::create_directories(grabbed);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", cue.string()}).exitStatus, 0);
  const ProcessOutput grab = Cli(data.path(), {"--drive", "virtual-cd", "grab", grabbed.string()});
  ASSERT_EQ(grab.exitStatus, 0) << grab.err;
  for (std::size_t index = 0; index < samples.size(); ++index) {
    const std::string number = (index < 9 ? "0" : "") + std::to_string(index + 1);
    ExpectSamplesThenSilence(WavSamples(split / ("track" + number + ".wav")), samples[index], "bchunk " + number);
    ExpectSamplesThenSilence(WavSamples(grabbed / ("track" + number + ".wav")), samples[index], "grab " + number);
  }
}

}  // namespace
}  // namespace brenmark::endtoend
