#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "tests/support/VirtualRecorderRegistry.h"
#include "virtualdrive/FaultInjector.h"

// The sector transfers' retries decided by the drive's answer, and the answer
// the registry keeps, against the virtual CD recorder with armed faults.
namespace brenmark::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kReadCd = 0xBE, kWrite10 = 0x2A;
constexpr int kCd = 0;  // the fixture's CD recorder

class SenseRetry : public testsupport::VirtualRecorderRegistry<> {
 protected:
  // A blank disc of the kind in the CD recorder, opened and set up for track
  // at once with 2048-byte Mode 1 blocks; the commands so far forgotten.
  void LoadBlank(virtualdrive::MediumKind kind) {
    ASSERT_TRUE(recorder().InsertBlank(kind).ok);
    DriveResult<DriveHandle> opened = registry->Open(kCd);
    ASSERT_TRUE(opened.ok());
    drive.emplace(std::move(*opened));
    std::array<std::uint8_t, 64> page{};
    ASSERT_TRUE(drive->ModeSense(0x05, page).ok());
    ASSERT_TRUE(drive->SetWriteParameters(page, WriteMode{}).ok());
    trace->Clear();
  }

  void Arm(const char* text) {
    const auto fault = virtualdrive::ParseFaultSpec(text);
    ASSERT_TRUE(fault.spec) << fault.error;
    recorder().ArmFault(*fault.spec);
  }

  long Sent(std::uint8_t opcode) const {
    const auto history = trace->Of(recorder().model().shortName);
    return std::count_if(history.begin(), history.end(),
                         [opcode](const TracedCommand& record) { return record.opcode() == opcode; });
  }

  virtualdrive::VirtualRecorder& recorder() const { return *recorders[kCd]; }

  std::optional<DriveHandle> drive;
  std::vector<std::uint8_t> blocks = testsupport::Pattern(16, 2048, 3);
};

TEST_F(SenseRetry, AWriteErrorOnWriteOnceMediaGoesToTheQuestionAtOnce) {
  LoadBlank(virtualdrive::MediumKind::CdR);
  Arm("WRITE10:count=2:sense=3/0C/00");
  prompt.ScriptAnswers({true, false});
  const DriveStatus written = drive->WriteSectors(0, 16, 2048, blocks.data());
  EXPECT_FALSE(written.ok());
  EXPECT_EQ(Sent(kWrite10), 2);  // one per series
  EXPECT_EQ(prompt.questions(), (std::vector<std::string>(2, "Error writing sector 0.\nTry again?")));
  EXPECT_EQ(sleeper.Count(1000ms), 0);
  // The medium query made on the way does not hide what the write ended with.
  EXPECT_EQ(written.outcome().Text(), "3/0C/00 write error");
}

TEST_F(SenseRetry, AWriteErrorOnRewritableMediaIsStillRetriedSilently) {
  LoadBlank(virtualdrive::MediumKind::CdRw);
  Arm("WRITE10:count=2:sense=3/0C/00");
  EXPECT_TRUE(drive->WriteSectors(0, 16, 2048, blocks.data()).ok());
  EXPECT_EQ(Sent(kWrite10), 3);
  EXPECT_EQ(sleeper.Count(1000ms), 2);
  EXPECT_TRUE(prompt.questions().empty());
}

TEST_F(SenseRetry, AnIllegalRequestIsNotRepeatedUnasked) {
  LoadBlank(virtualdrive::MediumKind::CdRw);
  // A write away from the next writable address: the drive refuses it (5/21/02).
  EXPECT_EQ(drive->WriteSectors(1000, 16, 2048, blocks.data()).outcome().Text(), "5/21/02 invalid address for write");
  EXPECT_EQ(Sent(kWrite10), 1);

  ASSERT_TRUE(drive->WriteSectors(0, 16, 2048, blocks.data()).ok());
  Arm("READCD:count=1:sense=5/24/00");
  prompt.ScriptAnswers({true});
  std::vector<std::uint8_t> sector(2048);
  EXPECT_TRUE(drive->ReadSectors(5, 1, sector.data(), 2048, 0x10).ok());
  EXPECT_EQ(Sent(kReadCd), 2);
  EXPECT_EQ(prompt.questions(), (std::vector<std::string>{"Error writing sector 1000.\nTry again?",
                                                          "Error reading sector 5.\nTry again?"}));
  EXPECT_EQ(sleeper.Count(1000ms), 0);
  EXPECT_TRUE(std::equal(sector.begin(), sector.end(), blocks.begin() + 5 * 2048));
}

// Answers that may pass keep their two silent retries, whatever the medium.
TEST_F(SenseRetry, TransientAnswersKeepTheirSilentRetries) {
  LoadBlank(virtualdrive::MediumKind::CdR);
  Arm("WRITE10:count=2:sense=6/28/00");  // medium may have changed
  ASSERT_TRUE(drive->WriteSectors(0, 16, 2048, blocks.data()).ok());
  Arm("READCD:count=1:sense=3/11/00");  // unrecovered read error
  Arm("READCD:count=1:transport");
  std::vector<std::uint8_t> sector(2048);
  EXPECT_TRUE(drive->ReadSectors(0, 1, sector.data(), 2048, 0x10).ok());
  EXPECT_EQ(Sent(kWrite10), 3);
  EXPECT_EQ(Sent(kReadCd), 3);
  EXPECT_EQ(sleeper.Count(1000ms), 3);  // the first unit attention is sent again at once, as any command's
  EXPECT_TRUE(prompt.questions().empty());
}

TEST_F(SenseRetry, ADriveThatIsBecomingReadyIsWaitedForWithoutUsingUpTries) {
  LoadBlank(virtualdrive::MediumKind::CdR);
  Arm("WRITE10:count=4:sense=2/04/08");
  Arm("READCD:count=2:sense=2/04/01");
  ASSERT_TRUE(drive->WriteSectors(0, 16, 2048, blocks.data()).ok());
  std::vector<std::uint8_t> sector(2048);
  ASSERT_TRUE(drive->ReadSectors(0, 1, sector.data(), 2048, 0x10).ok());
  EXPECT_EQ(sleeper.Count(1000ms), 6);
  EXPECT_TRUE(prompt.questions().empty());

  // A drive that never gets ready is not waited for without end: each try
  // waits a bounded time, then counts as failed, and the user is asked.
  sleeper.waits.clear();
  Arm("WRITE10:always:sense=2/04/01");
  EXPECT_FALSE(drive->WriteSectors(16, 1, 2048, sector.data()).ok());
  EXPECT_EQ(prompt.questions().size(), 1u);
  EXPECT_EQ(sleeper.Count(1000ms), 3 * 120 + 2);
}

TEST_F(SenseRetry, TheRecorderTellsItsResidualAndEjectTellsTheDrivesAnswer) {
  LoadBlank(virtualdrive::MediumKind::CdR);
  std::array<std::uint8_t, 256> response{};
  const std::array<std::uint8_t, 10> cdb{0x51, 0, 0, 0, 0, 0, 0, 0x01, 0x00, 0};
  const CommandOutcome outcome = recorder().Execute(ScsiRequest{cdb.data(), 10, DataDirection::In, response.data(), 256});
  EXPECT_TRUE(outcome.good());
  EXPECT_GT(outcome.residual, 0u);  // 256 bytes asked, fewer given

  Arm("STARTSTOPUNIT");
  EXPECT_FALSE(drive->EjectDisc().ok());  // what the drive answered, not a blanket yes
  EXPECT_TRUE(drive->EjectDisc().ok());
}

}  // namespace
}  // namespace brenmark::testing
