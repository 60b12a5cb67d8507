#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The cue sheet SEND CUE SHEET gives a CD recorder before a session at once:
// one 8-byte entry per index of every track, with the data form its blocks
// are written in, between the lead-in and lead-out entries.
namespace brenmark::cdcue {

// Data forms of the main channel: what the host sends per block.
enum class DataForm : std::uint8_t {
  Audio = 0x00,          // 2352 bytes of samples
  AudioGenerated = 0x01, // nothing sent; the drive writes silence (lead-in, lead-out)
  Mode1 = 0x10,          // 2048 bytes of user data
  Mode1Raw = 0x11,       // 2352 bytes: sync, header, data, EDC/ECC
  Mode1Generated = 0x14, // nothing sent; the drive writes empty Mode 1 blocks
  Mode2 = 0x20,          // 2336 bytes: subheader and data
  Mode2Raw = 0x21,       // 2352 bytes
  Mode2Generated = 0x24, // nothing sent
  LeadInCdText = 0x41,   // the lead-in with 96 bytes of packed R-W sub-channel per block (CD-TEXT)
};

// Bytes the host sends per block of the form; 0 for a form the drive generates.
int BlockSize(DataForm form);

// The 96 bytes of packed R-W sub-channel a lead-in block with CD-TEXT takes.
inline constexpr int kLeadInBlockSize = 96;
// The first track's pregap always starts here, at 00:00:00 of the cue sheet.
inline constexpr std::int32_t kFirstPregapStart = -150;

struct CueIndex {
  int number = 1;  // 0 the pregap, 1 the track's start, up to 99
  std::int32_t lba = 0;
  DataForm form = DataForm::Audio;
};

struct CueTrack {
  int number = 1;
  bool data = false;
  bool preEmphasis = false;
  bool copyPermitted = false;
  bool fourChannel = false;
  std::string isrc;  // 12 characters, or empty
  std::vector<CueIndex> indexes;  // ascending
};

struct SessionCue {
  std::string catalog;  // 13 digits, or empty
  bool cdText = false;  // the lead-in carries CD-TEXT in its sub-channel
  std::vector<CueTrack> tracks;
  std::int32_t leadOut = 0;
};

// The cue sheet's bytes: catalogue number (ADR 2), lead-in, per track its
// ISRC (ADR 3) and its indexes, lead-out; times as MSF from LBA -150.
std::vector<std::uint8_t> BuildCueSheet(const SessionCue& cue);

}  // namespace brenmark::cdcue
