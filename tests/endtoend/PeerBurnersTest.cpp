// The other burning programs on the exposed recorders: wodim writes track at
// once, cdrdao reads the discs our own jobs burn (and is refused the session
// at once it writes with), growisofs writes a DVD-R. Each disc is read back by
// another program than the one that wrote it, and compared with what the
// recorder keeps. Every run has a time limit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/audio/WavBytes.h"
#include "tests/endtoend/PeerRun.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

constexpr std::int32_t kRunOutBlocks = 2;
constexpr std::int32_t kFirstSessionGap = 11400;

// `work`/image.iso, an ISO 9660 image of the folder `work`/tree holding one
// file of `size` bytes, made by another program than the ones tested; empty
// when it could not be made.
fs::path ImageOfOneFile(const fs::path& work, const std::string& name, std::uint64_t size, std::uint32_t seed) {
  WritePatternFile(work / "tree" / name, size, seed);
  const fs::path image = work / "image.iso";
  const ProcessOutput made =
      RunProgram({"xorriso", "-as", "mkisofs", "-quiet", "-R", "-o", image.string(), (work / "tree").string()});
  return made.exitStatus == 0 ? image : fs::path();
}

std::string Swapped16(std::string bytes) {
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) std::swap(bytes[at], bytes[at + 1]);
  return bytes;
}

// The time ("MM:SS:FF") of an index of a track in a cue sheet.
std::string CueIndex(const fs::path& cue, int track, int index) {
  char header[16];
  char mark[16];
  std::snprintf(header, sizeof header, "TRACK %02d", track);
  std::snprintf(mark, sizeof mark, "INDEX %02d ", index);
  const std::string text = ReadWholeFile(cue);
  const std::size_t at = text.find(header);
  const std::size_t found = at == std::string::npos ? at : text.find(mark, at);
  return found == std::string::npos ? std::string() : text.substr(found + 9, 8);
}

