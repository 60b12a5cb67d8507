#pragma once

#include <array>
#include <cstdint>

#include "drive/ScsiTransport.h"

namespace brenmark::mmc {

// One command block with the direction and time-out it is always sent with.
// Bytes not set by a builder stay 0.
struct Command {
  std::array<std::uint8_t, 12> cdb{};
  std::uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::None;
  std::uint32_t timeoutSeconds = 10;
};

// Transfer lengths of the commands that use a fixed buffer of their own.
inline constexpr std::uint32_t kScratchLength = 32;
inline constexpr std::uint32_t kInquiryLength = 100;
inline constexpr std::uint32_t kConfigurationLength = 100;
inline constexpr std::uint32_t kDiscInformationLength = 32;
inline constexpr std::uint32_t kDiscInfoReportLength = 256;
inline constexpr std::uint32_t kTrackInformationLength = 28;
inline constexpr std::uint32_t kReadCapacityLength = 32;
inline constexpr std::uint32_t kBufferCapacityLength = 36;
inline constexpr std::uint32_t kSessionsTocLength = 1200;
inline constexpr std::uint8_t kWriteParametersListLength = 60;

Command StartStopEject();
Command Inquiry();
Command GetConfigurationCore();
// GET CONFIGURATION of the Profile List alone.
Command GetConfigurationProfiles();
Command ReadDiscInformation();
Command ReadTrackInformation(std::int32_t trackNumber);
Command ReadFullToc(std::uint16_t allocationLength);
Command ReadCapacity();
Command ModeSense10(int pageCode, std::uint8_t allocationLength);
Command ModeSelect10();
Command SetCdSpeed(std::int32_t writeSpeedKBps, int rotationControl);
Command ReserveTrack(std::int32_t sizeInBlocks);
Command SynchronizeCache();
Command CloseTrack(std::int32_t trackNumber);
Command CloseSession();
// BLANK of the whole disc or of its minimal parts.
Command Blank(bool whole);
// CLOSE TRACK/SESSION function 6: a DVD+R finalized, taking no more sessions.
Command FinalizeDisc();
// FORMAT UNIT with a parameter list of one format descriptor (12 bytes).
Command FormatUnit();
inline constexpr std::uint32_t kFormatListLength = 12;
Command ReadCd(std::int32_t lba, std::uint8_t blockCount, std::uint8_t mainChannelSelection);
// The 2048-byte user data of data blocks, on any medium.
Command Read12(std::int32_t lba, std::uint8_t blockCount);
Command Write10(std::int32_t lba, std::uint8_t blockCount);
Command Write12(std::int32_t lba, std::uint8_t blockCount);
Command ReadBufferCapacity();
// SEND CUE SHEET with a cue sheet of `length` bytes (session at once on CD).
Command SendCueSheet(std::uint32_t length);

}  // namespace brenmark::mmc
