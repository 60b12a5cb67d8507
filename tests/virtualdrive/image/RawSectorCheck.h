#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// A second, deliberately plain reading of raw CD data sectors for tests: a bitwise CRC
// and the parity-check equations of the P/Q code, sharing nothing with the encoder.
// Every check returns an empty string when the data is sound, else the first fault.
namespace brenmark::testsupport {

// Sync, BCD header address of `lba`, mode 1 or 2 and, by mode and form: the Mode 1
// zero field, matching subheader copies, EDC, and the P and Q syndromes.
std::string CheckRawDataSector(const std::uint8_t* raw, std::int32_t lba);

// Checks every sector of every data track of a cue/bin image, from its first index to
// the first index of the next track (or the end of the file), and that the header mode
// matches the track mode. The first sector of the file has address 0.
std::string CheckCueImageDataTracks(const std::filesystem::path& cuePath);

}  // namespace brenmark::testsupport
