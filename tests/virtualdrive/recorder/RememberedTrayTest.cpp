#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"
#include "virtualdrive/TrayRecord.h"

namespace brenmark::virtualdrive::testing {
namespace {

namespace fs = std::filesystem;

// A copy of the test audio CD that a test may damage.
fs::path CopyAudioCd(const fs::path& folder) {
  const fs::path data = fs::path(BRENMARK_TESTDATA_DIR) / "cue";
  fs::copy_file(data / "cdda.cue", folder / "cdda.cue");
  fs::copy_file(data / "cdda.bin", folder / "cdda.bin");
  return folder / "cdda.cue";
}

// Makes `folder` the working directory while it lives.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
  ~WorkingDirectory() { fs::current_path(previous_); }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  fs::path previous_;
};

TEST(RememberedTray, TheNextRecorderFindsTheSameImageOrBlank) {
  RecorderHarness harness;
  TempFolder images;
  const fs::path cue = CopyAudioCd(images.path());
  {
    // As typed on a command line: relative to where the program runs.
    WorkingDirectory inImages(images.path());
    ASSERT_TRUE(harness.recorder().InsertImage("cdda.cue").ok);
  }
  harness.Restart();
  EXPECT_EQ(harness.recorder().StartupProblem(), "");
  EXPECT_EQ(harness.DiscInformation()[2], 0x0E);  // its audio read by the grab tests
  EXPECT_NE(harness.recorder().DescribeTray().find(cue.string()), std::string::npos);

  ASSERT_TRUE(harness.recorder().InsertBlank(MediumKind::CdRw).ok);
  harness.Restart();
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-RW (80 min)");
  ASSERT_TRUE(harness.recorder().Eject().ok);
  harness.Restart();
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (80 min)");
}

// An inserted image that can no longer be read keeps its place: the drive
// reports no disc (nothing is burned on a blank the user did not insert) and
// says which image and why, at every start until the image is back.
TEST(RememberedTray, AnImageThatCannotBeReadAnyMoreKeepsItsPlaceWithNoDisc) {
  RecorderHarness harness;
  TempFolder images;
  const fs::path cue = CopyAudioCd(images.path());
  const std::vector<std::uint8_t> cueBytes = FileBytes(cue);
  struct Damage {
    const char* what;
    std::function<void()> apply;
    std::string expectedInProblem;
  };
  const Damage damages[] = {
      {"bin removed", [&] { fs::rename(images.path() / "cdda.bin", images.path() / "kept.bin"); }, "missing"},
      {"cue no longer a sheet", [&] { WriteFile(cue, "TRACK"); }, "TRACK before any FILE"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    ASSERT_TRUE(harness.recorder().InsertImage(cue).ok);
    std::vector<std::uint8_t> cueAfterDamage;
    harness.Restart([&] {
      damage.apply();
      cueAfterDamage = FileBytes(cue);
    });
    for (int start = 0; start < 2; ++start) {
      const std::string problem = harness.recorder().StartupProblem();
      EXPECT_NE(problem.find(cue.string()), std::string::npos) << problem;
      EXPECT_NE(problem.find(damage.expectedInProblem), std::string::npos) << problem;
      EXPECT_EQ(harness.recorder().DescribeTray(), "no disc: " + problem);
      EXPECT_FALSE(harness.Read(cdb::ReadDiscInformation(), 34));
      EXPECT_EQ(harness.sense(), sense::kMediumNotPresent);
      EXPECT_EQ(harness.Write(0, 1, Pattern(1, 2048, 1)), TransportResult::DeviceFailure);
      EXPECT_EQ(harness.sense(), sense::kMediumNotPresent);
      harness.Restart();
    }
    EXPECT_EQ(FileBytes(cue), cueAfterDamage);  // the user's file is left as it is

    // Once the image is whole again, it is in the tray again.
    harness.Restart([&] {
      WriteFile(cue, std::string(cueBytes.begin(), cueBytes.end()));
      std::error_code ignored;
      fs::rename(images.path() / "kept.bin", images.path() / "cdda.bin", ignored);
    });
    EXPECT_EQ(harness.recorder().StartupProblem(), "");
    EXPECT_EQ(harness.DiscInformation()[2], 0x0E);
  }
}

TEST(RememberedTray, AGarbledTrayRecordGivesABlankAndAReasonOnce) {
  RecorderHarness harness;
  const fs::path record = harness.folder() / "work" / "tray";
  ASSERT_TRUE(harness.recorder().RemoveDisc().ok);
  harness.Restart([&] { WriteFile(record, "brenmark-tray 1\nimage relative.cue\n"); });
  EXPECT_NE(harness.recorder().StartupProblem().find(record.string()), std::string::npos);
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (80 min)\n" + harness.recorder().StartupProblem());
  harness.Restart();
  EXPECT_EQ(harness.recorder().StartupProblem(), "");
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (80 min)");
}

// CD-R blanks of the offered sizes: what the disc reports follows the size,
// the size is remembered with the tray and by the blanks later ejects load.
TEST(RememberedTray, CdBlanksOfChosenSizes) {
  RecorderHarness harness;
  EXPECT_FALSE(harness.recorder().InsertBlank(MediumKind::CdR, 75).ok);
  struct Size {
    int minutes;
    std::uint8_t leadOutMinute;  // last possible lead-out start, MM:59:74
  };
  for (const Size size : {Size{21, 20}, Size{99, 98}, Size{74, 73}}) {
    SCOPED_TRACE(size.minutes);
    ASSERT_TRUE(harness.recorder().InsertBlank(MediumKind::CdR, size.minutes).ok);
    harness.Restart();
    EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (" + std::to_string(size.minutes) + " min)");
    const std::vector<std::uint8_t> info = harness.DiscInformation();
    ASSERT_EQ(info.size(), 34u);
    EXPECT_EQ(std::vector(info.begin() + 21, info.begin() + 24), (std::vector<std::uint8_t>{size.leadOutMinute, 59, 74}));
    const std::int32_t capacity = size.minutes * 60 * 75 - 1 - 150;
    // The first track starts at block 0: the invisible track holds all of it.
    EXPECT_EQ(static_cast<std::int32_t>(Be32(harness.TrackInformation(1), 16)), capacity);
  }
  // A written 74-minute disc stays one across a restart, and the eject that
  // keeps it loads another 74-minute blank.
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 2, Pattern(2, 2048, 1)), TransportResult::Good);
  harness.Restart();
  EXPECT_EQ(harness.DiscInformation()[21], 73);
  ASSERT_FALSE(harness.recorder().Eject().finishedImage.empty());
  harness.Restart();
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (74 min)");
}

