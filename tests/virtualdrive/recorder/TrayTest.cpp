#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <utility>

#include "tests/support/SyncFaults.h"
#include "tests/virtualdrive/image/RawSectorCheck.h"
#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

namespace fs = std::filesystem;

// Burns one Mode 1 track of `blocks` blocks and closes the session.
void BurnDataSession(RecorderHarness& harness, std::uint16_t blocks, std::uint8_t multiSession, std::uint32_t seed) {
  ASSERT_EQ(harness.SetWriteParameters({.multiSession = multiSession}), TransportResult::Good);
  const std::int32_t start = harness.TrackStart(harness.DiscInformation()[6]);  // the last track's
  ASSERT_EQ(harness.Write(start, blocks, Pattern(blocks, 2048, seed)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
}

const cdb::Bytes kEject{0x1B, 0, 0, 0, 0x02, 0};

TEST(RecorderTray, EjectKeepsTheWrittenDiscAndLoadsAFreshBlank) {
  RecorderHarness harness;
  std::vector<fs::path> finished;
  harness.recorder().SetFinishedImageObserver([&finished](const fs::path& path) { finished.push_back(path); });

  ASSERT_EQ(harness.Send(kEject), TransportResult::Good);
  EXPECT_TRUE(finished.empty());  // a blank leaves nothing behind

  BurnDataSession(harness, 30, 0, 1);
  EXPECT_EQ(harness.recorder().DescribeTray(), "CD-R, 1 session(s), 1 track(s): 1 Mode 1, complete");
  ASSERT_EQ(harness.Send(kEject), TransportResult::Good);
  ASSERT_EQ(finished.size(), 1u);
  EXPECT_EQ(finished[0].parent_path(), harness.folder() / "burned discs");
  EXPECT_EQ(finished[0].extension(), ".cue");
  EXPECT_EQ(fs::file_size(fs::path(finished[0]).replace_extension(".bin")), 32u * 2352u);
  EXPECT_TRUE(fs::exists(StatePathFor(finished[0])));
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(finished[0]), "");
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (80 min)");
  EXPECT_FALSE(fs::exists(harness.folder() / "work" / "disc.bin"));

  // A second burn in the same second gets a name of its own.
  BurnDataSession(harness, 5, 0, 2);
  const TrayResult second = harness.recorder().Eject();
  ASSERT_TRUE(second.ok);
  ASSERT_EQ(finished.size(), 2u);
  EXPECT_EQ(second.finishedImage, finished[1]);
  EXPECT_NE(finished[0], finished[1]);
}

TEST(RecorderTray, AnEjectThatCannotKeepTheDiscLosesNoSector) {
  RecorderHarness harness;
  BurnDataSession(harness, 20, 3, 1);
  {
    std::ofstream blocker(harness.folder() / "burned discs");  // a file where the folder belongs
  }
  EXPECT_FALSE(harness.recorder().Eject().ok);
  EXPECT_EQ(harness.recorder().DiscNotKeptReason(), (harness.folder() / "burned discs").string() + " is not a folder");
  fs::remove(harness.folder() / "burned discs");
  // Nor does an image whose data cannot be made durable take its kept name.
  testsupport::FailSyncs(2);  // the tray record's text and name pass
  EXPECT_FALSE(harness.recorder().Eject().ok);
  testsupport::FailSyncs(0, 0);
  EXPECT_EQ(harness.recorder().DiscNotKeptReason(), (harness.folder() / "work" / "disc.bin").string() + ": Input/output error");
  EXPECT_FALSE(fs::exists(harness.folder() / "burned discs"));

  BurnDataSession(harness, 10, 0, 2);
  const TrayResult kept = harness.recorder().Eject();
  ASSERT_TRUE(kept.ok);
  EXPECT_EQ(harness.recorder().DiscNotKeptReason(), "");
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(kept.finishedImage), "");
}

TEST(RecorderTray, ARestartedRecorderContinuesTheOpenTrack) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 10, Pattern(10, 2048, 1)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseTrack(1)), TransportResult::Good);
  ASSERT_EQ(harness.Write(162, 7, Pattern(7, 2048, 2)), TransportResult::Good);
  harness.Restart();

  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  EXPECT_EQ(Be32(harness.TrackInformation(2), 12), 169u);
  ASSERT_EQ(harness.Write(169, 3, Pattern(3, 2048, 3)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
  EXPECT_EQ(harness.Read(cdb::ReadCd(162, 7, 0x10), 7 * 2048).value(), Pattern(7, 2048, 2));
  const TrayResult kept = harness.recorder().Eject();
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(kept.finishedImage), "");
}

