// The other burning programs on the exposed recorders: wodim and cdrskin
// write a data track at once, cdrdao reads the discs our own jobs burn (and is
// refused the session at once it writes with), xorriso writes and appends
// sessions on CD-R and CD-RW and closes a DVD-R, growisofs writes a DVD-R.
// What the recorder does not do (session at once on CD) it refuses as a
// track-at-once drive does, and the program must end saying so. Each disc is
// read back by another program than the one that wrote it, and compared with
// what the recorder keeps. Every run has a time limit, so a program waiting
// for an answer that never comes fails the test instead of hanging it.
// (Audio written track at once by peers is read back in PeerReadersTest.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/endtoend/PeerRun.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

std::string Swapped16(std::string bytes) {
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) std::swap(bytes[at], bytes[at + 1]);
  return bytes;
}

std::string IsoinfoListing(const fs::path& iso, std::int32_t session) {
  return RunProgram({"isoinfo", "-i", iso.string(), "-T", std::to_string(session), "-R", "-l"}).out;
}

// Our own report of a DVD a peer wrote: one closed session.
void ExpectOneClosedSession(const fs::path& data, const fs::path& iso) {
  ASSERT_EQ(Cli(data, {"--drive", "virtual-dvd", "tray", "insert", iso.string()}).exitStatus, 0);
  const ProcessOutput info = Cli(data, {"--drive", "virtual-dvd", "disc-info"});
  EXPECT_THAT(info.out, ::testing::AllOf(HasSubstr("Sessions - 1"), HasSubstr("Disc Status - Complete Disc")));
}

