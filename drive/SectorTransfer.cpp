#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "bytes/ByteOrder.h"
#include "drive/DiscInformation.h"
#include "drive/DriveRegistry.h"
#include "drive/MmcCommand.h"

// Sector reads and writes: two silent retries one second apart, then the user
// decides whether another series of three attempts is made. An answer that a
// retry cannot change goes to the user at once.
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
constexpr int kGivenUp = 2;

constexpr int kReadTransportFailure = 3, kReadDeviceFailure = 4;
constexpr int kWrite10TransportFailure = 3, kWrite10DeviceFailure = 4;
constexpr int kWrite12TransportFailure = 3, kWrite12DeviceFailure = 4;

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

int DriveRegistry::ReadSectors(int index, std::int32_t lba, int blockCount, std::uint8_t* buffer,
                               int blockSize, std::uint8_t mainChannelSelection) {
  if (!HasDrive(index) || blockSize < 0 || !CarriesBlockCount(blockCount)) return kGivenUp;
  return ReadWithRetry(index, mmc::ReadCd(lba, static_cast<std::uint8_t>(blockCount), mainChannelSelection), lba,
                       buffer, TransferBytes(blockCount, blockSize));
}

int DriveRegistry::ReadUserData(int index, std::int32_t lba, int blockCount, std::uint8_t* buffer) {
  if (!HasDrive(index) || !CarriesBlockCount(blockCount)) return kGivenUp;
  return ReadWithRetry(index, mmc::Read12(lba, static_cast<std::uint8_t>(blockCount)), lba, buffer,
                       TransferBytes(blockCount, kUserDataBlockSize));
}

int DriveRegistry::ReadWithRetry(int index, const mmc::Command& command, std::int32_t lba, std::uint8_t* buffer,
                                 std::uint32_t length) {
  if (buffer == nullptr && length > 0) return kGivenUp;
  for (bool firstAttempt = true;; firstAttempt = false) {
    for (int attempt = 0; attempt < kAttemptsPerSeries; ++attempt) {
      if (attempt > 0) sleeper_.SleepFor(kRetryPause);
      if (attempt > 0 || !firstAttempt) ++drive(index).readRetries;
      if (length > 0) std::memset(buffer, 0, length);
      if (mmc::ResultCode(SendWhenReady(index, command, buffer, length), kReadTransportFailure,
                          kReadDeviceFailure) == 0)
        return 0;
      if (!WorthRetryingUnasked(index, false)) break;
    }
    if (!prompt_.AskYesNo(RetryQuestion("Error reading sector %ld.\nTry again?", lba)))
      return kGivenUp;
  }
}

int DriveRegistry::WriteSectors(int index, std::int32_t lba, int blockCount, int blockSize,
                                const std::uint8_t* buffer) {
  return WriteWithRetry(index, lba, blockCount, blockSize, buffer, false);
}

int DriveRegistry::WriteSectors12(int index, std::int32_t lba, int blockCount, int blockSize,
                                  const std::uint8_t* buffer) {
  return WriteWithRetry(index, lba, blockCount, blockSize, buffer, true);
}

int DriveRegistry::WriteWithRetry(int index, std::int32_t lba, int blockCount, int blockSize,
                                  const std::uint8_t* buffer, bool streamingWrite) {
  if (!HasDrive(index) || blockSize < 0 || !CarriesBlockCount(blockCount)) return kGivenUp;
  const std::uint32_t length = TransferBytes(blockCount, blockSize);
  if (buffer == nullptr && length > 0) return kGivenUp;
  const auto blocks = static_cast<std::uint8_t>(blockCount);
  const mmc::Command command = streamingWrite ? mmc::Write12(lba, blocks) : mmc::Write10(lba, blocks);
  // The transport's buffer is not const, but a data-out command only reads it.
  auto* data = const_cast<std::uint8_t*>(buffer);

  for (;;) {
    Drive& target = drive(index);
    const bool waitRanOut = !target.bufferReportIgnored && !WaitForBufferRoom(index, length);
    for (int attempt = 0; attempt < kAttemptsPerSeries; ++attempt) {
      if (attempt > 0) sleeper_.SleepFor(kRetryPause);
      const TransportResult result = SendWhenReady(index, command, data, length);
      const int code = streamingWrite
                           ? mmc::ResultCode(result, kWrite12TransportFailure, kWrite12DeviceFailure)
                           : mmc::ResultCode(result, kWrite10TransportFailure, kWrite10DeviceFailure);
      if (code != 0) {
        if (!WorthRetryingUnasked(index, true)) break;
        continue;
      }
      if (waitRanOut) {
        target.bufferReportIgnored = true;
        prompt_.ShowMessage(kBufferReportIgnored, MessageIcon::Plain);
      }
      return 0;
    }
    if (!prompt_.AskYesNo(RetryQuestion("Error writing sector %ld.\nTry again?", lba)))
      return kGivenUp;
  }
}

bool DriveRegistry::WorthRetryingUnasked(int index, bool writing) {
  const CommandOutcome failed = LastOutcome(index);
  if (!failed.sense) return true;
  if (IsIllegalRequest(*failed.sense)) return false;
  if (!writing || !IsWriteError(*failed.sense)) return true;
  // The disc information tells a write-once disc by its erasable bit; GET
  // CONFIGURATION belongs to enumeration.
  std::uint32_t status = 0;
  const bool writeOnce = GetDiscInfo(index, nullptr, nullptr, &status) && (status & discinfo::kNotErasable) != 0;
  drive(index).lastOutcome = failed;
  return !writeOnce;
}

bool DriveRegistry::WaitForBufferRoom(int index, std::uint32_t neededBytes) {
  std::uint32_t bufferLength = 0;
  std::uint32_t blankLength = 0;
  // A drive that cannot report its buffer is not waited for: the write attempt
  // follows, with its own retries and question.
  for (int polls = 0; polls < kMaxBufferPollsWithoutRoom; ++polls) {
    if (!QueryBufferCapacity(index, bufferLength, blankLength) || blankLength >= neededBytes) return true;
    sleeper_.SleepFor(kBufferPollPause);
  }
  return false;
}

TransportResult DriveRegistry::SendWhenReady(int index, const mmc::Command& command, std::uint8_t* buffer,
                                             std::uint32_t length) {
  TransportResult result = Send(index, command, buffer, length);
  for (int waits = 0; waits < kMaxNotReadyWaits && result == TransportResult::DeviceFailure &&
                      LastOutcome(index).sense && IsTransientNotReady(*LastOutcome(index).sense);
       ++waits) {
    sleeper_.SleepFor(kNotReadyPause);
    result = Send(index, command, buffer, length);
  }
  return result;
}

bool DriveRegistry::QueryBufferCapacity(int index, std::uint32_t& bufferLength,
                                        std::uint32_t& blankLength) {
  std::array<std::uint8_t, mmc::kBufferCapacityLength> response{};
  if (Send(index, mmc::ReadBufferCapacity(), response.data(), mmc::kBufferCapacityLength) !=
      TransportResult::Good)
    return false;
  bufferLength = bytes::ReadBe32(&response[4]);
  blankLength = bytes::ReadBe32(&response[8]);
  return true;
}

std::uint32_t DriveRegistry::ReadBufferCapacity(int index, std::uint32_t* bufferLength,
                                                std::uint32_t* blankLength) {
  std::uint32_t total = 0;
  std::uint32_t blank = 0;
  if (!QueryBufferCapacity(index, total, blank)) return 0;
  if (bufferLength) *bufferLength = total;
  if (blankLength) *blankLength = blank;
  return blank;
}

}  // namespace brenmark
