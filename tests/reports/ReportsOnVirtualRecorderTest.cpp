#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "tests/support/VirtualRecorderRegistry.h"
#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark {
namespace {

using virtualdrive::VirtualRecorder;

constexpr char kCdDeviceReport[] =
    "Drive Model - virtual-cd: Brenmark Virtual CD-RW   \n"
    "Interface - ATAPI\n"
    "Read - CD-R; CD-RW; \n"
    "Write - CD-R; CD-RW; \n"
    "Sector Types - Mode 1; Mode 2 Form 1; Mode 2 Form 2; \n"
    "Test burning - Supported\n"
    "Multisesion Discs - Supported\n"
    "Buffer Underrun Overflow - Supported\n"
    "ISRC - Not Supported\n"
    "UPC - Not Supported\n"
    "Code Bar - Not Supported\n"
    "Buffer Size - 2048 KB\n"
    "Tray type loading mechanism\n"
    "\n"
    "Write Speeds:\n"
    "48x CD (8467 KB/Sec)\n"
    "40x CD (7056 KB/Sec)\n"
    "32x CD (5645 KB/Sec)\n"
    "24x CD (4234 KB/Sec)\n"
    "16x CD (2822 KB/Sec)\n"
    "8x CD (1411 KB/Sec)\n"
    "4x CD (706 KB/Sec)\n";

// The state lines of a blank, not erasable disc, without a table of contents.
constexpr char kBlankDiscHead[] =
    "Sessions - 1\n"
    "Tracks - 1\n"
    "Disc Status - Empty Disc\n"
    "Disc Type - Not ReWritable\n"
    "Last Session Status - Empty\n"
    "Disc Mode - CD-DA or CD-ROM;\n"
    "Media Capacity - 0.00 MB (0 sectors)\n";

// The audio track of tests/data/cue/cdda.cue: 302 blocks on a complete disc,
// whose last possible lead-out the drive gives as FF:FF:FF.
constexpr char kAudioCdHead[] =
    "Sessions - 1\n"
    "Tracks - 1\n"
    "Disc Status - Complete Disc\n"
    "Disc Type - Not ReWritable\n"
    "Last Session Status - Complete\n"
    "Disc Mode - CD-DA or CD-ROM;\n";
constexpr char kAudioCdCapacity[] =
    "Media Capacity - 0.60 MB (301 sectors)\n"
    "Media Size - 2333.76 MB (1166880 sectors)\n";
constexpr char kAudioCdSessions[] =
    "Session  1  00:00:00  CD-Audio or Mode 1  (0.88 MB) \n"
    "Track  1  00:02:00  00:04:02  Audio \n"
    "\n";

// Records each message and whether the reported drive was open while it showed.
class ReportPrompt final : public UserPrompt {
 public:
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    EXPECT_EQ(icon, MessageIcon::Plain);
    texts.push_back(text);
    openWhileShown = registry && registry->drive(registry->currentDrive).isOpen;
  }
  bool AskYesNo(const std::string&) override { return false; }

  DriveRegistry* registry = nullptr;
  std::vector<std::string> texts;
  bool openWhileShown = false;
};

std::vector<std::uint8_t> Opcodes(const VirtualRecorder& recorder) {
  std::vector<std::uint8_t> opcodes;
  for (const auto& record : recorder.CommandHistory()) opcodes.push_back(record.opcode());
  return opcodes;
}

// Both virtual recorders, enumerated by the registry.
class ReportsOnVirtualRecorder : public testsupport::VirtualRecorderRegistry<ReportPrompt> {
 protected:
  void SetUp() override {
    VirtualRecorderRegistry::SetUp();
    ASSERT_EQ(registry->driveCount, 2);
    cd = recorders.at(0);
    dvd = recorders.at(1);
    prompt.registry = registry.get();
    prompt.texts.clear();
  }

  std::string OnlyMessage() {
    EXPECT_EQ(prompt.texts.size(), 1u);
    if (prompt.texts.empty()) return {};
    std::string text = prompt.texts.back();
    prompt.texts.clear();
    return text;
  }

  std::string DiscReport(int drive) {
    registry->currentDrive = drive;
    ShowDiscReport(*registry, prompt);
    EXPECT_FALSE(registry->drive(drive).isOpen);
    return OnlyMessage();
  }

  std::string DeviceReport(int drive) {
    registry->currentDrive = drive;
    ShowDeviceReport(*registry, prompt);
    EXPECT_FALSE(registry->drive(drive).isOpen);
    return OnlyMessage();
  }

  // Writes one Mode 1 track of `blocks` (at most 255) blocks through the registry and closes
  // its session, leaving the disc open for another one when asked.
  void BurnSession(std::int32_t blocks, bool allowNextSession) {
    ASSERT_TRUE(registry->OpenDevice(kCdDrive));
    std::array<std::uint8_t, 64> page{};
    ASSERT_EQ(registry->ModeSense(kCdDrive, 0x05, 64, page.data()), 0);
    ASSERT_EQ(registry->SetWriteParameters(kCdDrive, 64, page.data(), 1, 1, 0x00, 8,
                                           allowNextSession ? 0xC0 : 0x00, 4, nullptr),
              0);
    const std::int32_t track = registry->GetLastTrackNumber(kCdDrive);
    const std::int32_t start = registry->GetTrackStartAddress(kCdDrive, track);
    const std::vector<std::uint8_t> data(static_cast<std::size_t>(blocks) * 2048, 0x5A);
    ASSERT_EQ(registry->WriteSectors(kCdDrive, start, blocks, 2048, data.data()), 0);
    ASSERT_TRUE(registry->SynchronizeCache(kCdDrive));
    ASSERT_EQ(registry->CloseTrack(kCdDrive, track), 0);
    ASSERT_EQ(registry->CloseSession(kCdDrive), 0);
    registry->CloseDevice(kCdDrive);
  }

