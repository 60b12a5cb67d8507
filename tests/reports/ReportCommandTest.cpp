#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "reports/ReportDrive.h"
#include "tests/drive/CountingSleeper.h"
#include "tests/drive/FakeTransport.h"

namespace brenmark {
namespace {

using testing::FakeDeviceProvider;
using testing::FakeDeviceState;
using testing::RecordedCommand;
using testing::ScriptedReply;

constexpr std::uint8_t kModeSense = 0x5A;
constexpr std::uint8_t kReadDiscInformation = 0x51;
constexpr std::uint8_t kReadCapacity = 0x25;
constexpr std::uint8_t kReadToc = 0x43;

// Records each message together with whether the drive was open while it showed.
class RecordingPrompt final : public UserPrompt {
 public:
  struct Shown {
    std::string text;
    MessageIcon icon;
    bool driveOpen;
  };

  void ShowMessage(const std::string& text, MessageIcon icon) override {
    shown.push_back(Shown{text, icon, device && device->isOpen});
  }
  bool AskYesNo(const std::string&) override { return false; }

  std::shared_ptr<FakeDeviceState> device;
  std::vector<Shown> shown;
};

std::vector<std::uint8_t> InquiryData() {
  std::vector<std::uint8_t> data(36, 0);
  const std::string model = "ACME    Writer 52x      ";
  std::copy(model.begin(), model.begin() + 8, data.begin() + 8);
  std::copy(model.begin() + 8, model.end(), data.begin() + 16);
  return data;
}

std::vector<std::uint8_t> CapabilityPageData() {
  std::vector<std::uint8_t> data(8 + 44, 0);
  std::uint8_t* page = data.data() + 8;
  page[0] = 0x2A;
  page[2] = 0x3B;  // reads CD-R, CD-RW, DVD-ROM, DVD-R, DVD-RAM
  page[3] = 0x17;  // writes CD-R, CD-RW, DVD-R; test write
  page[4] = 0x70;  // Mode 2 Form 1 and 2, multi-session
  page[6] = 0x20;  // tray
  page[12] = 0x08;  // 2048 KB
  page[31] = 2;    // two write speed descriptors
  page[34] = 0x0B, page[35] = 0x05;  // 2821 KB/s
  page[38] = 0x1B, page[39] = 0x90;  // 7056 KB/s
  return data;
}

// A complete two-session disc: a data session, then an audio session.
std::vector<std::uint8_t> DiscInformationData() {
  std::vector<std::uint8_t> data(32, 0);
  data[2] = 0x0E;  // complete disc, last session complete, not erasable
  data[4] = 2;     // sessions
  data[6] = 2;     // last track
  data[8] = 0x00;  // CD-DA or CD-ROM
  data[21] = 79, data[22] = 59, data[23] = 74;
  return data;
}

std::vector<std::uint8_t> TwoSessionToc() {
  const std::vector<std::vector<std::uint8_t>> descriptors = {
      {1, 0x14, 0, 0xA0, 0, 0, 0, 0, 1, 0x00, 0},
      {1, 0x14, 0, 0xA1, 0, 0, 0, 0, 1, 0, 0},
      {1, 0x14, 0, 0xA2, 0, 0, 0, 0, 10, 0, 0},
      {1, 0x14, 0, 0x01, 0, 0, 0, 0, 0, 2, 0},
      {1, 0x54, 0, 0xB0, 12, 32, 0, 1, 79, 59, 74},
      {2, 0x10, 0, 0xA0, 0, 0, 0, 0, 2, 0x00, 0},
      {2, 0x10, 0, 0xA1, 0, 0, 0, 0, 2, 0, 0},
      {2, 0x10, 0, 0xA2, 0, 0, 0, 0, 20, 0, 10},
      {2, 0x10, 0, 0x02, 0, 0, 0, 0, 12, 34, 0},
  };
  std::vector<std::uint8_t> data = {0, 0, 1, 2};
  for (const auto& descriptor : descriptors)
    data.insert(data.end(), descriptor.begin(), descriptor.end());
  const std::size_t length = data.size() - 2;
  data[0] = static_cast<std::uint8_t>(length >> 8);
  data[1] = static_cast<std::uint8_t>(length);
  return data;
}

constexpr char kTwoSessionReport[] =
    "Sessions - 2\n"
    "Tracks - 2\n"
    "Disc Status - Complete Disc\n"
    "Disc Type - Not ReWritable\n"
    "Last Session Status - Complete\n"
    "Disc Mode - CD-DA or CD-ROM;\n"
    "Media Capacity - 179.70 MB (89849 sectors)\n"
    "Media Size - 720.00 MB (359999 sectors)\n"
    "Session  1  00:00:00  CD-Audio or Mode 1  (87.89 MB) \n"
    "Track  1  00:02:00  09:58:00  Data \n"
    "\n"
    "Session  2  12:32:00  CD-Audio or Mode 1  (65.64 MB) \n"
    "Track  2  12:34:00  07:26:10  Audio \n"
    "\n";

// One scripted recorder with a two-session disc, enumerated by the registry.
// Chosen commands fail from their n-th occurrence after enumeration on.
class ReportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    auto provider = std::make_unique<FakeDeviceProvider>();
    device = provider->AddDevice("sr0");
    device->responder = [this](const RecordedCommand& command) { return Answer(command); };
    prompt.device = device;
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::move(provider));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
    ASSERT_TRUE(registry->EnumerateDrives());
    ASSERT_EQ(registry->currentDrive, 0);
    device->commands.clear();
    seen.clear();
    enumerated = true;
  }

  ScriptedReply Answer(const RecordedCommand& command) {
    const std::uint8_t opcode = command.opcode();
    if (enumerated) {
      const int occurrence = ++seen[opcode];
      const auto failing = failFrom.find(opcode);
      if (failing != failFrom.end() && occurrence >= failing->second)
        return ScriptedReply{TransportResult::DeviceFailure, {}};
    }
    switch (opcode) {
      case 0x12: return ScriptedReply{TransportResult::Good, InquiryData()};
      case 0x46:
        return ScriptedReply{TransportResult::Good,
                             {0, 0, 0, 0x10, 0, 0, 0, 0, 0, 1, 0, 8, 0, 0, 0, 2}};
      case kModeSense:
        return ScriptedReply{TransportResult::Good, CapabilityPageData()};
      case kReadDiscInformation:
        return ScriptedReply{TransportResult::Good, DiscInformationData()};
      case kReadCapacity:
        return ScriptedReply{TransportResult::Good, {0, 1, 0x5E, 0xF9, 0, 0, 8, 0}};
      case kReadToc: return ScriptedReply{TransportResult::Good, TwoSessionToc()};
      default: return ScriptedReply{};
    }
  }

  void ExpectClosedAfterOneMessage(const char* text) {
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, text);
    EXPECT_EQ(prompt.shown[0].icon, MessageIcon::Plain);
    EXPECT_FALSE(device->isOpen);
    EXPECT_FALSE(registry->drive(0).isOpen);
  }

  RecordingPrompt prompt;
  testing::CountingSleeper sleeper;
  std::shared_ptr<FakeDeviceState> device;
  std::unique_ptr<DriveRegistry> registry;
  bool enumerated = false;
  std::map<std::uint8_t, int> seen;
  std::map<std::uint8_t, int> failFrom;
};

