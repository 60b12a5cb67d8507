#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "bytes/ByteOrder.h"
#include "drive/DiscInformation.h"
#include "drive/DriveHandle.h"
#include "drive/MmcCommand.h"

// Sector reads (READ CD, READ(12)) and writes (WRITE(10), WRITE(12)): two
// silent retries one second apart, then the user decides whether another
// series of three attempts is made. An answer that a retry cannot change goes
// to the user at once: ILLEGAL REQUEST, or a write error on write-once media
// (told by the disc information's erasable bit). Before each write the
// drive's buffer is waited for, at most 30 s without room; once a write went
// through after such a wait, the report is not waited for again while the
// handle stays open. "Becoming ready" and "long write in progress" answers
// are waited out without counting as tries.
namespace brenmark {
namespace {

constexpr int kAttemptsPerSeries = 3;
constexpr std::chrono::milliseconds kRetryPause{1000};
constexpr std::chrono::milliseconds kBufferPollPause{200};
// A drive whose buffer never drains is not waited for without end: after 30 s
// without room the write is tried, with its retries and question. When that
// write goes through, the report is taken as wrong and no longer waited for.
constexpr int kMaxBufferPollsWithoutRoom = 30'000 / 200;
constexpr const char* kBufferReportIgnored =
    "The drive's buffer report never showed room, yet it took the data: it is no longer waited for.";
// A drive that answers "becoming ready" or "long write in progress" is asked
// again once a second, for at most two minutes per attempt.
constexpr std::chrono::milliseconds kNotReadyPause{1000};
constexpr int kMaxNotReadyWaits = 120;

std::string RetryQuestion(const char* format, std::int32_t lba) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<long>(lba));
  return text;
}

constexpr int kUserDataBlockSize = 2048;

// READ CD, READ(12) as sent here and the writes carry their block count in one byte.
constexpr int kMaxBlocksPerTransfer = 255;

// A count the command cannot carry would be cut to its low byte and move
// other blocks than asked (256 would move none and report success).
bool CarriesBlockCount(int blockCount) { return blockCount >= 0 && blockCount <= kMaxBlocksPerTransfer; }

// Bytes moved by one transfer of a count the command carries.
std::uint32_t TransferBytes(int blockCount, int blockSize) {
  return static_cast<std::uint32_t>(blockCount) * static_cast<std::uint32_t>(blockSize);
}

}  // namespace

DriveStatus DriveHandle::ReadSectors(std::int32_t lba, int blockCount, std::uint8_t* buffer, int blockSize,
                                     std::uint8_t mainChannelSelection) {
  if (blockSize < 0 || !CarriesBlockCount(blockCount)) return CommandOutcome(TransportResult::TransportFailure);
  return ReadWithRetry(mmc::ReadCd(lba, static_cast<std::uint8_t>(blockCount), mainChannelSelection), lba, buffer,
                       TransferBytes(blockCount, blockSize));
}

DriveStatus DriveHandle::ReadUserData(std::int32_t lba, int blockCount, std::uint8_t* buffer) {
  if (!CarriesBlockCount(blockCount)) return CommandOutcome(TransportResult::TransportFailure);
  return ReadWithRetry(mmc::Read12(lba, static_cast<std::uint8_t>(blockCount)), lba, buffer,
                       TransferBytes(blockCount, kUserDataBlockSize));
}

DriveStatus DriveHandle::ReadWithRetry(const mmc::Command& command, std::int32_t lba, std::uint8_t* buffer,
                                       std::uint32_t length) {
  if (buffer == nullptr && length > 0) return CommandOutcome(TransportResult::TransportFailure);
  for (bool firstAttempt = true;; firstAttempt = false) {
    CommandOutcome failed;
    for (int attempt = 0; attempt < kAttemptsPerSeries; ++attempt) {
      if (attempt > 0) sleeper_->SleepFor(kRetryPause);
      if (attempt > 0 || !firstAttempt) ++readRetries_;
      if (length > 0) std::memset(buffer, 0, length);
      failed = SendWhenReady(command, buffer, length);
      if (failed.good()) return Done{};
      if (!WorthRetryingUnasked(failed, false)) break;
    }
    if (!prompt_->AskYesNo(RetryQuestion("Error reading sector %ld.\nTry again?", lba))) return failed;
  }
}

