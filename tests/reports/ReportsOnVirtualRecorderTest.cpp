#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "tests/endtoend/CliRun.h"
#include "tests/support/VirtualRecorderRegistry.h"

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
    "Media - CD-RW; CD-R; CD-ROM; \n"
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
// The same of a blank DVD, which has no CD disc type.
constexpr char kBlankDvdHead[] =
    "Sessions - 1\n"
    "Tracks - 1\n"
    "Disc Status - Empty Disc\n"
    "Disc Type - Not ReWritable\n"
    "Last Session Status - Empty\n"
    "Disc Mode - \n"
    "Media Capacity - 0.00 MB (0 sectors)\n";

// The audio track of tests/data/cue/cdda.cue: 302 blocks on a complete disc,
// whose last possible lead-out the drive gives as FF:FF:FF; its size is then
// what it holds.
constexpr char kAudioCdHead[] =
    "Sessions - 1\n"
    "Tracks - 1\n"
    "Disc Status - Complete Disc\n"
    "Disc Type - Not ReWritable\n"
    "Last Session Status - Complete\n"
    "Disc Mode - CD-DA or CD-ROM;\n";
constexpr char kAudioCdCapacity[] =
    "Media Capacity - 0.60 MB (301 sectors)\n"
    "Media Size - 0.60 MB (302 sectors)\n"
    "Medium - CD-ROM\n";
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
    openWhileShown = registry && registry->IsOpen(registry->currentDrive);
  }
  bool AskYesNo(const std::string&) override { return false; }

  DriveRegistry* registry = nullptr;
  std::vector<std::string> texts;
  bool openWhileShown = false;
};

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

  // A report of `drive`, closed once it is shown.
  std::string Report(bool (*show)(DriveRegistry&, UserPrompt&), int drive) {
    registry->currentDrive = drive;
    show(*registry, prompt);
    EXPECT_FALSE(registry->IsOpen(drive));
    return OnlyMessage();
  }
  std::string DiscReport(int drive) { return Report(ShowDiscReport, drive); }
  std::string DeviceReport(int drive) { return Report(ShowDeviceReport, drive); }

  std::vector<std::uint8_t> Opcodes(const VirtualRecorder& recorder) const {
    std::vector<std::uint8_t> opcodes;
    for (const auto& record : trace->Of(recorder.model().shortName)) opcodes.push_back(record.opcode());
    return opcodes;
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
  trace->Clear();
  EXPECT_EQ(DeviceReport(kCdDrive), kCdDeviceReport);
  // The capability page and the profile list read, and the drive closed before the text shows.
  EXPECT_EQ(Opcodes(*cd), (std::vector<std::uint8_t>{0x5A, 0x46}));
  EXPECT_FALSE(prompt.openWhileShown);

  std::string dvdReport = kCdDeviceReport;
  dvdReport.replace(dvdReport.find("virtual-cd"), 10, "virtual-dvd");
  dvdReport.replace(dvdReport.find("CD-RW   "), 8, "DVD-R   ");
  dvdReport.replace(dvdReport.find("Read - CD-R; CD-RW; "), 20, "Read - CD-R; CD-RW; DVD-ROM; DVD-R/RW; ");
  dvdReport.replace(dvdReport.find("Write - CD-R; CD-RW; "), 21, "Write - CD-R; CD-RW; DVD-R/RW; ");
  dvdReport.replace(dvdReport.find("Media - "), 8,
                    "Media - DVD+R; DVD+RW; DVD-RW (sequential); DVD-RW (restricted overwrite); DVD-R (sequential); "
                    "DVD-ROM; ");
  dvdReport.erase(dvdReport.find("48x CD"));
  dvdReport +=
      "16x DVD (22160 KB/Sec)\n"
      "8x DVD (11080 KB/Sec)\n"
      "4x DVD (5540 KB/Sec)\n"
      "2x DVD (2770 KB/Sec)\n"
      "1x DVD (1385 KB/Sec)\n";
  EXPECT_EQ(DeviceReport(kDvdDrive), dvdReport);

  // With a CD in it the DVD recorder lists its CD speeds, as a drive's
  // capability page gives those of the medium it holds.
  ASSERT_TRUE(dvd->InsertBlank(virtualdrive::MediumKind::CdR).ok);
  const std::string cdSpeeds = std::string(kCdDeviceReport).substr(std::string(kCdDeviceReport).find("48x CD"));
  EXPECT_EQ(DeviceReport(kDvdDrive), dvdReport.replace(dvdReport.find("16x DVD"), std::string::npos, cdSpeeds));
}