// wodim: a data track at once from an image, left open; its TOC (with the
// track's mode read from a block header) and the next session's start; the
// disc holds the image block for block.
TEST(PeerBurners, WodimWritesADataTrackAtOnce) {
  ScratchFolder data("peer-wodim-data");
  ScratchFolder work("peer-wodim-data-work");
  const fs::path image = ImageOfOneFile(work.path(), "data.bin", 500000, 11);
  ASSERT_FALSE(image.empty());
  const auto sectors = static_cast<std::int32_t>(fs::file_size(image) / 2048);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));

  const ProcessOutput capabilities = Peer(data.path(), {"wodim", "dev=/dev/sr90", "-prcap"});
  ASSERT_EQ(capabilities.exitStatus, 0) << capabilities.err;
  EXPECT_THAT(capabilities.out, HasSubstr("Does write CD-R media"));
  EXPECT_THAT(capabilities.out, HasSubstr("Does not write DVD-R media"));

  const ProcessOutput burn = Peer(data.path(), {"wodim", "dev=/dev/sr90", "gracetime=2", "-tao", "-multi", "-data",
                                                image.string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
  const ProcessOutput toc = Peer(data.path(), {"wodim", "dev=/dev/sr90", "-toc"});
  ASSERT_EQ(toc.exitStatus, 0) << toc.err;
  EXPECT_THAT(toc.out, ContainsRegex("track: +1 lba: +0 .* control: 4 mode: 1\n"));
  EXPECT_THAT(toc.out, ContainsRegex("track:lout lba: +" + std::to_string(sectors + kRunOutBlocks) + " "));
  const ProcessOutput msinfo = Peer(data.path(), {"wodim", "dev=/dev/sr90", "-msinfo"});
  ASSERT_EQ(msinfo.exitStatus, 0) << msinfo.err;
  EXPECT_THAT(msinfo.out, HasSubstr("0," + std::to_string(sectors + kRunOutBlocks + kFirstSessionGap) + "\n"));

  const fs::path flat = work.path() / "flat.iso";
  ExtractMode1UserData(BinOf(EjectedImage(data.path(), "virtual-cd", ".cue")), flat);
  EXPECT_TRUE(ReadWholeFile(flat).substr(0, fs::file_size(image)) == ReadWholeFile(image));
  EXPECT_TRUE(IsoinfoFile(flat, 0, "/data.bin") == ReadWholeFile(work.path() / "tree" / "data.bin"));
}

// wodim -audio, track at once, padded to whole sectors: every sample lands,
// as bchunk finds, on a disc its TOC lists as two audio tracks.
TEST(PeerBurners, WodimAudioTracksAreSampleExact) {
  ScratchFolder data("peer-wodim-audio");
  ScratchFolder work("peer-wodim-audio-work");
  const std::vector<std::string> samples = {audio::test::Samples(4 * 44100 * 4, 12),
                                            audio::test::Samples(4 * 44100 * 4 + 777 * 4, 13)};
  std::vector<std::string> command = {"wodim", "dev=/dev/sr90", "gracetime=2", "-tao", "-pad", "-audio"};
  for (std::size_t index = 0; index < samples.size(); ++index) {
    const fs::path wav = work.path() / ("take" + std::to_string(index + 1) + ".wav");
    audio::test::WriteBytes(wav, audio::test::CanonicalWav(samples[index]));
    command.push_back(wav.string());
  }
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  const ProcessOutput burn = Peer(data.path(), command);
  ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
  const ProcessOutput toc = Peer(data.path(), {"wodim", "dev=/dev/sr90", "-toc"});
  ASSERT_EQ(toc.exitStatus, 0) << toc.err;
  EXPECT_EQ(CountMatches(toc.out, "track: +[12] lba: .* control: 0 mode: -1\n"), 2) << toc.out;

  const fs::path cue = EjectedImage(data.path(), "virtual-cd", ".cue");
  const fs::path split = work.path() / "split";
  fs::create_directories(split);
  ASSERT_EQ(RunProgram({"bchunk", "-w", BinOf(cue).string(), cue.string(), (split / "track").string()}).exitStatus,
            0);
  for (std::size_t index = 0; index < samples.size(); ++index) {
    ExpectSamplesThenSilence(WavSamples(split / ("track0" + std::to_string(index + 1) + ".wav")), samples[index],
                             "track " + std::to_string(index + 1));
  }
}

// cdrdao on discs our own jobs burned: the disc's state, its TOC (the
// pregap found in the sub-channel) and every block of an audio disc (cdrdao
// keeps samples big-endian) and of a data
// track written track at once (whose run-out it is told to leave); its own
// writing, session at once with a cue sheet, is refused and leaves the blank.
TEST(PeerBurners, CdrdaoReadsOurDiscsAndIsRefusedSessionAtOnce) {
  ScratchFolder data("peer-cdrdao");
  ScratchFolder work("peer-cdrdao-work");
  std::vector<std::string> burnAudio = {"--drive", "virtual-cd", "burn-audio"};
  for (int index = 1; index <= 2; ++index) {
    const fs::path wav = work.path() / ("take" + std::to_string(index) + ".wav");
    audio::test::WriteBytes(wav, audio::test::CanonicalWav(audio::test::Samples(5 * 44100 * 4 + 100 * 4, 20 + index)));
    burnAudio.push_back(wav.string());
  }
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  ASSERT_EQ(Cli(data.path(), burnAudio).exitStatus, 0);
  const fs::path audioCue = NewestImage(data.path(), ".cue");
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", audioCue.string()}).exitStatus, 0);

  const ProcessOutput info = Peer(data.path(), {"cdrdao", "disk-info", "--device", "/dev/sr90"});
  ASSERT_EQ(info.exitStatus, 0) << info.out << info.err;
  EXPECT_THAT(info.out, ContainsRegex("Sessions +: 1\n"));
  EXPECT_THAT(info.out, ContainsRegex("Last Track +: 2\n"));
  EXPECT_THAT(info.out, ContainsRegex("Appendable +: no\n"));
  const fs::path audioToc = work.path() / "audio.toc";
  const fs::path audioBin = work.path() / "audio.bin";
  const ProcessOutput readAudio = Peer(data.path(), {"cdrdao", "read-cd", "--device", "/dev/sr90", "--datafile",
                                                     audioBin.string(), audioToc.string()});
  ASSERT_EQ(readAudio.exitStatus, 0) << readAudio.out << readAudio.err;
  EXPECT_TRUE(Swapped16(ReadWholeFile(audioBin)) == ReadWholeFile(BinOf(audioCue)));
  // The TOC alone, track 2's pregap found in the Q sub-channel where the
  // recorder put it (the copy above finds pregaps only in the blocks it
  // reads the sub-channel of).
  const fs::path tocOnly = work.path() / "toc-only.toc";
  const ProcessOutput readToc =
      Peer(data.path(), {"cdrdao", "read-toc", "--device", "/dev/sr90", "--datafile", "audio.bin", tocOnly.string()});
  ASSERT_EQ(readToc.exitStatus, 0) << readToc.out << readToc.err;
  const std::string tocText = ReadWholeFile(tocOnly);
  EXPECT_EQ(CountMatches(tocText, "TRACK AUDIO"), 2) << tocText;
  EXPECT_THAT(tocText, HasSubstr("FILE \"audio.bin\" 0 " + CueIndex(audioCue, 2, 0) + "\n")) << tocText;
  EXPECT_THAT(tocText, HasSubstr("FILE \"audio.bin\" " + CueIndex(audioCue, 2, 0) + " ")) << tocText;
  EXPECT_THAT(tocText, HasSubstr("START 00:02:00\n")) << tocText;

  WritePatternFile(work.path() / "tree" / "report.pdf", 300000, 22);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "burn-cd", (work.path() / "tree").string()}).exitStatus, 0);
  const fs::path dataCue = NewestImage(data.path(), ".cue");
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", dataCue.string()}).exitStatus, 0);
  const fs::path dataBin = work.path() / "data.bin";
  const ProcessOutput readData =
      Peer(data.path(), {"cdrdao", "read-cd", "--tao-source", "--device", "/dev/sr90", "--datafile",
                         dataBin.string(), (work.path() / "data.toc").string()});
  ASSERT_EQ(readData.exitStatus, 0) << readData.out << readData.err;
  EXPECT_THAT(ReadWholeFile(work.path() / "data.toc"), HasSubstr("TRACK MODE1"));
  const fs::path flat = work.path() / "flat.iso";
  ExtractMode1UserData(BinOf(dataCue), flat);
  const std::string copied = ReadWholeFile(dataBin);
  ASSERT_FALSE(copied.empty());
  EXPECT_TRUE(ReadWholeFile(flat).compare(0, copied.size(), copied) == 0);
  EXPECT_TRUE(RunProgram({"isoinfo", "-i", dataBin.string(), "-x", "/TREE/REPORT.PDF;1"}).out ==
              ReadWholeFile(work.path() / "tree" / "report.pdf"));

  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  audio::test::WriteBytes(work.path() / "write.toc", "CD_DA\nTRACK AUDIO\nFILE \"" +
                                                         (work.path() / "take1.wav").string() + "\" 0\n");
  const ProcessOutput write =
      Peer(data.path(), {"cdrdao", "write", "-n", "--device", "/dev/sr90", (work.path() / "write.toc").string()});
  EXPECT_NE(write.exitStatus, 0);
  EXPECT_NE(write.exitStatus, kTimedOut);
  EXPECT_THAT(write.out + write.err, HasSubstr("cue sheet"));
  EXPECT_THAT(Cli(data.path(), {"--drive", "virtual-cd", "tray"}).out, HasSubstr("blank CD-R"));
}