TEST_F(ReportCommand, DeviceReportReadsOnlyTheCapabilityPageAndShowsAfterClosing) {
  EXPECT_TRUE(ShowDeviceReport(*registry, prompt));

  EXPECT_EQ(device->Opcodes(), std::vector<std::uint8_t>{kModeSense});
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_FALSE(prompt.shown[0].driveOpen);
  EXPECT_EQ(prompt.shown[0].icon, MessageIcon::Plain);
  EXPECT_EQ(prompt.shown[0].text,
            "Drive Model - sr0: ACME     Writer 52x      \n"
            "Interface - ATAPI\n"
            "Read - CD-R; CD-RW; DVD-ROM; DVD-R/RW; DVD-RAM;\n"
            "Write - CD-R; CD-RW; DVD-R/RW; \n"
            "Sector Types - Mode 1; Mode 2 Form 1; Mode 2 Form 2; \n"
            "Test burning - Supported\n"
            "Multisesion Discs - Supported\n"
            "Buffer Underrun Overflow - Not Supported\n"
            "ISRC - Not Supported\n"
            "UPC - Not Supported\n"
            "Code Bar - Not Supported\n"
            "Buffer Size - 2048 KB\n"
            "Tray type loading mechanism\n"
            "\n"
            "Write Speeds:\n"
            "40x CD (7056 KB/Sec)\n"
            "16x CD (2821 KB/Sec)\n");
  EXPECT_FALSE(device->isOpen);
}

TEST_F(ReportCommand, DeviceReportFailures) {
  failFrom[kModeSense] = 1;
  EXPECT_FALSE(ShowDeviceReport(*registry, prompt));
  ExpectClosedAfterOneMessage(kCapabilitiesFailedText);
  EXPECT_EQ(device->closeCalls, device->openCalls);

  prompt.shown.clear();
  device->commands.clear();
  device->openSucceeds = false;
  EXPECT_FALSE(ShowDeviceReport(*registry, prompt));
  ExpectClosedAfterOneMessage(kReportOpenFailedText);
  EXPECT_TRUE(device->commands.empty());
}