  void InsertAudioCd() {
    ASSERT_TRUE(cd->InsertImage(std::string(BRENMARK_TESTDATA_DIR) + "/cue/cdda.cue").ok);
  }

  void ArmFault(VirtualRecorder& recorder, const char* text) {
    const auto parsed = virtualdrive::ParseFaultSpec(text);
    ASSERT_TRUE(parsed.spec) << parsed.error;
    recorder.ArmFault(*parsed.spec);
  }

  std::shared_ptr<VirtualRecorder> cd;
  std::shared_ptr<VirtualRecorder> dvd;
};

TEST_F(ReportsOnVirtualRecorder, DeviceReportsOfBothRecorders) {
  cd->ClearCommandHistory();
  EXPECT_EQ(DeviceReport(kCdDrive), kCdDeviceReport);
  // One capability page read, and the drive closed before the text shows.
  EXPECT_EQ(Opcodes(*cd), std::vector<std::uint8_t>{0x5A});
  EXPECT_FALSE(prompt.openWhileShown);

  std::string dvdReport = kCdDeviceReport;
  dvdReport.replace(dvdReport.find("virtual-cd"), 10, "virtual-dvd");
  dvdReport.replace(dvdReport.find("CD-RW   "), 8, "DVD-R   ");
  dvdReport.replace(dvdReport.find("Read - CD-R; CD-RW; "), 20, "Read - CD-R; CD-RW; DVD-ROM; DVD-R/RW; ");
  dvdReport.replace(dvdReport.find("Write - CD-R; CD-RW; "), 21, "Write - CD-R; CD-RW; DVD-R/RW; ");
  dvdReport.erase(dvdReport.find("48x CD"));
  dvdReport +=
      "16x DVD (22160 KB/Sec)\n"
      "8x DVD (11080 KB/Sec)\n"
      "4x DVD (5540 KB/Sec)\n"
      "2x DVD (2770 KB/Sec)\n"
      "1x DVD (1385 KB/Sec)\n";
  EXPECT_EQ(DeviceReport(kDvdDrive), dvdReport);
}

TEST_F(ReportsOnVirtualRecorder, BlankCdRAndBlankDvdREndAfterTheSizeLine) {
  EXPECT_EQ(DiscReport(kCdDrive),
            std::string(kBlankDiscHead) + "Media Size - 720.00 MB (359999 sectors)\n");
  // A DVD gives its last possible lead-out as a block address; read as minute,
  // second and frame it makes 35:18:128.
  EXPECT_EQ(DiscReport(kDvdDrive),
            std::string(kBlankDiscHead) + "Media Size - 317.96 MB (158978 sectors)\n");
}

TEST_F(ReportsOnVirtualRecorder, AudioCdLoadedFromAnImage) {
  InsertAudioCd();
  cd->ClearCommandHistory();
  EXPECT_EQ(DiscReport(kCdDrive), std::string(kAudioCdHead) + kAudioCdCapacity + kAudioCdSessions);
  // Presence, disc information, capacity, lead-out, table of contents; the
  // text shows before the drive is closed.
  EXPECT_EQ(Opcodes(*cd), (std::vector<std::uint8_t>{0x51, 0x51, 0x25, 0x51, 0x43}));
  EXPECT_TRUE(prompt.openWhileShown);
}

TEST_F(ReportsOnVirtualRecorder, DiscWithTwoSessions) {
  BurnSession(200, true);
  BurnSession(50, false);
  // Each track ends in 2 run-out blocks; the second session's track starts
  // 11400 blocks after the first lead-out.
  EXPECT_EQ(DiscReport(kCdDrive),
            "Sessions - 2\n"
            "Tracks - 2\n"
            "Disc Status - Complete Disc\n"
            "Disc Type - Not ReWritable\n"
            "Last Session Status - Complete\n"
            "Disc Mode - CD-DA or CD-ROM;\n"
            "Media Capacity - 23.31 MB (11653 sectors)\n"
            "Media Size - 2333.76 MB (1166880 sectors)\n"
            "Session  1  00:00:00  CD-Audio or Mode 1  (0.69 MB) \n"
            "Track  1  00:02:00  00:02:52  Data \n"
            "\n"
            "Session  2  02:34:52  CD-Audio or Mode 1  (0.39 MB) \n"
            "Track  2  02:36:52  00:00:52  Data \n"
            "\n");
}

TEST_F(ReportsOnVirtualRecorder, EmptyTrayAndFailingQueries) {
  // A drive without a disc refuses READ DISC INFORMATION with "medium not present".
  ASSERT_TRUE(cd->RemoveDisc().ok);
  EXPECT_EQ(DiscReport(kCdDrive), kNoMediaText);

  InsertAudioCd();
  ArmFault(*cd, "READCAPACITY");
  ArmFault(*cd, "READTOCPMAATIP");
  EXPECT_EQ(DiscReport(kCdDrive), std::string(kAudioCdHead) +
                                      "Media Capacity - 0.00 MB (0 sectors)\n"
                                      "Media Size - 2333.76 MB (1166880 sectors)\n");
  EXPECT_EQ(DiscReport(kCdDrive), std::string(kAudioCdHead) + kAudioCdCapacity + kAudioCdSessions);

  ArmFault(*dvd, "MODESENSE10");
  EXPECT_EQ(DeviceReport(kDvdDrive), kCapabilitiesFailedText);
  EXPECT_EQ(DeviceReport(kDvdDrive).substr(0, 27), "Drive Model - virtual-dvd: ");
}

}  // namespace
}  // namespace brenmark
