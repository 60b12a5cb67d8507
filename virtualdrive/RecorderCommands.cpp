#include <algorithm>
#include <cctype>
#include <charconv>

#include "bytes/ByteOrder.h"
#include "virtualdrive/RecorderCall.h"

namespace brenmark::virtualdrive {

namespace {

constexpr Sense kHardwareFailure{0x04, 0x44, 0x00};

std::string Upper(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return result;
}

}  // namespace

// The command set of the recorder, in one place: what Dispatch checks and
// calls and what --fault accepts.
const VirtualRecorder::Command* VirtualRecorder::CommandOf(std::uint8_t opcode) {
  using R = VirtualRecorder;
  static const Command kCommands[] = {
      {0x00, 6, true, &R::TestUnitReady, "TESTUNITREADY", kHardwareFailure, 0, 0},
      {0x04, 6, true, &R::FormatUnit, "FORMATUNIT", kHardwareFailure, 0, 0},
      {0x12, 6, false, &R::Inquiry, "INQUIRY", kHardwareFailure, 0, 0},
      {0x1B, 6, false, &R::StartStopUnit, "STARTSTOPUNIT", kHardwareFailure, 0, 0},
      {0x1E, 6, false, &R::PreventAllowRemoval, "PREVENTALLOWMEDIUMREMOVAL", kHardwareFailure, 0, 0},
      {0x23, 10, true, &R::ReadFormatCapacities, "READFORMATCAPACITIES", kHardwareFailure, 0, 0},
      {0x25, 10, true, &R::ReadCapacity, "READCAPACITY", kHardwareFailure, 0, 0},
      {0x28, 10, true, &R::ReadData, "READ10", sense::kUnrecoveredReadError, 7, 2},
      {0x2A, 10, true, &R::Write, "WRITE10", sense::kWriteError, 7, 2},
      {0x35, 10, true, &R::SynchronizeCache, "SYNCHRONIZECACHE", kHardwareFailure, 0, 0},
      {0x42, 10, true, &R::ReadSubChannel, "READSUBCHANNEL", kHardwareFailure, 0, 0},
      {0x43, 10, true, &R::ReadToc, "READTOC READTOCPMAATIP", kHardwareFailure, 0, 0},
      {0x44, 10, true, &R::ReadHeader, "READHEADER", sense::kUnrecoveredReadError, 0, 0},
      {0x46, 10, false, &R::GetConfiguration, "GETCONFIGURATION", kHardwareFailure, 0, 0},
      {0x4A, 10, false, &R::GetEventStatus, "GETEVENTSTATUSNOTIFICATION GETEVENTSTATUS", kHardwareFailure, 0, 0},
      {0x51, 10, true, &R::ReadDiscInformation, "READDISCINFORMATION", kHardwareFailure, 0, 0},
      {0x52, 10, true, &R::ReadTrackInformation, "READTRACKINFORMATION", kHardwareFailure, 0, 0},
      {0x53, 10, true, &R::ReserveTrack, "RESERVETRACK", kHardwareFailure, 0, 0},
      {0x54, 10, true, &R::SendOpcInformation, "SENDOPCINFORMATION SENDOPC", kHardwareFailure, 0, 0},
      {0x55, 10, false, &R::ModeSelect, "MODESELECT10 MODESELECT", kHardwareFailure, 0, 0},
      {0x5A, 10, false, &R::ModeSense, "MODESENSE10 MODESENSE", kHardwareFailure, 0, 0},
      {0x5B, 10, true, &R::CloseTrackSession, "CLOSETRACKSESSION CLOSETRACK CLOSESESSION", kHardwareFailure, 0, 0},
      {0x5C, 10, false, &R::ReadBufferCapacity, "READBUFFERCAPACITY", kHardwareFailure, 0, 0},
      {0x5D, 10, true, &R::SendCueSheet, "SENDCUESHEET", kHardwareFailure, 0, 0},
      {0xA1, 12, true, &R::BlankDisc, "BLANK", kHardwareFailure, 0, 0},
      {0xA8, 12, true, &R::ReadData, "READ12", sense::kUnrecoveredReadError, 6, 4},
      {0xAA, 12, true, &R::Write, "WRITE12", sense::kWriteError, 6, 4},
      {0xAC, 12, true, &R::GetPerformance, "GETPERFORMANCE", kHardwareFailure, 0, 0},
      {0xAD, 12, true, &R::ReadDvdStructure, "READDVDSTRUCTURE", kHardwareFailure, 0, 0},
      {0xB6, 12, false, &R::SetStreaming, "SETSTREAMING", kHardwareFailure, 0, 0},
      {0xBB, 12, false, &R::SetCdSpeed, "SETCDSPEED", kHardwareFailure, 0, 0},
      {0xBE, 12, true, &R::ReadCd, "READCD", sense::kUnrecoveredReadError, 6, 3},
  };
  for (const Command& command : kCommands) {
    if (command.opcode == opcode) return &command;
  }
  return nullptr;
}

std::optional<std::uint8_t> VirtualRecorder::OpcodeNamed(std::string_view name) {
  const std::string upper = Upper(name);
  if (upper.size() > 2 && upper.compare(0, 2, "0X") == 0) {
    unsigned value = 0;
    const char* end = upper.data() + upper.size();
    const auto [ptr, ec] = std::from_chars(upper.data() + 2, end, value, 16);
    if (ec == std::errc() && ptr == end && value <= 0xFF) return static_cast<std::uint8_t>(value);
    return std::nullopt;
  }
  for (unsigned opcode = 0; opcode <= 0xFF; ++opcode) {
    const Command* command = CommandOf(static_cast<std::uint8_t>(opcode));
    if (command == nullptr) continue;
    std::string_view names = command->faultNames;
    while (!names.empty()) {
      const std::size_t space = names.find(' ');
      if (names.substr(0, space) == upper) return command->opcode;
      names = space == std::string_view::npos ? std::string_view{} : names.substr(space + 1);
    }
  }
  return std::nullopt;
}

Sense VirtualRecorder::DefaultFaultSense(std::uint8_t opcode) {
  const Command* command = CommandOf(opcode);
  return command != nullptr ? command->faultSense : kHardwareFailure;
}

VirtualRecorder::Outcome VirtualRecorder::Dispatch(Call& call) {
  if (mediaChanges_.TakeUnitAttention(call.cdb[0])) return Refuse(sense::kMediumMayHaveChanged);
  const Command* command = CommandOf(call.cdb[0]);
  if (command == nullptr) return Refuse(sense::kInvalidOpcode);
  if (call.request.cdbLength < command->cdbLength) return Refuse(sense::kInvalidFieldInCdb);
  if (command->countBytes > 0) {
    call.lba = static_cast<std::int32_t>(bytes::ReadBe32(call.cdb + 2));
    for (std::uint8_t index = 0; index < command->countBytes; ++index) {
      call.blocks = call.blocks << 8 | call.cdb[command->countAt + index];
    }
  }
  const auto faultBlocks = static_cast<std::int32_t>(std::min<std::uint32_t>(call.blocks, 0x7FFFFFFF));
  if (const auto fault = faults_.Take(command->opcode, call.lba, faultBlocks)) {
    if (fault->transportFailure) return {TransportResult::TransportFailure, std::nullopt, fault->hostStatus};
    if (!fault->corrupt) return Refuse(fault->sense);
    const bool holdsFrom = fault->fromLba && *fault->fromLba >= call.lba &&
                           static_cast<std::int64_t>(*fault->fromLba) < static_cast<std::int64_t>(call.lba) + faultBlocks;
    call.corruptBlock = holdsFrom ? *fault->fromLba : call.lba;
  }
  if (!disc_ && command->needsMedium) return Refuse(sense::kMediumNotPresent);
  return (this->*command->handler)(call);
}

}  // namespace brenmark::virtualdrive
