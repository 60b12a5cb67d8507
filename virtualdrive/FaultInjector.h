#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "virtualdrive/Sense.h"

namespace brenmark::virtualdrive {

// One armed fault. A command fault makes matching commands end with CHECK
// CONDITION (or a transport failure) instead of running; a buffer-full fault
// makes READ BUFFER CAPACITY report no free space; a read offset makes READ CD
// of audio give the samples a number of samples later (or earlier), as most
// real drives do.
struct FaultSpec {
  enum class Kind : std::uint8_t { FailCommand, BufferFull, ReadOffset };

  Kind kind = Kind::FailCommand;
  std::uint8_t opcode = 0;
  // Commands to fail, or READ BUFFER CAPACITY answers to report full;
  // nullopt: without end.
  std::optional<std::uint32_t> count = 1;
  // Only transfers whose blocks reach this address or beyond.
  std::optional<std::int32_t> fromLba;
  // Matching commands let through before the fault strikes.
  std::uint32_t passFirst = 0;
  Sense sense{0x03, 0x0C, 0x00};
  bool transportFailure = false;
  // With a transport failure: the host adapter status a pass-through reports
  // (01h no connection, 03h time-out, ...); 0 when the call itself fails.
  std::uint8_t hostStatus = 0;
  // A write that answers GOOD but stores one block with a byte flipped: the
  // block at fromLba when the transfer holds it, else the transfer's first.
  bool corrupt = false;
  // With a read offset: samples of 4 bytes, later when positive.
  std::int32_t readOffset = 0;
};

// The largest read offset, either way, a fault may give: an hour of samples.
inline constexpr std::int32_t kMostReadOffsetSamples = 3600 * 44100;

struct FaultParseResult {
  std::optional<FaultSpec> spec;
  std::string error;
};

// Parses the text form of a fault, fields separated by ':'.
//
//   COMMAND[:once|:always|:count=N][:after=N][:from=LBA][:sense=K/ASC/ASCQ][:transport][:host=HH][:corrupt]
//   bufferfull:N | bufferfull:always
//   readoffset=N
//
// COMMAND is a command name without spaces or punctuation (INQUIRY, WRITE10,
// WRITE12, READCD, READBUFFERCAPACITY, MODESELECT10, CLOSETRACKSESSION,
// SYNCHRONIZECACHE, ...) or an opcode in hex (0x2A). Names are case-blind.
// A command fault fails once unless told otherwise (once, always and count=
// exclude each other); with from= (a block address, 0 or more) it fails every
// transfer reaching that block unless a count is given; with after=N the first
// N matching commands run as usual. The sense is hex: key,
// ASC and ASCQ; by default a write error (3/0C/00) for writes, an unrecovered
// read error (3/11/00) for READ CD and a hardware failure (4/44/00) for the rest.
// `transport` makes the command a transport failure instead; `host=HH` (hex,
// 01 to FF) does too, one the host adapter reports with that status.
// `corrupt` (WRITE10 and WRITE12 only) lets the write go through and flips a
// byte of one stored block instead; it strikes once unless told otherwise,
// from= included.
// `readoffset=N` (samples, signed) makes every READ CD of audio blocks answer
// with the disc's samples N later (N < 0: earlier); what lies beyond the
// recorded blocks reads as silence.
//
// Examples: "WRITE10:count=3:sense=3/0C/00", "WRITE10:from=1000",
// "bufferfull:5", "READBUFFERCAPACITY:always", "WRITE10:from=300:corrupt",
// "readoffset=-30".
FaultParseResult ParseFaultSpec(std::string_view text);

// The armed faults of one recorder, in the order armed. Not synchronised:
// the recorder guards it.
class FaultInjector {
 public:
  void Arm(const FaultSpec& spec);
  void Clear() { faults_.clear(); }

  // The fault a command meets, consuming one use of it; `lba` and `blocks`
  // describe a transfer, blocks 0 for other commands.
  std::optional<FaultSpec> Take(std::uint8_t opcode, std::int32_t lba, std::int32_t blocks);
  // True when READ BUFFER CAPACITY is to report a full buffer this time.
  bool TakeBufferFull();
  // The read offset READ CD of audio gives, in samples: the last one armed,
  // which counts as met; 0 without one.
  std::int32_t TakeReadOffset();
  // The places, in arming order, of the faults no command has met.
  std::vector<std::size_t> NeverMet() const;

 private:
  struct Armed {
    FaultSpec spec;
    std::optional<std::uint32_t> left;  // uses left; nullopt: without end
    std::uint32_t met = 0;
    std::uint32_t passed = 0;  // matching commands let through so far
  };
  static bool Use(Armed& armed);

  std::vector<Armed> faults_;
};

}  // namespace brenmark::virtualdrive