// wodim and cdrskin: what they ask of the blank, a data track at once from an
// image left open; its TOC (with the track's mode read from a block header)
// and the next session's start; the disc holds the image block for block.
TEST(PeerBurners, ADataTrackAtOnceFromAnImage) {
  struct Burner {
    const char* program;
    const char* option;
    const char* query;
    std::vector<std::string> answers;
  };
  const Burner burners[] = {
      {"wodim", "gracetime=2", "-prcap", {"Does write CD-R media", "Does not write DVD-R media"}},
      {"cdrskin", "-v", "-atip", {"Is not erasable", "ATIP start of lead out: 359849 (79:59/74)"}},
  };
  for (const Burner& burner : burners) {
    SCOPED_TRACE(burner.program);
    ScratchFolder data("peer-tao-data");
    ScratchFolder work("peer-tao-work");
    const fs::path image = ImageOfOneFile(work.path(), "data.bin", 500000, 11);
    ASSERT_FALSE(image.empty());
    const auto sectors = static_cast<std::int32_t>(fs::file_size(image) / 2048);
    ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
    const auto run = [&](std::vector<std::string> arguments) {
      arguments.insert(arguments.begin(), {burner.program, "dev=/dev/sr90"});
      return Peer(data.path(), arguments);
    };

    const ProcessOutput query = run({burner.query});
    ASSERT_EQ(query.exitStatus, 0) << query.err;
    for (const std::string& answer : burner.answers) EXPECT_THAT(query.out, HasSubstr(answer));

    const ProcessOutput burn = run({burner.option, "-tao", "-multi", "-data", image.string()});
    ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
    const ProcessOutput toc = run({"-toc"});
    ASSERT_EQ(toc.exitStatus, 0) << toc.err;
    EXPECT_THAT(toc.out, ContainsRegex("track: +1 lba: +0 .* control: 4 mode: 1\n"));
    EXPECT_THAT(toc.out, ContainsRegex("track:lout lba: +" + std::to_string(sectors + kRunOutBlocks) + " "));
    const ProcessOutput msinfo = run({"-msinfo"});
    ASSERT_EQ(msinfo.exitStatus, 0) << msinfo.err;
    EXPECT_EQ(msinfo.out, "0," + std::to_string(sectors + kRunOutBlocks + kFirstSessionGap) + "\n");

    const fs::path flat = work.path() / "flat.iso";
    ExtractMode1UserData(BinOf(EjectedImage(data.path(), "virtual-cd", ".cue")), flat);
    EXPECT_TRUE(ReadWholeFile(flat).substr(0, fs::file_size(image)) == ReadWholeFile(image));
    EXPECT_TRUE(IsoinfoFile(flat, 0, "/data.bin") == ReadWholeFile(work.path() / "tree" / "data.bin"));
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
  for (const std::string& wav : WriteTakes(work.path(), {audio::test::Samples(5 * 44100 * 4 + 100 * 4, 21),
                                                         audio::test::Samples(5 * 44100 * 4 + 100 * 4, 22)}))
    burnAudio.push_back(wav);
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
// the DVD-R at once, then reloads the tray by running itself again with the
// device's descriptor.
TEST(PeerBurners, GrowisofsWritesAnImageToADvdR) {
  ScratchFolder data("peer-growisofs");
  ScratchFolder work("peer-growisofs-work");
  const fs::path image = ImageOfOneFile(work.path(), "movie.bin", 2500000, 14);
  ASSERT_FALSE(image.empty());
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-dvd"));
  const ProcessOutput burn = Peer(data.path(), {"growisofs", "-Z", "/dev/sr91=" + image.string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
  EXPECT_THAT(burn.err, HasSubstr("engaging DAO"));
  EXPECT_THAT(burn.err, ::testing::Not(HasSubstr("unable to reload tray")));

  const fs::path iso = EjectedImage(data.path(), "virtual-dvd", ".iso");
  EXPECT_TRUE(ReadWholeFile(iso) == ReadWholeFile(image));
  EXPECT_TRUE(IsoinfoFile(iso, 0, "/movie.bin") == ReadWholeFile(work.path() / "tree" / "movie.bin"));
  ExpectOneClosedSession(data.path(), iso);
}

// xorriso: its default on a blank CD-R is session at once, which this
// recorder refuses; told to write track at once it writes a session, appends
// a second, lists both and checks the whole medium; the same disc as a
// CD-RW it blanks and writes again.
TEST(PeerBurners, XorrisoWritesAndAppendsSessionsOnCdRAndCdRw) {
  ScratchFolder data("peer-xorriso-cd");
  ScratchFolder sources("peer-xorriso-cd-sources");
  WritePatternFile(sources.path() / "one" / "photo.jpg", 300000, 1);
  WritePatternFile(sources.path() / "one" / "note.txt", 700, 2);
  WritePatternFile(sources.path() / "two" / "letter.txt", 90000, 3);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));

  const ProcessOutput refused = Peer(
      data.path(), {"xorriso", "-outdev", "/dev/sr90", "-map", (sources.path() / "one").string(), "/one", "-commit"});
  EXPECT_NE(refused.exitStatus, 0);
  EXPECT_NE(refused.exitStatus, kTimedOut);
  EXPECT_THAT(refused.out + refused.err, HasSubstr("SEND CUE SHEET: [5 20 00]"));

  const ProcessOutput first = Peer(data.path(), {"xorriso", "-outdev", "/dev/sr90", "-write_type", "tao", "-close",
                                                 "off", "-map", (sources.path() / "one").string(), "/one", "-commit"});
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
  EXPECT_THAT(IsoinfoListing(flat, 0), Not(HasSubstr("letter.txt")));
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
  ASSERT_EQ(
      Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", (rewritable / cue.filename()).string()}).exitStatus,
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
  EXPECT_THAT(IsoinfoListing(rewritten, 0), Not(HasSubstr("photo.jpg")));
  EXPECT_EQ(IsoinfoFile(rewritten, 0, "/again/letter.txt"), ReadWholeFile(sources.path() / "two" / "letter.txt"));
}

// xorriso on the DVD recorder: a DVD-R is written session at once and closed.
TEST(PeerBurners, XorrisoWritesAClosedDvdR) {
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
  ExpectOneClosedSession(data.path(), iso);
}

}  // namespace
}  // namespace brenmark::endtoend
