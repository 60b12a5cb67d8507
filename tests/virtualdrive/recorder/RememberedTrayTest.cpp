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
  EXPECT_EQ(harness.DiscInformation()[2], 0x0E);
  const auto audio = harness.Read(cdb::ReadCd(0, 4, 0x10, 1), 4 * 2352);
  ASSERT_TRUE(audio);
  const auto bin = FileBytes(images.path() / "cdda.bin");
  EXPECT_TRUE(std::equal(audio->begin(), audio->end(), bin.begin()));
  EXPECT_NE(harness.recorder().DescribeTray().find(cue.string()), std::string::npos);

  ASSERT_TRUE(harness.recorder().InsertBlank(MediumKind::CdRw).ok);
  harness.Restart();
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-RW (80 min)");
  ASSERT_TRUE(harness.recorder().Eject().ok);
  harness.Restart();
  EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (80 min)");
}

TEST(RememberedTray, AnImageThatCannotBeReadAnyMoreGivesABlankAndAReason) {
  RecorderHarness harness;
  TempFolder images;
  const fs::path cue = CopyAudioCd(images.path());
  const fs::path record = harness.folder() / "work" / "tray";
  const std::vector<std::uint8_t> cueBytes = FileBytes(cue);
  struct Damage {
    const char* what;
    std::function<void()> apply;
    std::string expectedInProblem;
  };
  const Damage damages[] = {
      {"bin removed", [&] { fs::rename(images.path() / "cdda.bin", images.path() / "kept.bin"); }, cue.string()},
      {"cue no longer a sheet", [&] { WriteFile(cue, "TRACK"); }, cue.string()},
      {"record garbled", [&] { WriteFile(record, "brenmark-tray 1\nimage relative.cue\n"); }, record.string()},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    ASSERT_TRUE(harness.recorder().InsertImage(cue).ok);
    std::vector<std::uint8_t> cueAfterDamage;
    harness.Restart([&] {
      damage.apply();
      cueAfterDamage = FileBytes(cue);
    });
    const std::string problem = harness.recorder().StartupProblem();
    EXPECT_NE(problem.find(damage.expectedInProblem), std::string::npos) << problem;
    EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (80 min)");
    EXPECT_EQ(FileBytes(cue), cueAfterDamage);  // the user's file is left as it is

    // Reported once: the blank is what the tray now holds.
    harness.Restart();
    EXPECT_EQ(harness.recorder().StartupProblem(), "");
    EXPECT_EQ(harness.recorder().DescribeTray(), "blank CD-R (80 min)");

    WriteFile(cue, std::string(cueBytes.begin(), cueBytes.end()));
    std::error_code ignored;
    fs::rename(images.path() / "kept.bin", images.path() / "cdda.bin", ignored);
  }
}

TEST(RememberedTray, ADiscInWorkComesBeforeTheInsertedImage) {
  RecorderHarness harness;
  WriteSetup appendable;
  appendable.multiSession = 3;
  ASSERT_EQ(harness.SetWriteParameters(appendable), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 20, Pattern(20, 2048, 1)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
  const fs::path image = harness.recorder().Eject().finishedImage;
  fs::path bin = image;
  bin.replace_extension(".bin");
  const auto binBefore = FileBytes(bin);

  ASSERT_TRUE(harness.recorder().InsertImage(image).ok);
  const std::int32_t start = harness.TrackStart(2);
  ASSERT_EQ(harness.Write(start, 4, Pattern(4, 2048, 2)), TransportResult::Good);
  harness.Restart();

  EXPECT_EQ(harness.recorder().StartupProblem(), "");
  EXPECT_EQ(harness.DiscInformation()[2], 0x05);  // the copy, its second session open
  EXPECT_EQ(harness.Read(cdb::ReadCd(start, 4, 0x10), 4 * 2048).value(), Pattern(4, 2048, 2));
  EXPECT_EQ(FileBytes(bin), binBefore);
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
      cdb::ReadDiscInformation(),   cdb::ReadTrackInformation(1, 1), cdb::ReadToc(2, true, 100),
      cdb::Simple(0x25, 10),        cdb::ReadCd(0, 1, 0x10),         cdb::ReserveTrack(10),
      cdb::CloseTrack(1),           cdb::CloseSession(),             cdb::Simple(0x35, 10),
  };
  std::vector<std::uint8_t> buffer(2352, 0);
  for (const cdb::Bytes& command : mediaCommands) {
    SCOPED_TRACE(static_cast<int>(command[0]));
    EXPECT_EQ(harness.Send(command, DataDirection::In, buffer.data(), 100), TransportResult::DeviceFailure);
    EXPECT_EQ(harness.sense(), sense::kMediumNotPresent);
  }
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  EXPECT_EQ(harness.Write(0, 1, Pattern(1, 2048, 2)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kMediumNotPresent);

  // The drive itself still answers; no profile is current.
  auto inquiry = cdb::Simple(0x12, 6);
  inquiry[4] = 36;
  EXPECT_TRUE(harness.Read(inquiry, 36));
  EXPECT_TRUE(harness.Read(cdb::ModeSense(0x2A, 200), 200));
  auto configuration = cdb::Simple(0x46, 10);
  configuration[8] = 200;
  const auto features = harness.Read(configuration, 200);
  ASSERT_TRUE(features);
  EXPECT_EQ(Be16(*features, 6), 0x0000);

  ASSERT_TRUE(harness.recorder().InsertImage(fs::path(BRENMARK_TESTDATA_DIR) / "cue" / "cdda.cue").ok);
  EXPECT_EQ(harness.DiscInformation()[2], 0x0E);
  ASSERT_TRUE(harness.recorder().RemoveDisc().ok);
  ASSERT_TRUE(harness.recorder().InsertBlank(MediumKind::CdR).ok);
  EXPECT_EQ(harness.DiscInformation()[2], 0x00);
}

TEST(TrayRecord, KeepsAnyImagePathAndRefusesWhatNoTrayHolds) {
  for (const fs::path& image : {fs::path("/discs/my audio.cue"), fs::path("/discs/two\nlines\n")}) {
    const auto parsed = ParseTrayRecord(FormatTrayRecord(TrayRecord::Image(image)));
    ASSERT_TRUE(parsed.record) << parsed.error;
    EXPECT_EQ(parsed.record->content, TrayRecord::Content::Image);
    EXPECT_EQ(parsed.record->image, image);
  }
  EXPECT_EQ(ParseTrayRecord(FormatTrayRecord(TrayRecord::Blank(MediumKind::DvdR))).record->blankKind,
            MediumKind::DvdR);
  EXPECT_EQ(ParseTrayRecord(FormatTrayRecord(TrayRecord::Empty())).record->content, TrayRecord::Content::Empty);
  for (const char* text : {"", "brenmark-tray 2\nempty\n", "brenmark-tray 1\nblank CD-ROM\n",
                           "brenmark-tray 1\nimage disc.cue\n", "brenmark-tray 1\nfull\n"}) {
    EXPECT_NE(ParseTrayRecord(text).error, "") << text;
  }
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
