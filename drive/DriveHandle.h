#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "drive/DiscToc.h"
#include "drive/DriveResult.h"
#include "drive/MediaProfile.h"
#include "drive/ScsiTransport.h"
#include "drive/Sleeper.h"
#include "drive/UserPrompt.h"
#include "drive/WriteMode.h"

// One opened drive and the MMC command set spoken to it. A handle comes from
// DriveRegistry::Open and closes the device when it goes away; every
// operation sends its command block(s) to that device and answers with a
// DriveResult: the decoded value, or the drive's or transport's answer.
namespace brenmark {

namespace mmc {
struct Command;
}
struct Drive;
struct DriveSlot;

// The READ DISC INFORMATION readings the jobs decide on.
struct DiscSummary {
  bool blank = false;
  bool appendable = false;
  std::int32_t lastTrackNumber = 0;
  std::int32_t capacityFrames = 0;  // last possible lead-out start, the 150-frame offset included
  std::int32_t leadInStart = 0;     // address of the last session's lead-in (negative on a blank CD)
  // Bytes 20-23 as the drive sent them: 00 MM SS FF on CD, a block address on
  // DVD, FFFFFFFFh for a disc that takes no more data.
  std::uint32_t lastLeadOutField = 0;
};

// The disc information as the disc report shows it.
struct DiscStatus {
  std::int32_t sessionCount = 0;
  std::int32_t lastTrackNumber = 0;
  std::uint32_t statusMask = 0;  // one bit from each group: status, erasable, last session, type
};

// READ TRACK INFORMATION of one track.
struct TrackInformation {
  std::int32_t startAddress = 0;
  std::int32_t freeBlocks = 0;
  std::int32_t sessionNumber = 0;
  std::int32_t trackSize = 0;
};

// Mode page 2Ah.
struct DriveCapabilities {
  std::uint32_t mask = 0;  // capability:: bits
  std::uint8_t loadingMechanism = 1;
  std::uint32_t bufferSizeKb = 0;
};

class DriveHandle {
 public:
  DriveHandle(DriveHandle&& other) noexcept;
  DriveHandle& operator=(DriveHandle&& other) noexcept;
  DriveHandle(const DriveHandle&) = delete;
  DriveHandle& operator=(const DriveHandle&) = delete;
  ~DriveHandle();

  // The drive's record in the table: names, address, capabilities.
  const Drive& drive() const;
  int index() const { return index_; }
  // Sector reads repeated after a failure since the handle was opened.
  std::uint32_t readRetries() const { return readRetries_; }
  // Closes the device; every later operation is a transport failure.
  void Close();

  DriveResult<std::string> Inquiry();  // vendor, a space, product
  DriveResult<std::uint32_t> GetConfiguration();  // the Core feature's physical interface standard
  DriveResult<MediaProfiles> ReadProfiles();

  // READ DISC INFORMATION: the short reading the jobs use, and the longer one
  // of the disc report.
  DriveResult<DiscSummary> ReadDiscSummary();
  DriveResult<DiscStatus> GetDiscInfo();
  DriveResult<TrackInformation> ReadTrackInformation(std::int32_t trackNumber);
  // The full table of contents into `response` (cleared first).
  DriveStatus ReadToc(std::span<std::uint8_t> response);
  // The sessions and tracks of the full table of contents.
  DriveResult<DiscToc> ReadSessions();
  // READ CAPACITY: the last block's address, not a count.
  DriveResult<std::int32_t> ReadCapacity();

