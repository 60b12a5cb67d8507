// The other burning programs on the exposed recorders: wodim and cdrskin
// write a data track at once, cdrdao reads the discs our own jobs burn and
// writes (and copies) a disc with CD-TEXT session at once, xorriso and
// xorrecord write session at once, xorriso writes and appends sessions on
// CD-R and CD-RW and on each DVD kind, growisofs writes and appends on each
// DVD kind, cdrskin writes DVD+R and DVD-RW and blanks a DVD-RW. Each disc is
// read back by another program than the one that wrote it, and compared with
// what the recorder keeps. Every run has a time limit, so a program waiting
// for an answer that never comes fails the test instead of hanging it.
// (Audio written by peers is read back in PeerReadersTest.)
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
using ::testing::AllOf;
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
// track written track at once (whose run-out it is told to leave); then its
// own writing, session at once, and a copy of what it wrote.
TEST(PeerBurners, CdrdaoReadsOurDiscsAndCopiesOneWithCdText) {
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

  // Its own writing, session at once, of a TOC with a catalogue number, an
  // ISRC, a pregap and CD-TEXT (written into the lead-in, which this driver
  // does when told the drive can): read back by cdrdao and cd-info, whose
  // decoders check the packs' CRCs.
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  const auto text = [](const std::string& title) {
    return "CD_TEXT { LANGUAGE 0 { TITLE \"" + title + "\" PERFORMER \"The Band\" } }\n";
  };
  audio::test::WriteBytes(work.path() / "write.toc",
                          "CD_DA\nCATALOG \"0123456789012\"\nCD_TEXT { LANGUAGE_MAP { 0 : EN }\n"
                          "LANGUAGE 0 { TITLE \"Album Title\" PERFORMER \"The Band\" } }\n"
                          "TRACK AUDIO\nISRC \"GBAAA9900001\"\n" + text("First Song") + "FILE \"" +
                              (work.path() / "take1.wav").string() + "\" 0\nTRACK AUDIO\n" + text("Second Song") +
                              "PREGAP 00:02:00\nFILE \"" + (work.path() / "take2.wav").string() + "\" 0\n");
  const ProcessOutput write = Peer(data.path(), {"cdrdao", "write", "-n", "--driver", "generic-mmc:0x10", "--device",
                                                 "/dev/sr90", (work.path() / "write.toc").string()});
  ASSERT_EQ(write.exitStatus, 0) << write.out << write.err;
  const fs::path written = work.path() / "written.toc";
  ASSERT_EQ(Peer(data.path(), {"cdrdao", "read-toc", "--device", "/dev/sr90", "--datafile", "written.bin",
                               written.string()})
                .exitStatus,
            0);
  const std::string writtenToc = ReadWholeFile(written);
  for (const char* told : {"CATALOG \"0123456789012\"", "ISRC \"GBAAA9900001\"", "TITLE \"Album Title\"",
                           "TITLE \"First Song\"", "TITLE \"Second Song\"", "PERFORMER \"The Band\"",
                           "START 00:02:00"}) {
    EXPECT_THAT(writtenToc, HasSubstr(told)) << writtenToc;
  }
  EXPECT_EQ(CountMatches(writtenToc, "ISRC"), 1) << writtenToc;
  const ProcessOutput listed = Peer(data.path(), {"cd-info", "--no-header", "--no-cddb", "/dev/sr90"});
  EXPECT_THAT(listed.out, ContainsRegex("CD-TEXT for Disc:\n\tTITLE: Album Title\n\tPERFORMER: The Band"));
  EXPECT_THAT(listed.out, ContainsRegex("CD-TEXT for Track +2:\n\tTITLE: Second Song"));

  // The copy: read-cd, then write what it read on a blank; both discs hold
  // the same blocks, and the copy the same texts.
  const fs::path copyToc = work.path() / "copy.toc";
  const ProcessOutput copying = Peer(data.path(), {"cdrdao", "read-cd", "--device", "/dev/sr90", "--datafile",
                                                   (work.path() / "copy.bin").string(), copyToc.string()});
  ASSERT_EQ(copying.exitStatus, 0) << copying.out << copying.err;
  const fs::path original = EjectedImage(data.path(), "virtual-cd", ".cue");
  const ProcessOutput rewritten = Peer(data.path(), {"cdrdao", "write", "-n", "--driver", "generic-mmc:0x10",
                                                     "--device", "/dev/sr90", copyToc.string()});
  ASSERT_EQ(rewritten.exitStatus, 0) << rewritten.out << rewritten.err;
  const fs::path copy = EjectedImage(data.path(), "virtual-cd", ".cue");
  EXPECT_TRUE(ReadWholeFile(BinOf(copy)) == ReadWholeFile(BinOf(original)));
  EXPECT_THAT(ReadWholeFile(copy), AllOf(HasSubstr("TITLE \"Album Title\""), HasSubstr("CATALOG 0123456789012"),
                                         HasSubstr("TITLE \"Second Song\"")));
}

