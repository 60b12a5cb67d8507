#include <array>
#include <cstring>

#include "bytes/ByteOrder.h"
#include "drive/CapabilityPage.h"
#include "drive/DiscInformation.h"
#include "drive/DriveHandle.h"
#include "drive/FullToc.h"
#include "drive/MmcCommand.h"

// The MMC command set of a drive handle: one command block per operation, its
// response decoded into a plain value.
namespace brenmark {
namespace {

// Page bytes of the Write Parameters page, counted from its page code byte.
constexpr std::size_t kModeHeaderSize = 8;
constexpr std::size_t kSubheaderPageOffset = 48;

}  // namespace

DriveResult<std::string> DriveHandle::Inquiry() {
  std::array<std::uint8_t, mmc::kInquiryLength> response{};
  if (DriveStatus sent = Query(mmc::Inquiry(), response); !sent) return sent.outcome();
  // Vendor (8 characters), a space, product (16 characters), as a C text.
  std::string text(reinterpret_cast<const char*>(&response[8]), 8);
  text += ' ';
  text.append(reinterpret_cast<const char*>(&response[16]), 16);
  return text.substr(0, text.find('\0'));
}

DriveResult<std::uint32_t> DriveHandle::GetConfiguration() {
  std::array<std::uint8_t, mmc::kConfigurationLength> response{};
  if (DriveStatus sent = Query(mmc::GetConfigurationCore(), response); !sent) return sent.outcome();
  return bytes::ReadBe32(&response[12]);  // Core feature: physical interface standard
}

DriveResult<DiscSummary> DriveHandle::ReadDiscSummary() {
  std::array<std::uint8_t, mmc::kDiscInformationLength> response{};
  if (DriveStatus sent = Query(mmc::ReadDiscInformation(), response); !sent) return sent.outcome();
  return DiscSummary{discinfo::IsBlank(response.data()), discinfo::IsAppendable(response.data()),
                     discinfo::LastTrackNumber(response.data()), discinfo::CapacityFrames(response.data()),
                     discinfo::LeadInStart(response.data()), bytes::ReadBe32(&response[20])};
}

DriveResult<MediaProfiles> DriveHandle::ReadProfiles() {
  std::array<std::uint8_t, mmc::kConfigurationLength> response{};
  if (DriveStatus sent = Query(mmc::GetConfigurationProfiles(), response); !sent) return sent.outcome();
  return ParseMediaProfiles(response.data(), response.size());
}

DriveResult<DiscStatus> DriveHandle::GetDiscInfo() {
  std::array<std::uint8_t, mmc::kDiscInfoReportLength> response{};
  if (DriveStatus sent = Query(mmc::ReadDiscInformation(), response); !sent) return sent.outcome();
  return DiscStatus{discinfo::SessionCount(response.data()), discinfo::LastTrackNumber(response.data()),
                    discinfo::StatusMask(response.data())};
}

DriveResult<TrackInformation> DriveHandle::ReadTrackInformation(std::int32_t trackNumber) {
  std::array<std::uint8_t, mmc::kTrackInformationLength> response{};
  if (DriveStatus sent = Query(mmc::ReadTrackInformation(trackNumber), response); !sent) return sent.outcome();
  return TrackInformation{static_cast<std::int32_t>(bytes::ReadBe32(&response[8])),
                          static_cast<std::int32_t>(bytes::ReadBe32(&response[16])), response[3],
                          static_cast<std::int32_t>(bytes::ReadBe32(&response[24]))};
}

DriveStatus DriveHandle::ReadToc(std::span<std::uint8_t> response) {
  // The allocation length has two bytes; a longer buffer is asked for what fits.
  if (response.size() > 0xFFFF) response = response.first(0xFFFF);
  std::memset(response.data(), 0, response.size());
  return Query(mmc::ReadFullToc(static_cast<std::uint16_t>(response.size())), response);
}

DriveResult<DiscToc> DriveHandle::ReadSessions() {
  std::array<std::uint8_t, mmc::kSessionsTocLength> response{};
  if (DriveStatus sent = Query(mmc::ReadFullToc(mmc::kSessionsTocLength), response); !sent) return sent.outcome();
  return ParseFullToc(response.data(), response.size());
}

DriveResult<std::int32_t> DriveHandle::ReadCapacity() {
  std::array<std::uint8_t, mmc::kReadCapacityLength> response{};
  if (DriveStatus sent = Query(mmc::ReadCapacity(), response); !sent) return sent.outcome();
  return static_cast<std::int32_t>(bytes::ReadBe32(&response[0]));
}

DriveStatus DriveHandle::ModeSense(int pageCode, std::span<std::uint8_t> response) {
  // The allocation length has one byte.
  if (response.size() > 0xFF) response = response.first(0xFF);
  std::memset(response.data(), 0, response.size());
  return Query(mmc::ModeSense10(pageCode, static_cast<std::uint8_t>(response.size())), response);
}

DriveStatus DriveHandle::SetWriteParameters(std::span<std::uint8_t> page, const WriteMode& mode) {
  // The page is written up to the subheader's last byte, which the parameter
  // list of 60 bytes ends with; a shorter buffer cannot hold it.
  if (page.size() > 0xFF) page = page.first(0xFF);
  if (page.size() < mmc::kWriteParametersListLength) return CommandOutcome(TransportResult::TransportFailure);

  std::uint8_t* fields = page.data() + kModeHeaderSize;
  const int flags = mode.flags;
  fields[0] = 0x05;
  fields[1] = 0x32;
  fields[2] = static_cast<std::uint8_t>(((flags & 0x01) ? 0x40 : 0) | ((flags & 0x10) ? 0x20 : 0) |
                                        ((flags & 0x02) ? 0x10 : 0) | (static_cast<int>(mode.writeType) & 0xFF));
  fields[3] = static_cast<std::uint8_t>(((flags & 0x08) ? 0x10 : 0) | ((flags & 0x04) ? 0x20 : 0) |
                                        (mode.multiSessionBits & 0xFF) | (mode.trackMode & 0xFF));
  fields[4] = static_cast<std::uint8_t>(mode.dataBlockType & 0xFF);
  fields[5] = 0;  // link size
  fields[6] = 0;
  fields[7] = 0;  // host application code
  fields[8] = static_cast<std::uint8_t>(mode.sessionFormat & 0xFF);
  fields[9] = 0;
  bytes::WriteBe32(&fields[10], 32);   // packet size
  bytes::WriteBe16(&fields[14], 150);  // audio pause length
  fields[16] = 0;                      // no media catalog number
  if (mode.subheader) std::memcpy(&fields[kSubheaderPageOffset], mode.subheader->data(), 4);

  return Query(mmc::ModeSelect10(), page);
}

DriveStatus DriveHandle::SetSpeed(std::int32_t writeSpeedKBps, int rotationControl) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Query(mmc::SetCdSpeed(writeSpeedKBps, rotationControl), scratch);
}