TEST_F(ReportCommand, DiscReportQueriesInOrderAndShowsBeforeClosing) {
  EXPECT_TRUE(ShowDiscReport(*registry, prompt));

  EXPECT_EQ(device->Opcodes(),
            (std::vector<std::uint8_t>{kReadDiscInformation, kReadDiscInformation, kReadCapacity,
                                       kReadDiscInformation, kReadToc}));
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_TRUE(prompt.shown[0].driveOpen);
  EXPECT_EQ(prompt.shown[0].icon, MessageIcon::Plain);
  EXPECT_EQ(prompt.shown[0].text, kTwoSessionReport);
  EXPECT_FALSE(device->isOpen);
  EXPECT_EQ(registry->discToc.sessionCount(), 2);
}

TEST_F(ReportCommand, DiscReportStopsWithItsMessageWhenADiscQueryFails) {
  struct Case {
    std::uint8_t opcode;
    int occurrence;
    const char* message;
  };
  const Case cases[] = {
      {kReadDiscInformation, 1, kNoMediaText},
      {kReadDiscInformation, 2, kDiscInfoFailedText},
  };
  for (const Case& c : cases) {
    prompt.shown.clear();
    seen.clear();
    failFrom = {{c.opcode, c.occurrence}};
    EXPECT_FALSE(ShowDiscReport(*registry, prompt));
    ExpectClosedAfterOneMessage(c.message);
  }
  EXPECT_EQ(device->Opcodes(),
            (std::vector<std::uint8_t>{kReadDiscInformation, kReadDiscInformation,
                                       kReadDiscInformation}));

  prompt.shown.clear();
  device->commands.clear();
  device->openSucceeds = false;
  EXPECT_FALSE(ShowDiscReport(*registry, prompt));
  ExpectClosedAfterOneMessage(kReportOpenFailedText);
  EXPECT_TRUE(device->commands.empty());
}

TEST_F(ReportCommand, DiscReportShowsZeroCapacitiesWhenTheyCannotBeRead) {
  failFrom = {{kReadCapacity, 1}, {kReadDiscInformation, 3}};
  EXPECT_TRUE(ShowDiscReport(*registry, prompt));
  std::string expected = kTwoSessionReport;
  expected.replace(expected.find("179.70 MB (89849"), 16, "0.00 MB (0");
  expected.replace(expected.find("720.00 MB (359999"), 17, "0.00 MB (0");
  ExpectClosedAfterOneMessage(expected.c_str());
}

TEST_F(ReportCommand, DiscReportWithoutTableOfContentsEndsAfterTheSizeLine) {
  ASSERT_TRUE(ShowDiscReport(*registry, prompt));
  prompt.shown.clear();
  seen.clear();

  failFrom = {{kReadToc, 1}};
  EXPECT_TRUE(ShowDiscReport(*registry, prompt));
  std::string expected = kTwoSessionReport;
  expected.erase(expected.find("Session  1"));
  ExpectClosedAfterOneMessage(expected.c_str());
  // The previous table of contents stays.
  EXPECT_EQ(registry->discToc.sessionCount(), 2);
}

TEST_F(ReportCommand, NoCurrentDriveMeansNoDriveOperation) {
  registry->currentDrive = -1;
  const int openCalls = device->openCalls;
  EXPECT_FALSE(ShowDeviceReport(*registry, prompt));
  EXPECT_FALSE(ShowDiscReport(*registry, prompt));

  ASSERT_EQ(prompt.shown.size(), 2u);
  EXPECT_EQ(prompt.shown[0].text, kNoReportDriveText);
  EXPECT_EQ(prompt.shown[1].text, kNoReportDriveText);
  EXPECT_EQ(device->openCalls, openCalls);
  EXPECT_TRUE(device->commands.empty());
}

TEST(ReportWithoutDrives, BothReportsTellTheUserAndTouchNothing) {
  RecordingPrompt prompt;
  testing::CountingSleeper sleeper;
  DriveRegistry registry(prompt, sleeper, {});
  ASSERT_TRUE(registry.EnumerateDrives());
  ASSERT_EQ(registry.currentDrive, -1);

  EXPECT_FALSE(ShowDeviceReport(registry, prompt));
  EXPECT_FALSE(ShowDiscReport(registry, prompt));
  ASSERT_EQ(prompt.shown.size(), 2u);
  EXPECT_EQ(prompt.shown[0].text, kNoReportDriveText);
  EXPECT_EQ(prompt.shown[1].text, kNoReportDriveText);
}

}  // namespace
}  // namespace brenmark
