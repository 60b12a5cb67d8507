#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "drive/DiscToc.h"
#include "drive/ScsiTransport.h"
#include "drive/Sleeper.h"
#include "drive/UserPrompt.h"

namespace brenmark {

namespace mmc {
struct Command;
}

// One recorder. Text fields hold at most 127 characters, as the fixed 128-byte
// fields they stand for.
struct Drive {
  static constexpr std::size_t kTextLimit = 127;

  std::uint8_t haId = 0;
  std::uint8_t targetId = 0;
  std::uint8_t lun = 0;
  std::uint32_t interfaceStandard = 0;  // Core feature physical interface standard
  std::unique_ptr<ScsiTransport> deviceHandle;  // the transport that reaches the device
  bool isOpen = false;
  std::string devicePath;
  std::string displayName;
  std::uint8_t canWriteCdR = 0;
  std::uint8_t canWriteCdRw = 0;
  std::uint8_t canWriteDvdR = 0;
  std::uint8_t canTestWrite = 0;
  std::uint8_t canWriteDvdRam = 0;
  bool capabilitiesRead = false;  // the can... flags come from the drive's mode page 2Ah
  std::int32_t lastError = 0;  // 1 open failed, 2 capability page failed
  CommandOutcome lastOutcome;   // what the last command sent to the drive ended with
  std::uint32_t readRetries = 0;  // sector reads repeated after a failure, since enumeration
  // Its buffer report was waited for in vain and the write then went through:
  // the report is not waited for again until the drive is next opened.
  bool bufferReportIgnored = false;
};

// Capability mask bits read from mode page 2Ah.
namespace capability {
inline constexpr std::uint32_t kReadsCdR = 0x1;
inline constexpr std::uint32_t kReadsCdRw = 0x2;
inline constexpr std::uint32_t kReadsDvdRom = 0x4;
inline constexpr std::uint32_t kReadsDvdR = 0x8;
inline constexpr std::uint32_t kReadsDvdRam = 0x10;
inline constexpr std::uint32_t kReadsMethod2 = 0x20;
inline constexpr std::uint32_t kWritesCdR = 0x40;
inline constexpr std::uint32_t kWritesCdRw = 0x80;
inline constexpr std::uint32_t kWritesDvdR = 0x100;
inline constexpr std::uint32_t kWritesDvdRam = 0x200;
inline constexpr std::uint32_t kTestWrite = 0x400;
inline constexpr std::uint32_t kBufferUnderrunProtection = 0x800;
inline constexpr std::uint32_t kMultiSession = 0x1000;
inline constexpr std::uint32_t kMode2Form1 = 0x2000;
inline constexpr std::uint32_t kMode2Form2 = 0x4000;
inline constexpr std::uint32_t kAudioPlay = 0x8000;
inline constexpr std::uint32_t kReadsBarCode = 0x10000;
inline constexpr std::uint32_t kReadsIsrc = 0x20000;
inline constexpr std::uint32_t kReadsUpc = 0x40000;
}  // namespace capability

// What the user is told of a drive that another job or program holds.
inline constexpr char kDriveInUseText[] =
    "The selected device is busy with another job.\nPlease wait until that job has finished.";

// The process-wide drive table and every drive operation. Operations take the
// drive index first and keep the original return conventions: booleans, values
// that are 0 on failure, or codes that are 0 on success. Callers never pass -1.
class DriveRegistry {
 public:
  static constexpr int kMaxDrives = 64;

  DriveRegistry(UserPrompt& prompt, Sleeper& sleeper,
                std::vector<std::unique_ptr<DeviceProvider>> providers);
  ~DriveRegistry();
  DriveRegistry(const DriveRegistry&) = delete;
  DriveRegistry& operator=(const DriveRegistry&) = delete;

  AccessMode accessMode = AccessMode::None;
  std::int32_t driveCount = 0;
  std::int32_t currentDrive = -1;
  std::uint8_t aspiFunctions = 0;
  std::uint32_t writeSpeed = 0;  // KB/s, chosen in the speed dialog
  std::uint8_t multiSession = 0;
  std::array<std::unique_ptr<Drive>, kMaxDrives> drives;
  DiscToc discToc;

  // Fills the drive table from the providers, in their order. Runs once.
  bool EnumerateDrives();
  // True when index names a filled slot; every operation refuses other indexes.
  bool HasDrive(int index) const;
  Drive& drive(int index) { return *drives[static_cast<std::size_t>(index)]; }

  // What the last command sent to the drive ended with, sense and residual
  // included: the operations keep their return conventions, and callers that
  // need to know why one failed ask here. A transport failure for an index
  // outside the table.
  const CommandOutcome& LastOutcome(int index) const;

  // Device access. OpenDevice keeps the drive from other programs until
  // CloseDevice; when it fails, LastOutcome tells why (DeviceInUse: another
  // program holds the drive, and the user is told kDriveInUseText).
  bool OpenDevice(int index);
  bool CloseDevice(int index);
  // After a failed OpenDevice: kDriveInUseText when another program holds
  // the drive, else the caller's own text.
  const char* OpenFailureText(int index, const char* otherwise) const;