DriveStatus DriveHandle::WriteSectors(std::int32_t lba, int blockCount, int blockSize, const std::uint8_t* buffer) {
  return WriteWithRetry(lba, blockCount, blockSize, buffer, false);
}

DriveStatus DriveHandle::WriteSectors12(std::int32_t lba, int blockCount, int blockSize,
                                        const std::uint8_t* buffer) {
  return WriteWithRetry(lba, blockCount, blockSize, buffer, true);
}

DriveStatus DriveHandle::WriteWithRetry(std::int32_t lba, int blockCount, int blockSize, const std::uint8_t* buffer,
                                        bool streamingWrite) {
  if (blockSize < 0 || !CarriesBlockCount(blockCount)) return CommandOutcome(TransportResult::TransportFailure);
  const std::uint32_t length = TransferBytes(blockCount, blockSize);
  if (buffer == nullptr && length > 0) return CommandOutcome(TransportResult::TransportFailure);
  const auto blocks = static_cast<std::uint8_t>(blockCount);
  const mmc::Command command = streamingWrite ? mmc::Write12(lba, blocks) : mmc::Write10(lba, blocks);
  // The transport's buffer is not const, but a data-out command only reads it.
  auto* data = const_cast<std::uint8_t*>(buffer);

  for (;;) {
    const bool waitRanOut = !bufferReportIgnored_ && !WaitForBufferRoom(length);
    CommandOutcome failed;
    for (int attempt = 0; attempt < kAttemptsPerSeries; ++attempt) {
      if (attempt > 0) sleeper_->SleepFor(kRetryPause);
      failed = SendWhenReady(command, data, length);
      if (!failed.good()) {
        if (!WorthRetryingUnasked(failed, true)) break;
        continue;
      }
      if (waitRanOut) {
        bufferReportIgnored_ = true;
        prompt_->ShowMessage(kBufferReportIgnored, MessageIcon::Plain);
      }
      return Done{};
    }
    if (!prompt_->AskYesNo(RetryQuestion("Error writing sector %ld.\nTry again?", lba))) return failed;
  }
}

bool DriveHandle::WorthRetryingUnasked(const CommandOutcome& failed, bool writing) {
  if (!failed.sense) return true;
  if (IsIllegalRequest(*failed.sense)) return false;
  if (!writing || !IsWriteError(*failed.sense)) return true;
  // The disc information tells a write-once disc by its erasable bit; GET
  // CONFIGURATION belongs to enumeration.
  const DriveResult<DiscStatus> disc = GetDiscInfo();
  return !(disc && (disc->statusMask & discinfo::kNotErasable) != 0);
}

bool DriveHandle::WaitForBufferRoom(std::uint32_t neededBytes) {
  // A drive that cannot report its buffer is not waited for: the write attempt
  // follows, with its own retries and question.
  for (int polls = 0; polls < kMaxBufferPollsWithoutRoom; ++polls) {
    std::array<std::uint8_t, mmc::kBufferCapacityLength> response{};
    if (!Query(mmc::ReadBufferCapacity(), response)) return true;
    if (bytes::ReadBe32(&response[8]) >= neededBytes) return true;  // the blank (free) length
    sleeper_->SleepFor(kBufferPollPause);
  }
  return false;
}

CommandOutcome DriveHandle::SendWhenReady(const mmc::Command& command, std::uint8_t* buffer, std::uint32_t length) {
  CommandOutcome outcome = Send(command, buffer, length);
  for (int waits = 0; waits < kMaxNotReadyWaits && outcome.result == TransportResult::DeviceFailure &&
                      outcome.sense && IsTransientNotReady(*outcome.sense);
       ++waits) {
    sleeper_->SleepFor(kNotReadyPause);
    outcome = Send(command, buffer, length);
  }
  return outcome;
}

}  // namespace brenmark
