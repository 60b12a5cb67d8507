#include "drive/MmcCommand.h"

#include "bytes/ByteOrder.h"

namespace brenmark::mmc {
namespace {

Command Make(std::uint8_t opcode, std::uint8_t cdbLength, DataDirection direction,
             std::uint32_t timeoutSeconds = 10) {
  Command command;
  command.cdb[0] = opcode;
  command.cdbLength = cdbLength;
  command.direction = direction;
  command.timeoutSeconds = timeoutSeconds;
  return command;
}

std::uint8_t LowByte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

}  // namespace

Command StartStopEject() {
  Command command = Make(0x1B, 6, DataDirection::In);
  command.cdb[4] = 0x02;  // LoEj 1, Start 0
  return command;
}

Command Inquiry() {
  Command command = Make(0x12, 6, DataDirection::In);
  command.cdb[4] = static_cast<std::uint8_t>(kInquiryLength);
  return command;
}

Command GetConfigurationCore() {
  Command command = Make(0x46, 10, DataDirection::In);
  bytes::WriteBe16(&command.cdb[2], 0x0001);  // starting feature: Core
  bytes::WriteBe16(&command.cdb[7], kConfigurationLength);
  return command;
}

Command GetConfigurationProfiles() {
  Command command = Make(0x46, 10, DataDirection::In);
  command.cdb[1] = 0x02;  // the one feature named: 0000h
  bytes::WriteBe16(&command.cdb[7], kConfigurationLength);
  return command;
}

Command ReadDiscInformation() {
  Command command = Make(0x51, 10, DataDirection::In);
  bytes::WriteBe16(&command.cdb[7], kDiscInformationLength);
  return command;
}

Command ReadTrackInformation(std::int32_t trackNumber) {
  Command command = Make(0x52, 10, DataDirection::In);
  command.cdb[1] = 0x01;  // address is a track number
  command.cdb[5] = LowByte(trackNumber);
  bytes::WriteBe16(&command.cdb[7], kTrackInformationLength);
  return command;
}

Command ReadFullToc(std::uint16_t allocationLength) {
  Command command = Make(0x43, 10, DataDirection::In, 20);
  command.cdb[1] = 0x02;  // MSF
  command.cdb[2] = 0x02;  // full TOC
  bytes::WriteBe16(&command.cdb[7], allocationLength);
  return command;
}

Command ReadCapacity() { return Make(0x25, 10, DataDirection::In); }

Command ModeSense10(int pageCode, std::uint8_t allocationLength) {
  Command command = Make(0x5A, 10, DataDirection::In);
  command.cdb[2] = static_cast<std::uint8_t>(pageCode & 0x3F);  // current values
  command.cdb[8] = allocationLength;
  return command;
}

Command ModeSelect10() {
  Command command = Make(0x55, 10, DataDirection::Out);
  command.cdb[1] = 0x10;  // PF
  bytes::WriteBe16(&command.cdb[7], kWriteParametersListLength);
  return command;
}

Command SetCdSpeed(std::int32_t writeSpeedKBps, int rotationControl) {
  Command command = Make(0xBB, 12, DataDirection::None, 600);
  command.cdb[1] = LowByte(rotationControl);
  bytes::WriteBe16(&command.cdb[2], 0xFFFF);  // read speed: maximum
  bytes::WriteBe16(&command.cdb[4], static_cast<std::uint32_t>(writeSpeedKBps) & 0xFFFF);
  return command;
}

Command ReserveTrack(std::int32_t sizeInBlocks) {
  Command command = Make(0x53, 10, DataDirection::In);
  bytes::WriteBe32(&command.cdb[5], static_cast<std::uint32_t>(sizeInBlocks));
  return command;
}

Command SynchronizeCache() { return Make(0x35, 10, DataDirection::None, 6000); }

Command CloseTrack(std::int32_t trackNumber) {
  Command command = Make(0x5B, 10, DataDirection::None, 60);
  command.cdb[2] = 0x01;
  command.cdb[5] = LowByte(trackNumber);
  return command;
}

Command CloseSession() {
  Command command = Make(0x5B, 10, DataDirection::None, 600);
  command.cdb[2] = 0x02;
  return command;
}

Command Blank(bool whole) {
  Command command = Make(0xA1, 12, DataDirection::None, 6000);
  command.cdb[1] = whole ? 0x00 : 0x01;
  return command;
}

Command FinalizeDisc() {
  Command command = Make(0x5B, 10, DataDirection::None, 600);
  command.cdb[2] = 0x06;
  return command;
}

Command FormatUnit() {
  Command command = Make(0x04, 6, DataDirection::Out, 6000);
  command.cdb[1] = 0x11;  // format data follows, format code 1
  return command;
}

Command ReadCd(std::int32_t lba, std::uint8_t blockCount, std::uint8_t mainChannelSelection) {
  Command command = Make(0xBE, 12, DataDirection::In);
  bytes::WriteBe32(&command.cdb[2], static_cast<std::uint32_t>(lba));
  command.cdb[8] = blockCount;
  command.cdb[9] = mainChannelSelection;
  return command;
}

Command Read12(std::int32_t lba, std::uint8_t blockCount) {
  Command command = Make(0xA8, 12, DataDirection::In);
  bytes::WriteBe32(&command.cdb[2], static_cast<std::uint32_t>(lba));
  command.cdb[9] = blockCount;
  return command;
}

Command Write10(std::int32_t lba, std::uint8_t blockCount) {
  Command command = Make(0x2A, 10, DataDirection::Out);
  bytes::WriteBe32(&command.cdb[2], static_cast<std::uint32_t>(lba));
  command.cdb[8] = blockCount;
  return command;
}

Command Write12(std::int32_t lba, std::uint8_t blockCount) {
  Command command = Make(0xAA, 12, DataDirection::Out);
  bytes::WriteBe32(&command.cdb[2], static_cast<std::uint32_t>(lba));
  command.cdb[9] = blockCount;
  command.cdb[10] = 0x80;  // Streaming
  return command;
}

Command ReadBufferCapacity() {
  Command command = Make(0x5C, 10, DataDirection::In);
  bytes::WriteBe16(&command.cdb[7], 12);
  return command;
}

Command SendCueSheet(std::uint32_t length) {
  Command command = Make(0x5D, 10, DataDirection::Out, 60);
  command.cdb[6] = static_cast<std::uint8_t>((length >> 16) & 0xFF);
  command.cdb[7] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
  command.cdb[8] = static_cast<std::uint8_t>(length & 0xFF);
  return command;
}

}  // namespace brenmark::mmc