  // Enumeration queries.
  bool Inquiry(int index, std::string& modelText);
  std::uint32_t GetConfiguration(int index);

  // Disc state (READ DISC INFORMATION).
  bool IsMediaPresent(int index);
  bool IsDiscBlank(int index);
  bool IsDiscAppendable(int index);
  bool GetDiscInfo(int index, std::int32_t* sessionCount, std::int32_t* lastTrackNumber,
                   std::uint32_t* statusMask);
  std::int32_t GetLastTrackNumber(int index);
  std::int32_t GetDiscCapacity(int index);

  // Tracks and table of contents.
  std::int32_t GetTrackStartAddress(int index, std::int32_t trackNumber);
  // The free blocks of the track (READ TRACK INFORMATION); 0 on failure.
  std::int32_t GetTrackFreeBlocks(int index, std::int32_t trackNumber);
  bool ReadToc(int index, std::int32_t length, std::uint8_t* buffer);
  bool ReadSessions(int index);
  std::int32_t ReadCapacity(int index);

  // Mode pages and write set-up; 0 on success.
  int ModeSense(int index, int pageCode, int length, std::uint8_t* buffer);
  int SetWriteParameters(int index, int length, std::uint8_t* buffer, int flags, int writeType,
                         int sessionFormat, int dataBlockType, int multiSessionBits,
                         int trackMode, const std::uint8_t* subheader);
  int SetSpeed(int index, std::int32_t writeSpeedKBps, int rotationControl);
  int ReserveTrack(int index, std::int32_t sizeInBlocks);
  bool SynchronizeCache(int index);
  int CloseTrack(int index, std::int32_t trackNumber);
  int CloseSession(int index);
  // True when the drive carried out the eject.
  bool EjectDisc(int index);

  // Mode page 2Ah. Absent (null or empty) outputs are neither computed nor
  // written. The speed list takes what fits in the span, terminator included.
  bool GetCapabilities(int index, std::uint32_t* mask, std::uint8_t* loadingMechanism,
                       std::uint32_t* bufferSize, std::span<std::uint32_t> speedList);

  // Sector transfers with silent retries and a Yes/No prompt; 0 done, 2 given up.
  int ReadSectors(int index, std::int32_t lba, int blockCount, std::uint8_t* buffer,
                  int blockSize, std::uint8_t mainChannelSelection);
  // The 2048 bytes of user data of data blocks (READ(12), which DVDs answer
  // too), with the same retries and question.
  int ReadUserData(int index, std::int32_t lba, int blockCount, std::uint8_t* buffer);
  int WriteSectors(int index, std::int32_t lba, int blockCount, int blockSize,
                   const std::uint8_t* buffer);
  int WriteSectors12(int index, std::int32_t lba, int blockCount, int blockSize,
                     const std::uint8_t* buffer);
  // The free room of the drive's buffer in bytes, 0 on failure.
  std::uint32_t ReadBufferCapacity(int index, std::uint32_t* bufferLength,
                                   std::uint32_t* blankLength);

 private:
  // Sends one command to the drive in slot index and keeps its outcome as the
  // drive's last. A missing drive or a device that is not open is a transport
  // failure; nothing is sent then.
  TransportResult Send(int index, const mmc::Command& command, std::uint8_t* buffer,
                       std::uint32_t length);
  // Sends a read with the silent retries and the Yes/No question; 0 done, 2 given up.
  int ReadWithRetry(int index, const mmc::Command& command, std::int32_t lba, std::uint8_t* buffer,
                    std::uint32_t length);
  // One READ BUFFER CAPACITY; false when the command failed.
  bool QueryBufferCapacity(int index, std::uint32_t& bufferLength, std::uint32_t& blankLength);
  // Polls every 200 ms while the drive answers with less free room than
  // needed, for at most 30 s in a row without room. False when that time ran out.
  bool WaitForBufferRoom(int index, std::uint32_t neededBytes);
  // Sends a transfer; while the drive answers that it is becoming ready or
  // busy with a long write, waits and sends it again (bounded), so that such
  // answers are not counted as failed tries.
  TransportResult SendWhenReady(int index, const mmc::Command& command, std::uint8_t* buffer,
                                std::uint32_t length);
  // After a failed transfer: whether repeating it unasked can help. Not when
  // the drive refused the command (ILLEGAL REQUEST), nor after a write error
  // on write-once media, whose blocks the attempt has spent; the drive's
  // answer to the transfer stays its last outcome.
  bool WorthRetryingUnasked(int index, bool writing);
  int WriteWithRetry(int index, std::int32_t lba, int blockCount, int blockSize,
                     const std::uint8_t* buffer, bool streamingWrite);
  void AddEnumeratedDevice(DeviceCandidate candidate, AccessMode mode);

  UserPrompt& prompt_;
  Sleeper& sleeper_;
  std::vector<std::unique_ptr<DeviceProvider>> providers_;
  std::optional<bool> enumerated_;  // EnumerateDrives' result once it has run
};

}  // namespace brenmark