// growisofs reloads the tray after writing by running itself again with the
// device's descriptor: the new process knows it as the same device.
TEST(PeerBurners, GrowisofsReloadsTheTray) {
  ScratchFolder data("peer-growisofs-reload");
  ScratchFolder work("peer-growisofs-reload-work");
  const fs::path image = ImageOfOneFile(work.path(), "movie.bin", 2500000, 14);
  ASSERT_FALSE(image.empty());
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-dvd"));
  const ProcessOutput burn = Peer(data.path(), {"growisofs", "-Z", "/dev/sr91=" + image.string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
  EXPECT_THAT(burn.err, ::testing::Not(HasSubstr("unable to reload tray")));
}

// growisofs on the DVD recorder, on each medium: an image written (DVD-RW
// first formatted for restricted overwrite by dvd+rw-format), then a folder
// appended as a second session, its image made by the program growisofs
// starts, which reads the first through the device's descriptor (/dev/fd/N);
// xorriso reads both files back through the device. Told not to reload the
// tray: the virtual recorder's eject files the disc and loads a blank, so the
// disc would be gone before the append (GrowisofsReloadsTheTray shows the
// reload itself).
TEST(PeerBurners, GrowisofsWritesAndAppendsOnEachDvdKind) {
  const struct {
    const char* medium;
    bool format;
    const char* named;
    const char* mounted;  // as dvd+rw-mediainfo names the medium
  } cases[] = {{"dvd-r", false, "Medium - DVD-R (sequential, open)", "11h, DVD-R Sequential"},
               {"dvd-rw", true, "Medium - DVD-RW (restricted overwrite, formatted)", "13h, DVD-RW Restricted Overwrite"},
               {"dvd+r", false, "Medium - DVD+R (open)", "1Bh, DVD+R"},
               {"dvd+rw", false, "Medium - DVD+RW (formatted)", "1Ah, DVD+RW"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.medium);
    ScratchFolder data("peer-growisofs");
    ScratchFolder work("peer-growisofs-work");
    const fs::path image = ImageOfOneFile(work.path(), "movie.bin", 2500000, 14);
    ASSERT_FALSE(image.empty());
    ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-dvd", "tray", "blank", c.medium}).exitStatus, 0);
    if (c.format) {
      const ProcessOutput formatted = Peer(data.path(), {"dvd+rw-format", "-force", "/dev/sr91"});
      ASSERT_EQ(formatted.exitStatus, 0) << formatted.err;
    }
    const ProcessOutput burn =
        Peer(data.path(), {"growisofs", "-use-the-force-luke=notray", "-Z", "/dev/sr91=" + image.string()});
    ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;

    WritePatternFile(work.path() / "more" / "notes.bin", 90000, 15);
    const ProcessOutput append = Peer(data.path(), {"growisofs", "-use-the-force-luke=notray", "-M", "/dev/sr91", "-R",
                                                    (work.path() / "more").string()});
    ASSERT_EQ(append.exitStatus, 0) << append.out << append.err;

    const fs::path extracted = work.path() / "extracted";
    const ProcessOutput read =
        Peer(data.path(), {"xorriso", "-osirrox", "on", "-indev", "/dev/sr91", "-extract", "/", extracted.string()});
    ASSERT_EQ(read.exitStatus, 0) << read.err;
    EXPECT_TRUE(ReadWholeFile(extracted / "movie.bin") == ReadWholeFile(work.path() / "tree" / "movie.bin"));
    EXPECT_TRUE(ReadWholeFile(extracted / "notes.bin") == ReadWholeFile(work.path() / "more" / "notes.bin"));
    EXPECT_THAT(Cli(data.path(), {"--drive", "virtual-dvd", "disc-info"}).out, HasSubstr(c.named));
    const ProcessOutput media = Peer(data.path(), {"dvd+rw-mediainfo", "/dev/sr91"});
    EXPECT_EQ(media.exitStatus, 0) << media.err;
    EXPECT_THAT(media.out, HasSubstr(std::string("Mounted Media:         ") + c.mounted));
  }
}

// xorriso: its default on a blank CD-R (and xorrecord's) is session at once;
// told to write track at once it writes a session, appends a second, lists
// both and checks the whole medium; the same disc as a CD-RW it blanks and
// writes again.
TEST(PeerBurners, XorrisoWritesAndAppendsSessionsOnCdRAndCdRw) {
  ScratchFolder data("peer-xorriso-cd");
  ScratchFolder sources("peer-xorriso-cd-sources");
  WritePatternFile(sources.path() / "one" / "photo.jpg", 300000, 1);
  WritePatternFile(sources.path() / "one" / "note.txt", 700, 2);
  WritePatternFile(sources.path() / "two" / "letter.txt", 90000, 3);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));

  // Its default on a blank CD-R, session at once, and xorrecord's: the disc
  // is left appendable with its files; the eject loads the next blank.
  ScratchFolder read("peer-xorriso-cd-read");
  const fs::path image = ImageOfOneFile(read.path(), "data.bin", 400000, 5);
  ASSERT_FALSE(image.empty());
  const std::vector<std::vector<std::string>> atOnce = {
      {"xorriso", "-outdev", "/dev/sr90", "-map", (sources.path() / "one").string(), "/one", "-commit"},
      {"xorrecord", "dev=/dev/sr90", "-multi", image.string()}};
  for (const auto& command : atOnce) {
    const ProcessOutput burned = Peer(data.path(), command);
    ASSERT_EQ(burned.exitStatus, 0) << command[0] << burned.out << burned.err;
    const ProcessOutput status = Peer(data.path(), {"xorriso", "-indev", "/dev/sr90", "-toc"});
    EXPECT_THAT(status.out + status.err, HasSubstr("is written , is appendable")) << command[0];
    const fs::path written = read.path() / (command[0] + ".iso");
    ExtractMode1UserData(BinOf(EjectedImage(data.path(), "virtual-cd", ".cue")), written);
    const bool ours = command[0] == "xorriso";
    EXPECT_TRUE(IsoinfoFile(written, 0, ours ? "/one/photo.jpg" : "/data.bin") ==
                ReadWholeFile(ours ? sources.path() / "one" / "photo.jpg" : read.path() / "tree" / "data.bin"))
        << command[0];
  }

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

// xorriso's defaults on each DVD kind: a session written, a second appended
// (on DVD+RW its own file system grown in place), both read back through the
// device.
TEST(PeerBurners, XorrisoAppendsOnEachDvdKind) {
  for (const char* medium : {"dvd-r", "dvd-rw", "dvd+r", "dvd+rw"}) {
    SCOPED_TRACE(medium);
    ScratchFolder data("peer-xorriso-dvds");
    ScratchFolder sources("peer-xorriso-dvds-sources");
    WritePatternFile(sources.path() / "one" / "movie.bin", 900000, 4);
    WritePatternFile(sources.path() / "two" / "notes.bin", 70000, 5);
    ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-dvd", "tray", "blank", medium}).exitStatus, 0);
    for (const char* folder : {"one", "two"}) {
      const ProcessOutput burn = Peer(data.path(), {"xorriso", "-dev", "/dev/sr91", "-map",
                                                    (sources.path() / folder).string(), std::string("/") + folder,
                                                    "-commit"});
      ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
    }
    const fs::path extracted = sources.path() / "extracted";
    ASSERT_EQ(
        Peer(data.path(), {"xorriso", "-osirrox", "on", "-indev", "/dev/sr91", "-extract", "/", extracted.string()})
            .exitStatus,
        0);
    EXPECT_TRUE(ReadWholeFile(extracted / "one" / "movie.bin") == ReadWholeFile(sources.path() / "one" / "movie.bin"));
    EXPECT_TRUE(ReadWholeFile(extracted / "two" / "notes.bin") == ReadWholeFile(sources.path() / "two" / "notes.bin"));
  }
}

// cdrskin: an image left open on DVD+R and DVD-RW, the next session's start,
// and the written DVD-RW blanked.
TEST(PeerBurners, CdrskinWritesDvdPlusRAndDvdRw) {
  for (const char* medium : {"dvd+r", "dvd-rw"}) {
    SCOPED_TRACE(medium);
    ScratchFolder data("peer-cdrskin-dvd");
    ScratchFolder work("peer-cdrskin-dvd-work");
    const fs::path image = ImageOfOneFile(work.path(), "movie.bin", 300000, 6);
    ASSERT_FALSE(image.empty());
    ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-dvd", "tray", "blank", medium}).exitStatus, 0);
    const ProcessOutput burn = Peer(data.path(), {"cdrskin", "dev=/dev/sr91", "-multi", image.string()});
    ASSERT_EQ(burn.exitStatus, 0) << burn.out << burn.err;
    // The next session behind the first's border.
    EXPECT_THAT(Peer(data.path(), {"cdrskin", "dev=/dev/sr91", "-msinfo"}).out, ContainsRegex("^0,1[0-9]{4}\n"));
    EXPECT_TRUE(ReadWholeFile(data.path() / "virtual-dvd" / "disc.iso").substr(0, ReadWholeFile(image).size()) ==
                ReadWholeFile(image));
    if (std::string(medium) == "dvd-rw") {
      ASSERT_EQ(Peer(data.path(), {"cdrskin", "dev=/dev/sr91", "blank=fast"}).exitStatus, 0);
      EXPECT_THAT(Cli(data.path(), {"--drive", "virtual-dvd", "tray"}).out, HasSubstr("blank DVD-RW"));
    }
  }
}

}  // namespace
}  // namespace brenmark::endtoend