  // MODE SENSE(10) of one page into `response` (cleared first; at most 255 bytes asked).
  DriveStatus ModeSense(int pageCode, std::span<std::uint8_t> response);
  // Writes `mode` into the Write Parameters page read into `page` (mode
  // header included, at least the 60 bytes up to the subheader) and sends it
  // back with MODE SELECT.
  DriveStatus SetWriteParameters(std::span<std::uint8_t> page, const WriteMode& mode);
  DriveStatus SetSpeed(std::int32_t writeSpeedKBps, int rotationControl);
  DriveStatus ReserveTrack(std::int32_t sizeInBlocks);
  // SEND CUE SHEET: the layout of the session at once about to be written.
  DriveStatus SendCueSheet(std::span<const std::uint8_t> sheet);
  DriveStatus SynchronizeCache();
  DriveStatus CloseTrack(std::int32_t trackNumber);
  DriveStatus CloseSession();
  DriveStatus FinalizeDisc();
  // BLANK of a rewritable disc: whole, or only what makes it blank (fast).
  DriveStatus BlankDisc(bool whole);
  // FORMAT UNIT of the whole medium with format type `formatType` (26h DVD+RW,
  // 15h DVD-RW quick), waiting until it is done.
  DriveStatus FormatUnit(std::uint8_t formatType, std::int32_t blocks);
  DriveStatus EjectDisc();
  // Mode page 2Ah; the write speeds in KB/s go into `speedList` followed by
  // a 0, as many as fit.
  DriveResult<DriveCapabilities> GetCapabilities(std::span<std::uint32_t> speedList = {});

  // Sector transfers, with two silent retries one second apart and then the
  // user's Yes/No question; a failure is given up, with the last answer.
  DriveStatus ReadSectors(std::int32_t lba, int blockCount, std::uint8_t* buffer, int blockSize,
                          std::uint8_t mainChannelSelection);
  // The 2048 bytes of user data of data blocks (READ(12), which DVDs answer too).
  DriveStatus ReadUserData(std::int32_t lba, int blockCount, std::uint8_t* buffer);
  // WRITE(10), or WRITE(12) for the streaming writes of DVDs; each waits for
  // room in the drive's buffer first.
  DriveStatus WriteSectors(std::int32_t lba, int blockCount, int blockSize, const std::uint8_t* buffer);
  DriveStatus WriteSectors12(std::int32_t lba, int blockCount, int blockSize, const std::uint8_t* buffer);

 private:
  friend class DriveRegistry;
  DriveHandle(DriveSlot& slot, int index, UserPrompt& prompt, Sleeper& sleeper);

  // Sends one command; a closed handle sends nothing and fails.
  CommandOutcome Send(const mmc::Command& command, std::uint8_t* buffer, std::uint32_t length);
  // Sends a command whose data-in response fills `response`; the outcome's
  // failure, or Done.
  DriveStatus Query(const mmc::Command& command, std::span<std::uint8_t> response);
  DriveStatus ReadWithRetry(const mmc::Command& command, std::int32_t lba, std::uint8_t* buffer, std::uint32_t length);
  DriveStatus WriteWithRetry(std::int32_t lba, int blockCount, int blockSize, const std::uint8_t* buffer,
                             bool streamingWrite);
  // While the drive answers that it is becoming ready or busy with a long
  // write, waits and sends again (bounded), so that such answers are not
  // counted as failed tries.
  CommandOutcome SendWhenReady(const mmc::Command& command, std::uint8_t* buffer, std::uint32_t length);
  // After a failed transfer: whether repeating it unasked can help. Not when
  // the drive refused the command (ILLEGAL REQUEST), nor after a write error
  // on write-once media, whose blocks the attempt has spent.
  bool WorthRetryingUnasked(const CommandOutcome& failed, bool writing);
  // Polls every 200 ms while the drive reports less free room than needed,
  // for at most 30 s in a row without room. False when that time ran out.
  bool WaitForBufferRoom(std::uint32_t neededBytes);

  DriveSlot* slot_;  // null once closed
  const Drive* record_;
  int index_;
  UserPrompt* prompt_;
  Sleeper* sleeper_;
  std::uint32_t readRetries_ = 0;
  // Its buffer report was waited for in vain and the write then went through:
  // the report is not waited for again while this handle is open.
  bool bufferReportIgnored_ = false;
};

// After a failed open: kDriveInUseText when another program holds the
// drive, else the caller's own text.
const char* OpenFailureText(const CommandOutcome& openFailure, const char* otherwise);

}  // namespace brenmark
