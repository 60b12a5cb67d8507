#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace brenmark {

// How the drive lays the written blocks: track by track, or a whole session
// after a reservation; a DVD's tracks also incrementally, at the next
// writable address.
enum class WriteType : int { Incremental = 0, TrackAtOnce = 1, SessionAtOnce = 2 };

// The fields of the Write Parameters mode page a burn sets before it writes a
// track or a session; every other field keeps what the drive reported.
struct WriteMode {
  static constexpr int kBufferUnderrunFree = 0x01;
  static constexpr int kMultiSessionAllowed = 0xC0;

  int flags = kBufferUnderrunFree;
  WriteType writeType = WriteType::TrackAtOnce;
  int sessionFormat = 0x00;
  int dataBlockType = 8;
  int multiSessionBits = 0;
  int trackMode = 4;
  std::optional<std::array<std::uint8_t, 4>> subheader;
};

}  // namespace brenmark
