// The tray dialog's decisions as both desktop programs make them, against the
// virtual recorders and a view of the test's own.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <utility>

#include "shell/EngineSession.h"
#include "shell/desktop/MainWindowLogic.h"
#include "shell/desktop/SettingsFile.h"
#include "shell/desktop/TrayDialogLogic.h"
#include "tests/shell/desktop/DesktopDoubles.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempFolder.h"
#if defined(__linux__)
#include <fcntl.h>
#include <unistd.h>

#include "virtualdrive/expose/ExposedDevices.h"
#endif

namespace brenmark::desktop::test {
namespace {

namespace fs = std::filesystem;

// The dialog as data; its file dialog answers `image` once, then cancels.
class ScriptedTrayView final : public TrayView {
 public:
  void ShowContents(const std::string& text) override { contents = text; }
  void ShowBlankSizes(const std::vector<std::string>& offered, int selected) override {
    sizes = offered;
    chosenSize = selected;
  }
  int ChosenBlankSize() const override { return chosenSize; }
  void ShowNote(const std::string& text) override { note = text; }
  std::optional<std::string> ChooseDiscImage() override { return std::exchange(image, std::nullopt); }
  void OpenFolder(const fs::path& folder) override { opened.push_back(folder); }

  std::string contents, note;
  std::vector<std::string> sizes;
  int chosenSize = -2;
  std::optional<std::string> image;
  std::vector<fs::path> opened;
};

class TrayDialogLogicTest : public ::testing::Test {
 protected:
  testsupport::TempFolder discs{"tray-discs"};
  brenmark::test::RecordingPrompt prompt;
  EngineSession engine{prompt, VirtualOnly(discs.path())};
  ScriptedTrayView view;
  TrayDialogLogic cd{*engine.RecorderAt(0), engine.trays(), prompt, view};
  TrayDialogLogic dvd{*engine.RecorderAt(1), engine.trays(), prompt, view};
  const fs::path burned = engine.trays().burnedFolder();
};

// CD-R blanks come in every size a CD has, the default chosen; DVD blanks in
// each kind the DVD recorder writes, DVD-R chosen. The burned discs' folder
// is made before it is shown.
TEST_F(TrayDialogLogicTest, BlanksOfTheSizeChosen) {
  cd.Open();
  EXPECT_EQ(view.contents, "blank CD-R (80 min)");
  EXPECT_EQ(view.sizes, (std::vector<std::string>{"21 min", "63 min", "74 min", "80 min", "90 min", "99 min"}));
  EXPECT_EQ(view.chosenSize, 3);
  view.chosenSize = 0;
  cd.InsertBlank();
  EXPECT_EQ(view.contents, "blank CD-R (21 min)");
  view.chosenSize = -1;  // none chosen: the default
  cd.InsertBlank();
  EXPECT_EQ(view.contents, "blank CD-R (80 min)");
  dvd.Open();
  EXPECT_EQ(view.sizes, (std::vector<std::string>{"DVD-R", "DVD-RW", "DVD+R", "DVD+RW"}));
  EXPECT_EQ(view.chosenSize, 0);
  dvd.InsertBlank();
  EXPECT_EQ(view.contents, "blank DVD-R (4.7 GB)");
  view.chosenSize = 3;
  dvd.InsertBlank();
  EXPECT_EQ(view.contents, "blank DVD+RW (4.7 GB)");

  cd.OpenBurnedDiscs();
  EXPECT_EQ(view.opened, std::vector<fs::path>{burned});
  EXPECT_TRUE(fs::is_directory(burned));
  EXPECT_TRUE(prompt.messages().empty());
  EXPECT_TRUE(view.note.empty());
}

// An image from the file dialog or the recorder's newest kept disc goes in;
// what cannot is told, and the tray stays as it was.
TEST_F(TrayDialogLogicTest, ImagesFromTheFileDialogOrTheBurnedDiscs) {
  cd.Open();
  cd.InsertLastBurned();
  cd.InsertImage();  // cancelled
  EXPECT_EQ(view.contents, "blank CD-R (80 min)");
  view.image = BRENMARK_TESTDATA_DIR "/cue/cdda.cue";
  cd.InsertImage();
  EXPECT_NE(view.contents.find("cdda.cue"), std::string::npos) << view.contents;
  cd.EmptyTray();
  EXPECT_EQ(view.contents, "no disc (the tray is empty)");

  // Names carry the UTC time; other recorders' and other files' do not count.
  // These are empty: the newest one's name shows in the failure.
  fs::create_directories(burned);
  for (const char* name : {"virtual-cd-20261207-010000.cue", "virtual-cd-20261207-020000.cue",
                           "virtual-cd-20261207-030000.bin", "virtual-dvd-20261207-040000.iso",
                           "notes-20261207-050000.cue"}) {
    std::ofstream{burned / name};
  }
  cd.InsertLastBurned();
  dvd.InsertLastBurned();
  const auto messages = prompt.messages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].text, "No disc burned on this recorder was found in " + burned.string() + ".");
  EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
  EXPECT_NE(messages[1].text.find("virtual-cd-20261207-020000.cue"), std::string::npos) << messages[1].text;
  EXPECT_NE(messages[2].text.find("virtual-dvd-20261207-040000.iso"), std::string::npos) << messages[2].text;
  EXPECT_EQ(messages[2].icon, MessageIcon::Error);
  EXPECT_EQ(view.contents, "blank DVD-R (4.7 GB)");
}