TEST(RecorderTray, AnUnreadableDiscInWorkIsKeptAsideNotOverwritten) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 10, Pattern(10, 2048, 1)), TransportResult::Good);
  harness.Restart();
  EXPECT_EQ(harness.recorder().StartupProblem(), "");
  const fs::path work = harness.folder() / "work";
  const auto written = FileBytes(work / "disc.bin");
  harness.Restart([&work] { WriteFile(work / "disc.state", "brenmark-disc 1\nmedium CD-R\ntrack 1 1 mode1 0 0 10\n"); });

  const std::string problem = harness.recorder().StartupProblem();
  EXPECT_NE(problem.find((work / "unreadable-1").string() + ".*"), std::string::npos) << problem;
  // tray show says the same, on the line after the blank that replaced the disc.
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (80 min)\n" + problem);
  EXPECT_EQ(harness.DiscInformation()[2], 0x00);
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 1, Pattern(1, 2048, 2)), TransportResult::Good);
  EXPECT_EQ(FileBytes(work / "unreadable-1.bin"), written);
}

// A disc in work comes before the image inserted when it was started.
TEST(RecorderTray, AppendingToAnInsertedImageWorksOnACopy) {
  RecorderHarness harness;
  BurnDataSession(harness, 20, 3, 1);
  const fs::path image = harness.recorder().Eject().finishedImage;
  const fs::path bin = fs::path(image).replace_extension(".bin");
  const auto binBefore = FileBytes(bin);
  const auto stateBefore = FileBytes(StatePathFor(image));

  ASSERT_TRUE(harness.recorder().InsertImage(image).ok);
  EXPECT_EQ(harness.DiscInformation()[2], 0x01);  // appendable
  BurnDataSession(harness, 8, 0, 2);
  // The next recorder finds the copy in work, not the inserted image.
  harness.Restart();
  EXPECT_EQ(harness.recorder().StartupProblem(), "");
  EXPECT_EQ(harness.DiscInformation()[4], 2);
  const TrayResult kept = harness.recorder().Eject();
  ASSERT_TRUE(kept.ok);
  EXPECT_NE(kept.finishedImage, image);
  EXPECT_EQ(FileBytes(bin), binBefore);
  EXPECT_EQ(FileBytes(StatePathFor(image)), stateBefore);

  // The copy holds both sessions, addressed as on the disc.
  ASSERT_TRUE(harness.recorder().InsertImage(kept.finishedImage).ok);
  const auto disc = harness.DiscInformation();
  EXPECT_EQ(disc[2], 0x0E);
  EXPECT_EQ(disc[4], 2);
  EXPECT_EQ(harness.Read(cdb::ReadCd(22 + 11400, 8, 0x10), 8 * 2048).value(), Pattern(8, 2048, 2));
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(kept.finishedImage), "");
}

// The cue sheet carries the disc's state, so a .cue/.bin copied without its
// state file is still an open disc that takes another session.
TEST(RecorderTray, ACopiedCueAndBinStayAppendable) {
  RecorderHarness harness;
  BurnDataSession(harness, 20, 3, 1);
  const fs::path kept = harness.recorder().Eject().finishedImage;
  TempFolder elsewhere;
  const fs::path copy = elsewhere.path() / "copy.cue";
  const fs::path bin = fs::path(kept).replace_extension(".bin");
  fs::copy_file(kept, copy);
  fs::copy_file(bin, elsewhere.path() / bin.filename());

  ASSERT_TRUE(harness.recorder().InsertImage(copy).ok);
  EXPECT_EQ(harness.DiscInformation()[2], 0x01);  // appendable
  BurnDataSession(harness, 8, 0, 2);
  ASSERT_TRUE(harness.recorder().InsertImage(harness.recorder().Eject().finishedImage).ok);
  EXPECT_EQ(harness.DiscInformation()[4], 2);
  EXPECT_EQ(harness.Read(cdb::ReadCd(22 + 11400, 8, 0x10), 8 * 2048).value(), Pattern(8, 2048, 2));
}

TEST(RecorderTray, IsoImagesBecomeDataDiscsOfTheRecordersKind) {
  TempFolder folder;
  const fs::path iso = folder.path() / "data.iso";
  const auto data = Pattern(12, 2048, 7);
  WriteFile(iso, std::string(data.begin(), data.end()));

  RecorderHarness cd;
  ASSERT_TRUE(cd.recorder().InsertImage(iso).ok);
  const auto raw = cd.Read(cdb::ReadCd(11, 1, 0xF8), 2352).value();
  EXPECT_EQ(testsupport::CheckRawDataSector(raw.data(), 11), "");
  EXPECT_TRUE(std::equal(raw.begin() + 16, raw.begin() + 2064, data.begin() + 11 * 2048));

  RecorderHarness dvd(DvdRecorderModel());
  ASSERT_TRUE(dvd.recorder().InsertImage(iso).ok);
  EXPECT_EQ(Be32(dvd.Read(cdb::Simple(0x25, 10), 8).value(), 0), 11u);
  const cdb::Bytes getConfiguration{0x46, 0, 0, 0, 0, 0, 0, 0, 8, 0};
  EXPECT_EQ(Be16(dvd.Read(getConfiguration, 8).value(), 6), 0x0010);  // DVD-ROM
}