TEST_F(ReportsOnVirtualRecorder, BlankCdRAndBlankDvdREndAfterTheMediumLine) {
  EXPECT_EQ(DiscReport(kCdDrive), std::string(kBlankDiscHead) +
                                      "Media Size - 720.00 MB (359999 sectors)\n"
                                      "Medium - CD-R (blank)\n");
  // A DVD gives its last possible lead-out as a block address.
  EXPECT_EQ(DiscReport(kDvdDrive), std::string(kBlankDvdHead) +
                                       "Media Size - 4596.99 MB (2298496 sectors)\n"
                                       "Medium - DVD-R (sequential, blank)\n");
}

TEST_F(ReportsOnVirtualRecorder, AudioCdLoadedFromAnImage) {
  InsertAudioCd();
  trace->Clear();
  EXPECT_EQ(DiscReport(kCdDrive), std::string(kAudioCdHead) + kAudioCdCapacity + kAudioCdSessions);
  // Presence (sent again after the unit attention of the disc just
  // inserted), disc information, capacity, lead-out, table of contents; the
  // text shows before the drive is closed.
  EXPECT_EQ(Opcodes(*cd), (std::vector<std::uint8_t>{0x51, 0x51, 0x51, 0x25, 0x46, 0x51, 0x43}));
  EXPECT_TRUE(prompt.openWhileShown);
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
                                      "Media Size - 0.00 MB (0 sectors)\n"
                                      "Medium - CD-ROM\n");
  EXPECT_EQ(DiscReport(kCdDrive), std::string(kAudioCdHead) + kAudioCdCapacity + kAudioCdSessions);

  // Disc information that fails after the same command succeeded earlier in the
  // report: after the presence check the report ends; at the lead-out it shows 0.
  ArmFault(*cd, "READDISCINFORMATION:after=1");
  EXPECT_EQ(DiscReport(kCdDrive), kDiscInfoFailedText);
  ArmFault(*cd, "READDISCINFORMATION:after=2");
  EXPECT_EQ(DiscReport(kCdDrive), std::string(kAudioCdHead) +
                                      "Media Capacity - 0.60 MB (301 sectors)\n"
                                      "Media Size - 0.00 MB (0 sectors)\n"
                                      "Medium - CD-ROM\n" +
                                      kAudioCdSessions);

  ArmFault(*dvd, "MODESENSE10");
  EXPECT_EQ(DeviceReport(kDvdDrive), kCapabilitiesFailedText);
  EXPECT_EQ(DeviceReport(kDvdDrive).substr(0, 27), "Drive Model - virtual-dvd: ");
}

// brenmark-cli, on virtual recorders of its own whose trays hold the same
// blank discs, prints the same texts, and failures as messages with status 1.
TEST_F(ReportsOnVirtualRecorder, TheCommandLinePrintsTheSameTextsAndFailuresAsMessages) {
  endtoend::ScratchFolder data{"reports-cli"};
  const std::string names[] = {"virtual-cd", "virtual-dvd"};
  for (int drive = 0; drive < 2; ++drive) {
    for (const std::string command : {"device-info", "disc-info"}) {
      SCOPED_TRACE(names[drive] + " " + command);
      const endtoend::ProcessOutput output = endtoend::Cli(data.path(), {"--drive", names[drive], command});
      EXPECT_EQ(output.exitStatus, 0) << output.err;
      EXPECT_EQ(output.out, command == "device-info" ? DeviceReport(drive) : DiscReport(drive));
      EXPECT_EQ(output.err, "");
    }
  }
  const auto failed = endtoend::Cli(data.path(), {"--drive", "virtual-dvd", "--fault", "MODESENSE10", "device-info"});
  EXPECT_EQ(failed.exitStatus, 1);
  EXPECT_EQ(failed.out, "");
  EXPECT_EQ(failed.err, std::string(kCapabilitiesFailedText) + "\n");
  // A tray left empty by an earlier run.
  ASSERT_EQ(endtoend::Cli(data.path(), {"--drive", "virtual-dvd", "tray", "empty"}).exitStatus, 0);
  const auto noDisc = endtoend::Cli(data.path(), {"--drive", "virtual-dvd", "disc-info"});
  EXPECT_EQ(noDisc.exitStatus, 1);
  EXPECT_EQ(noDisc.out, "");
  EXPECT_EQ(noDisc.err, std::string(kNoMediaText) + "\n");
  EXPECT_EQ(endtoend::Cli(data.path(), {"disc-info", "extra"}).exitStatus, 2);
}

}  // namespace
}  // namespace brenmark