// A written disc taken out is kept in the burned discs, the dialog says where,
// and it comes back as the recorder's last burned disc.
TEST_F(TrayDialogLogicTest, EjectingAWrittenDiscSaysWhereItIsKept) {
  {
    DriveResult<DriveHandle> drive = engine.registry().Open(0);
    ASSERT_TRUE(drive.ok());
    const std::array<std::uint8_t, 2048> block{};
    ASSERT_TRUE(drive->WriteSectors(0, 1, 2048, block.data()).ok());
  }
  cd.Eject();
  const fs::path kept = engine.trays().LastBurnedDisc(*engine.RecorderAt(0));
  EXPECT_EQ(kept.parent_path(), burned);
  EXPECT_EQ(view.note, "The written disc taken out is kept as " + kept.string() + ".");
  EXPECT_EQ(view.contents, "blank CD-R (80 min)");
  cd.InsertLastBurned();
  EXPECT_NE(view.contents.find("1 track(s)"), std::string::npos) << view.contents;
  EXPECT_TRUE(prompt.messages().empty());
}

// Several discs kept in one second: the last is the one of the greatest
// number, "-10" after "-9", any "-n" after the first of that second.
TEST_F(TrayDialogLogicTest, TheLastBurnedDiscOfOneSecondIsTheOneOfTheGreatestNumber) {
  fs::create_directories(burned);
  const std::string second = "virtual-cd-20261208-105057";
  for (const std::string& name : {second + ".cue", second + "-2.cue", second + "-9.iso", second + "-10.cue",
                                 std::string("virtual-cd-20261208-105056-30.cue"), std::string("virtual-dvd-20300101-000000.iso")}) {
    std::ofstream(burned / name).close();
  }
  const auto last = [&] { return engine.trays().LastBurnedDisc(*engine.RecorderAt(0)).filename().string(); };
  EXPECT_EQ(last(), second + "-10.cue");
  fs::remove(burned / (second + "-10.cue"));
  fs::remove(burned / (second + "-9.iso"));
  EXPECT_EQ(last(), second + "-2.cue");
}

#if defined(__linux__)
// A program holds the CD recorder's exposed device (its own description of
// the lock file, as in another process): the tray button opens the dialog,
// which shows the disc as the program left it and that a program holds it,
// and swaps it between the program's commands.
TEST_F(TrayDialogLogicTest, BesideAProgramHoldingTheDeviceTheDialogWorksBetweenItsCommands) {
  expose::ExposedDevices program(expose::ExposeSettings{"/dev/sr90", "/dev/sr91", discs.path(), {}, {}});
  int error = 0;
  const int held = program.Open(*program.AtPath("/dev/sr90"), O_CLOEXEC, error);
  ASSERT_GE(held, 0);
  ScriptedView window;
  RecordingJobWindows jobWindows;
  TestUiThread ui;
  SettingsFile settings{discs.path() / "brenmark.ini"};
  MainWindowLogic logic{engine, window, jobWindows, ui.access(), settings};
  logic.Open();
  logic.OpenTray();
  EXPECT_EQ(window.trays.size(), 1u);
  const std::string heldNote = std::string("\n") + virtualdrive::VirtualRecorder::kHeldNote;
  cd.Open();
  EXPECT_EQ(view.contents, "blank CD-R (80 min)" + heldNote);
  cd.EmptyTray();
  EXPECT_EQ(view.contents, "no disc (the tray is empty)" + heldNote);
  program.Closed(held);
  ::close(held);
}
#endif

}  // namespace
}  // namespace brenmark::desktop::test
