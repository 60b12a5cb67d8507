#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drive/DriveHandle.h"
#include "drive/DriveResult.h"
#include "drive/ScsiTransport.h"
#include "drive/Sleeper.h"
#include "drive/UserPrompt.h"

// The table of drives. Enumeration asks each provider in turn (the system's
// drives first, then the virtual recorders) for its devices, at most 64 in
// all; each one is opened shared (another program holding it does not hide
// it) and sent INQUIRY, GET CONFIGURATION and MODE SENSE of page 2Ah for its
// model text, interface and write capabilities, then closed. A host-adapter
// device that does not answer INQUIRY is left out; the others are named by
// their short name and model. Afterwards a drive is used only through the
// DriveHandle that Open gives.
namespace brenmark {

// One recorder, as enumeration found it. Text fields hold at most 127
// characters, as the fixed 128-byte fields they stand for. Fixed once the
// table is filled: what changes while a drive is used lives in its handle.
struct Drive {
  static constexpr std::size_t kTextLimit = 127;

  std::uint8_t haId = 0;
  std::uint8_t targetId = 0;
  std::uint8_t lun = 0;
  std::uint32_t interfaceStandard = 0;  // Core feature physical interface standard
  std::string devicePath;
  std::string displayName;
  std::uint8_t canWriteCdR = 0;
  std::uint8_t canWriteCdRw = 0;
  std::uint8_t canWriteDvdR = 0;
  std::uint8_t canTestWrite = 0;
  std::uint8_t canWriteDvdRam = 0;
  bool capabilitiesRead = false;  // the can... flags come from the drive's mode page 2Ah
  std::int32_t lastError = 0;  // enumeration: 1 the device could not be opened, 2 capability page failed
};

// A slot of the table: the record, the transport that reaches the device, and
// whether a handle has it open in this process.
struct DriveSlot {
  Drive record;
  std::unique_ptr<ScsiTransport> transport;
  std::atomic<bool> open{false};
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

// The process-wide table of drives, filled once by enumeration, and the
// drive the user works with. A drive is used through the handle Open gives.
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

  // Fills the drive table from the providers, in their order. Runs once.
  bool EnumerateDrives();
  // True when index names a filled slot; Open refuses other indexes.
  bool HasDrive(int index) const;
  const Drive& drive(int index) const { return slots_[static_cast<std::size_t>(index)]->record; }

  // Opens the drive for use and keeps it from other programs until the handle
  // goes away. The failure tells why: DeviceInUse when another program (or
  // another handle of this process) holds the drive, and the user is then
  // told kDriveInUseText.
  DriveResult<DriveHandle> Open(int index);
  // Whether a handle of this process has the drive open.
  bool IsOpen(int index) const;

 private:
  void AddEnumeratedDevice(DeviceCandidate candidate, AccessMode mode);

  UserPrompt& prompt_;
  Sleeper& sleeper_;
  std::vector<std::unique_ptr<DeviceProvider>> providers_;
  std::array<std::unique_ptr<DriveSlot>, kMaxDrives> slots_;
  std::optional<bool> enumerated_;  // EnumerateDrives' result once it has run
};

}  // namespace brenmark