// growisofs on the DVD recorder: finding no incremental writing it writes
// the DVD-R at once; told not to reload the tray, which it would do through a
// second process of its own.
TEST(PeerBurners, GrowisofsWritesAnImageToADvdR) {
  ScratchFolder data("peer-growisofs");
  ScratchFolder work("peer-growisofs-work");
  const fs::path image = ImageOfOneFile(work.path(), "movie.bin", 2500000, 14);
  ASSERT_FALSE(image.empty());
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-dvd"));
  const ProcessOutput burn = Peer(data.path(), {"growisofs", "-use-the-force-luke=notray", "-Z",
                                                "/dev/sr91=" + image.string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
  EXPECT_THAT(burn.err, HasSubstr("engaging DAO"));

  const fs::path iso = EjectedImage(data.path(), "virtual-dvd", ".iso");
  EXPECT_TRUE(ReadWholeFile(iso) == ReadWholeFile(image));
  EXPECT_TRUE(IsoinfoFile(iso, 0, "/movie.bin") == ReadWholeFile(work.path() / "tree" / "movie.bin"));
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-dvd", "tray", "insert", iso.string()}).exitStatus, 0);
  const ProcessOutput info = Cli(data.path(), {"--drive", "virtual-dvd", "disc-info"});
  EXPECT_THAT(info.out, ::testing::AllOf(HasSubstr("Sessions - 1"), HasSubstr("Disc Status - Complete Disc")));
}

}  // namespace
}  // namespace brenmark::endtoend