TEST(EmptyTray, MediaCommandsAnswerMediumNotPresent) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 10, Pattern(10, 2048, 1)), TransportResult::Good);
  const TrayResult removed = harness.recorder().RemoveDisc();
  ASSERT_TRUE(removed.ok);
  EXPECT_TRUE(fs::exists(removed.finishedImage));  // the written disc is kept
  EXPECT_EQ(harness.recorder().DescribeTray(), "no disc (the tray is empty)");
  harness.Restart();
  EXPECT_EQ(harness.recorder().DescribeTray(), "no disc (the tray is empty)");

  const cdb::Bytes mediaCommands[] = {
      cdb::ReadDiscInformation(), cdb::ReadTrackInformation(1, 1), cdb::ReadToc(2, true, 100),
      cdb::Simple(0x25, 10),      cdb::ReadCd(0, 1, 0x10),         cdb::ReserveTrack(10),
      cdb::CloseTrack(1),         cdb::CloseSession(),             cdb::Simple(0x35, 10),
      cdb::Write10(0, 1),         cdb::Simple(0x00, 6),  // TEST UNIT READY
      cdb::Bytes{0xAC, 0, 0, 0, 0, 0, 0, 0, 0, 1, 3, 0},   // GET PERFORMANCE
  };
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);  // the write is refused for want of a disc only
  std::vector<std::uint8_t> buffer(2352, 0);
  for (const cdb::Bytes& command : mediaCommands) {
    SCOPED_TRACE(static_cast<int>(command[0]));
    EXPECT_EQ(harness.Send(command, DataDirection::In, buffer.data(), 100), TransportResult::DeviceFailure);
    EXPECT_EQ(harness.sense(), sense::kMediumNotPresent);
  }

  // The drive itself still answers; no profile is current.
  EXPECT_TRUE(harness.Read(cdb::Bytes{0x12, 0, 0, 0, 36, 0}, 36));
  EXPECT_TRUE(harness.Read(cdb::ModeSense(0x2A, 200), 200));
  const auto features = harness.Read(cdb::Bytes{0x46, 0, 0, 0, 0, 0, 0, 0, 200, 0}, 200);
  ASSERT_TRUE(features);
  EXPECT_EQ(Be16(*features, 6), 0x0000);
}

