#include <array>
#include <cstring>

#include "bytes/ByteOrder.h"
#include "drive/DiscInformation.h"
#include "drive/DriveRegistry.h"
#include "drive/FullToc.h"
#include "drive/MmcCommand.h"

// The MMC command set of the registry: one command block per operation, its
// response decoded into a plain value.
namespace brenmark {
namespace {

// Failure codes for a request that cannot be made (bad index or arguments)
// are the operation's transport-failure codes.
constexpr int kModeSenseTransportFailure = 3, kModeSenseDeviceFailure = 4;
constexpr int kWriteParametersTransportFailure = 3, kWriteParametersDeviceFailure = 5;
constexpr int kSpeedTransportFailure = 1, kSpeedDeviceFailure = 2;
constexpr int kReserveTransportFailure = 3, kReserveDeviceFailure = 4;
constexpr int kCloseTransportFailure = 1, kCloseDeviceFailure = 2;

// Page bytes of the Write Parameters page, counted from its page code byte.
constexpr std::size_t kModeHeaderSize = 8;
constexpr std::size_t kSubheaderPageOffset = 48;

}  // namespace

bool DriveRegistry::Inquiry(int index, std::string& modelText) {
  modelText.clear();
  std::array<std::uint8_t, mmc::kInquiryLength> response{};
  if (Send(index, mmc::Inquiry(), response.data(), mmc::kInquiryLength) != TransportResult::Good)
    return false;
  // Vendor (8 characters), a space, product (16 characters), as a C text.
  std::string text(reinterpret_cast<const char*>(&response[8]), 8);
  text += ' ';
  text.append(reinterpret_cast<const char*>(&response[16]), 16);
  modelText = text.substr(0, text.find('\0'));
  return true;
}

std::uint32_t DriveRegistry::GetConfiguration(int index) {
  std::array<std::uint8_t, mmc::kConfigurationLength> response{};
  if (Send(index, mmc::GetConfigurationCore(), response.data(), mmc::kConfigurationLength) !=
      TransportResult::Good)
    return 0;
  return bytes::ReadBe32(&response[12]);  // Core feature: physical interface standard
}

bool DriveRegistry::IsMediaPresent(int index) {
  std::array<std::uint8_t, mmc::kDiscInformationLength> response{};
  return Send(index, mmc::ReadDiscInformation(), response.data(), mmc::kDiscInformationLength) ==
         TransportResult::Good;
}

bool DriveRegistry::IsDiscBlank(int index) {
  std::array<std::uint8_t, mmc::kDiscInformationLength> response{};
  return Send(index, mmc::ReadDiscInformation(), response.data(), mmc::kDiscInformationLength) ==
             TransportResult::Good &&
         discinfo::IsBlank(response.data());
}

bool DriveRegistry::IsDiscAppendable(int index) {
  std::array<std::uint8_t, mmc::kDiscInformationLength> response{};
  return Send(index, mmc::ReadDiscInformation(), response.data(), mmc::kDiscInformationLength) ==
             TransportResult::Good &&
         discinfo::IsAppendable(response.data());
}

bool DriveRegistry::GetDiscInfo(int index, std::int32_t* sessionCount,
                                std::int32_t* lastTrackNumber, std::uint32_t* statusMask) {
  if (sessionCount) *sessionCount = 0;
  if (lastTrackNumber) *lastTrackNumber = 0;
  if (statusMask) *statusMask = 0;
  std::array<std::uint8_t, mmc::kDiscInfoReportLength> response{};
  if (Send(index, mmc::ReadDiscInformation(), response.data(), mmc::kDiscInfoReportLength) !=
      TransportResult::Good)
    return false;
  if (sessionCount) *sessionCount = discinfo::SessionCount(response.data());
  if (lastTrackNumber) *lastTrackNumber = discinfo::LastTrackNumber(response.data());
  if (statusMask) *statusMask = discinfo::StatusMask(response.data());
  return true;
}

std::int32_t DriveRegistry::GetLastTrackNumber(int index) {
  std::array<std::uint8_t, mmc::kDiscInformationLength> response{};
  if (Send(index, mmc::ReadDiscInformation(), response.data(), mmc::kDiscInformationLength) !=
      TransportResult::Good)
    return 0;
  return discinfo::LastTrackNumber(response.data());
}

std::int32_t DriveRegistry::GetDiscCapacity(int index) {
  std::array<std::uint8_t, mmc::kDiscInformationLength> response{};
  if (Send(index, mmc::ReadDiscInformation(), response.data(), mmc::kDiscInformationLength) !=
      TransportResult::Good)
    return 0;
  return discinfo::CapacityFrames(response.data());
}

std::int32_t DriveRegistry::GetTrackStartAddress(int index, std::int32_t trackNumber) {
  std::array<std::uint8_t, mmc::kTrackInformationLength> response{};
  if (Send(index, mmc::ReadTrackInformation(trackNumber), response.data(),
           mmc::kTrackInformationLength) != TransportResult::Good)
    return 0;
  return static_cast<std::int32_t>(bytes::ReadBe32(&response[8]));
}

std::int32_t DriveRegistry::GetTrackFreeBlocks(int index, std::int32_t trackNumber) {
  std::array<std::uint8_t, mmc::kTrackInformationLength> response{};
  if (Send(index, mmc::ReadTrackInformation(trackNumber), response.data(),
           mmc::kTrackInformationLength) != TransportResult::Good)
    return 0;
  return static_cast<std::int32_t>(bytes::ReadBe32(&response[16]));
}

bool DriveRegistry::ReadToc(int index, std::int32_t length, std::uint8_t* buffer) {
  if (!HasDrive(index) || length < 0 || (buffer == nullptr && length > 0)) return false;
  const auto transferLength = static_cast<std::uint32_t>(length);
  if (transferLength > 0) std::memset(buffer, 0, transferLength);
  return Send(index, mmc::ReadFullToc(static_cast<std::uint16_t>(transferLength)), buffer,
              transferLength) == TransportResult::Good;
}

bool DriveRegistry::ReadSessions(int index) {
  std::array<std::uint8_t, mmc::kSessionsTocLength> response{};
  if (Send(index, mmc::ReadFullToc(mmc::kSessionsTocLength), response.data(),
           mmc::kSessionsTocLength) != TransportResult::Good)
    return false;
  discToc = ParseFullToc(response.data(), response.size());
  return true;
}

std::int32_t DriveRegistry::ReadCapacity(int index) {
  std::array<std::uint8_t, mmc::kReadCapacityLength> response{};
  if (Send(index, mmc::ReadCapacity(), response.data(), mmc::kReadCapacityLength) !=
      TransportResult::Good)
    return 0;
  return static_cast<std::int32_t>(bytes::ReadBe32(&response[0]));  // last block, not a count
}

int DriveRegistry::ModeSense(int index, int pageCode, int length, std::uint8_t* buffer) {
  const auto allocationLength = static_cast<std::uint8_t>(length & 0xFF);
  if (!HasDrive(index) || (buffer == nullptr && allocationLength > 0))
    return kModeSenseTransportFailure;
  if (allocationLength > 0) std::memset(buffer, 0, allocationLength);
  return mmc::ResultCode(
      Send(index, mmc::ModeSense10(pageCode, allocationLength), buffer, allocationLength),
      kModeSenseTransportFailure, kModeSenseDeviceFailure);
}

int DriveRegistry::SetWriteParameters(int index, int length, std::uint8_t* buffer, int flags,
                                      int writeType, int sessionFormat, int dataBlockType,
                                      int multiSessionBits, int trackMode,
                                      const std::uint8_t* subheader) {
  const auto transferLength = static_cast<std::uint8_t>(length & 0xFF);
  // The page is written up to the subheader's last byte, which the parameter
  // list of 60 bytes ends with; a shorter buffer cannot hold it.
  if (!HasDrive(index) || buffer == nullptr || transferLength < mmc::kWriteParametersListLength)
    return kWriteParametersTransportFailure;

  std::uint8_t* page = buffer + kModeHeaderSize;
  page[0] = 0x05;
  page[1] = 0x32;
  page[2] = static_cast<std::uint8_t>(((flags & 0x01) ? 0x40 : 0) | ((flags & 0x10) ? 0x20 : 0) |
                                      ((flags & 0x02) ? 0x10 : 0) | (writeType & 0xFF));
  page[3] = static_cast<std::uint8_t>(((flags & 0x08) ? 0x10 : 0) | ((flags & 0x04) ? 0x20 : 0) |
                                      (multiSessionBits & 0xFF) | (trackMode & 0xFF));
  page[4] = static_cast<std::uint8_t>(dataBlockType & 0xFF);
  page[5] = 0;  // link size
  page[6] = 0;
  page[7] = 0;  // host application code
  page[8] = static_cast<std::uint8_t>(sessionFormat & 0xFF);
  page[9] = 0;
  bytes::WriteBe32(&page[10], 32);   // packet size
  bytes::WriteBe16(&page[14], 150);  // audio pause length
  page[16] = 0;                      // no media catalog number
  if (subheader != nullptr) std::memcpy(&page[kSubheaderPageOffset], subheader, 4);

  return mmc::ResultCode(Send(index, mmc::ModeSelect10(), buffer, transferLength),
                         kWriteParametersTransportFailure, kWriteParametersDeviceFailure);
}

int DriveRegistry::SetSpeed(int index, std::int32_t writeSpeedKBps, int rotationControl) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return mmc::ResultCode(Send(index, mmc::SetCdSpeed(writeSpeedKBps, rotationControl),
                              scratch.data(), mmc::kScratchLength),
                         kSpeedTransportFailure, kSpeedDeviceFailure);
}

int DriveRegistry::ReserveTrack(int index, std::int32_t sizeInBlocks) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return mmc::ResultCode(
      Send(index, mmc::ReserveTrack(sizeInBlocks), scratch.data(), mmc::kScratchLength),
      kReserveTransportFailure, kReserveDeviceFailure);
}

bool DriveRegistry::SynchronizeCache(int index) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Send(index, mmc::SynchronizeCache(), scratch.data(), mmc::kScratchLength) ==
         TransportResult::Good;
}

int DriveRegistry::CloseTrack(int index, std::int32_t trackNumber) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return mmc::ResultCode(
      Send(index, mmc::CloseTrack(trackNumber), scratch.data(), mmc::kScratchLength),
      kCloseTransportFailure, kCloseDeviceFailure);
}

int DriveRegistry::CloseSession(int index) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return mmc::ResultCode(Send(index, mmc::CloseSession(), scratch.data(), mmc::kScratchLength),
                         kCloseTransportFailure, kCloseDeviceFailure);
}

bool DriveRegistry::EjectDisc(int index) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Send(index, mmc::StartStopEject(), scratch.data(), mmc::kScratchLength) == TransportResult::Good;
}

}  // namespace brenmark