DriveStatus DriveHandle::ReserveTrack(std::int32_t sizeInBlocks) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Query(mmc::ReserveTrack(sizeInBlocks), scratch);
}

DriveStatus DriveHandle::SendCueSheet(std::span<const std::uint8_t> sheet) {
  // The transport's buffer is not const, but a data-out command only reads it.
  std::span<std::uint8_t> data(const_cast<std::uint8_t*>(sheet.data()), sheet.size());
  return Query(mmc::SendCueSheet(static_cast<std::uint32_t>(sheet.size())), data);
}

DriveStatus DriveHandle::SynchronizeCache() {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Query(mmc::SynchronizeCache(), scratch);
}

DriveStatus DriveHandle::CloseTrack(std::int32_t trackNumber) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Query(mmc::CloseTrack(trackNumber), scratch);
}

DriveStatus DriveHandle::CloseSession() {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Query(mmc::CloseSession(), scratch);
}

DriveStatus DriveHandle::BlankDisc(bool whole) {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Query(mmc::Blank(whole), scratch);
}

DriveStatus DriveHandle::FinalizeDisc() {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Query(mmc::FinalizeDisc(), scratch);
}

DriveStatus DriveHandle::FormatUnit(std::uint8_t formatType, std::int32_t blocks) {
  std::array<std::uint8_t, mmc::kFormatListLength> list{};
  list[3] = 8;  // one descriptor
  bytes::WriteBe32(&list[4], static_cast<std::uint32_t>(blocks));
  list[8] = static_cast<std::uint8_t>(formatType << 2);
  return Query(mmc::FormatUnit(), list);
}

DriveStatus DriveHandle::EjectDisc() {
  std::array<std::uint8_t, mmc::kScratchLength> scratch{};
  return Query(mmc::StartStopEject(), scratch);
}

DriveResult<DriveCapabilities> DriveHandle::GetCapabilities(std::span<std::uint32_t> speedList) {
  constexpr int kCapabilitiesPage = 0x2A;
  std::array<std::uint8_t, capabilities::kResponseLength> response{};
  if (DriveStatus sent = ModeSense(kCapabilitiesPage, response); !sent) return sent.outcome();
  const std::uint8_t* page = response.data() + capabilities::kPageOffset;
  capabilities::WriteSpeeds(page, response.size() - capabilities::kPageOffset, speedList);
  return DriveCapabilities{capabilities::Mask(page), capabilities::LoadingMechanism(page),
                           capabilities::BufferSizeKb(page)};
}

}  // namespace brenmark