// Under Wine the Linux and the Windows program may share a data folder; an image
// one of them inserted stays in the tray for it, and the other reports no disc
// instead of loading a blank over the record.
TEST(RememberedTray, AnImageTheOtherSystemInsertedStaysForIt) {
  RecorderHarness harness;
#ifdef _WIN32
  const std::string otherSystems = "/home/user/discs/audio.cue";
#else
  const std::string otherSystems = "Z:\\home\\user\\discs\\audio.cue";
#endif
  const std::string record = "brenmark-tray 1\nimage " + otherSystems + "\n";
  harness.Restart([&] {
    fs::create_directories(harness.folder() / "work");
    WriteFile(harness.folder() / "work" / "tray", record);
  });
  for (int start = 0; start < 2; ++start) {
    const std::string problem = harness.recorder().StartupProblem();
    EXPECT_NE(problem.find("audio.cue, was inserted by a program that names files as another system"),
              std::string::npos)
        << problem;
    EXPECT_FALSE(harness.Read(cdb::ReadDiscInformation(), 34));
    EXPECT_EQ(harness.sense(), sense::kMediumNotPresent);
    EXPECT_EQ(FileBytes(harness.folder() / "work" / "tray"), std::vector<std::uint8_t>(record.begin(), record.end()));
    harness.Restart();
  }
}

// Any image path and the size of a blank CD survive the record; sizes no CD-R
// has, or a size on a DVD, are refused rather than taken as 80 minutes.
TEST(TrayRecord, KeepsAnyImagePathAndBlankSizeAndRefusesWhatNoTrayHolds) {
  for (const fs::path& image : {fs::path("/discs/my audio.cue"), fs::path("/discs/two\nlines\n")}) {
    const auto parsed = ParseTrayRecord(FormatTrayRecord(TrayRecord::Image(image)));
    ASSERT_TRUE(parsed.record) << parsed.error;
    EXPECT_EQ(parsed.record->content, TrayRecord::Content::Image);
    EXPECT_EQ(parsed.record->image, image);
  }
  const auto small = ParseTrayRecord(FormatTrayRecord(TrayRecord::Blank(MediumKind::CdRw, 21))).record;
  ASSERT_TRUE(small);
  EXPECT_EQ(small->blankKind, MediumKind::CdRw);
  EXPECT_EQ(small->blankMinutes, 21);
  EXPECT_EQ(ParseTrayRecord("brenmark-tray 1\nblank CD-R\n").record->blankMinutes, 80);
  EXPECT_EQ(ParseTrayRecord(FormatTrayRecord(TrayRecord::Empty())).record->content, TrayRecord::Content::Empty);
  for (const char* text : {"", "brenmark-tray 2\nempty\n", "brenmark-tray 1\nblank CD-ROM\n",
                           "brenmark-tray 1\nimage disc.cue\n", "brenmark-tray 1\nfull\n",
                           "brenmark-tray 1\nblank CD-R 75\n", "brenmark-tray 1\nblank CD-R 80x\n",
                           "brenmark-tray 1\nblank DVD-R 80\n", "brenmark-tray 1\nblank CD-R \n"}) {
    EXPECT_NE(ParseTrayRecord(text).error, "") << text;
  }
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