// Images the tray refuses, each with a message that says what is wrong with it
// (every kind of file named once; what makes a cue image broken is in
// CueImageTest).
TEST(RecorderTray, BrokenOrUnfitImagesAreRefusedSayingWhy) {
  TempFolder images;
  const fs::path& at = images.path();
  const fs::path fifo = at / "pipe.iso";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/null", at / "device.iso");
  fs::create_directory(at / "folder.iso");
  ASSERT_EQ(::mkfifo((at / "pipe.bin").c_str(), 0600), 0);
  WriteFile(at / "pipe.cue", "FILE \"pipe.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
  // Sparse: 5 GiB, more than a DVD-R holds; and a CD image just over 99 minutes.
  std::ofstream(at / "big.iso").close();
  fs::resize_file(at / "big.iso", 5ull << 30);
  std::ofstream(at / "long.bin").close();
  fs::resize_file(at / "long.bin", (99ull * 60 * 75 - 150) * 2352);
  WriteFile(at / "long.cue", "FILE \"long.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
  WriteFile(at / "odd.iso", std::string(3000, 'x'));
  WriteFile(at / "disc.img", "x");
  // A cue sheet whose disc state does not fit its image.
  WriteFile(at / "remarks.bin", std::string(2352 * 4, '\0'));
  WriteFile(at / "remarks.cue",
            "FILE \"remarks.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
            "REM DISC-STATE brenmark-disc 1\nREM DISC-STATE medium CD-R\nREM DISC-STATE finalized 0\n"
            "REM DISC-STATE reserved 0\nREM DISC-STATE session 1 40 1 0\n"
            "REM DISC-STATE track 1 1 mode1 0 0 40 0 1\n");
  // A sidecar that does not fit its image.
  WriteFile(at / "ok.iso", std::string(2048 * 4, '\0'));
  WriteFile(at / "ok.state",
            "brenmark-disc 1\nmedium DVD-R\nfinalized 1\nreserved 0\nsession 1 40 0 0\n"
            "track 1 1 mode1 0 0 40 0 1\n");

  struct Case {
    const char* image;
    bool dvdRecorder;
    const char* expected;
  };
  const Case cases[] = {
      {"pipe.iso", false, "a named pipe, not a regular file"},
      {"device.iso", true, "a device, not a regular file"},
      {"folder.iso", false, "a folder, not a regular file"},
      {"pipe.cue", false, "\"pipe.bin\" it names is a named pipe, not a regular file"},
      {"big.iso", false, "a CD of 99 minutes holds at most 445349 sectors (912 MB)"},
      {"big.iso", true, "a DVD-R holds at most 2298496 sectors (4707 MB)"},
      {"long.cue", true, "a CD of 99 minutes holds at most"},
      {"odd.iso", false, "odd.iso"},
      {"disc.img", false, "disc.img"},
      {"ok.iso", false, "shorter"},
      {"remarks.cue", false, "remarks.cue: the disc state in its REM lines: the image is shorter"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.image) + (test.dvdRecorder ? " in the DVD recorder" : " in the CD recorder"));
    RecorderHarness harness(test.dvdRecorder ? DvdRecorderModel() : CdRecorderModel());
    const TrayResult result = harness.recorder().InsertImage(at / test.image);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(test.expected), std::string::npos) << result.message;
    EXPECT_EQ(harness.recorder().DescribeTray().rfind("blank ", 0), 0u);  // the tray is as it was
  }
}

// The recorder's own working disc is no image to insert: the swap would move
// it away from under the tray, whether the sheet or only its sector file lies
// in the working folder.
TEST(RecorderTray, ItsOwnWorkingDiscIsRefused) {
  // The sheet inserted and the sector file it names; none: the working disc's own sheet.
  const std::pair<const char*, const char*> cases[] = {
      {"work/disc.cue", nullptr}, {"copy.cue", "work/disc.bin"}, {"through.cue", "linked/disc.bin"}};
  for (const auto& [sheet, binary] : cases) {
    SCOPED_TRACE(sheet);
    RecorderHarness harness;
    BurnDataSession(harness, 30, 0, 1);
    const fs::path& folder = harness.folder();
    fs::create_directory_symlink(folder / "work", folder / "linked");
    if (binary != nullptr) {
      std::ofstream(folder / sheet) << "FILE \"" << binary << "\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
    }
    const std::string before = harness.recorder().DescribeTray();
    const TrayResult result = harness.recorder().InsertImage(folder / sheet);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("own working disc"), std::string::npos) << result.message;
    EXPECT_EQ(harness.recorder().DescribeTray(), before);
    EXPECT_TRUE(fs::exists(folder / "work" / "disc.bin"));
  }
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
