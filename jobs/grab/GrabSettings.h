#pragma once

#include <cstdint>
#include <iterator>

namespace brenmark::audio {

enum class GrabFormat { Wav, Mp3 };

// What the grab does when files are already at the names of its output files:
// asks the user once (the desktop programs), replaces them (the command line's
// --overwrite or --yes) or refuses to grab, naming them.
enum class ExistingOutputs { Ask, Replace, Refuse };

// What the grab does when its output folder does not exist: asks the user
// whether to create it (the desktop programs) or creates it (the command line).
enum class MissingFolder { Ask, Create };

// What the grab is asked to write: the format and, for MP3, the encoder's
// settings. The defaults are the main window's: WAV; for MP3, 128 kbit/s,
// 44100 Hz, stereo, MPEG-1.
struct GrabSettings {
  GrabFormat format = GrabFormat::Wav;
  std::int32_t bitrateKbps = 128;
  std::int32_t sampleRateHz = 44100;
  std::int32_t encoderMode = 0;    // the encoder's channel mode: 0 stereo
  std::int32_t encoderPreset = 0;  // the encoder's preset: 0 none
  std::int32_t mpegVersion = 1;    // 1: MPEG-1
  ExistingOutputs existingOutputs = ExistingOutputs::Ask;
  MissingFolder missingFolder = MissingFolder::Ask;

  bool operator==(const GrabSettings&) const = default;
};

// The MP3 bit rates the grab offers, in kbit/s.
inline constexpr std::int32_t kMp3Bitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

// The place of a bit rate in kMp3Bitrates (the dialogs' list entry); a rate
// the list does not offer gives the place of the default.
constexpr int Mp3BitrateEntry(std::int32_t kbps) {
  int defaultEntry = 0;
  for (int entry = 0; entry < static_cast<int>(std::size(kMp3Bitrates)); ++entry) {
    if (kMp3Bitrates[entry] == kbps) return entry;
    if (kMp3Bitrates[entry] == GrabSettings{}.bitrateKbps) defaultEntry = entry;
  }
  return defaultEntry;
}

// The settings a grab dialog's two choices stand for: WAV or MP3, and the
// bit rate at `bitrateEntry` of kMp3Bitrates.
constexpr GrabSettings DialogGrabSettings(bool mp3, int bitrateEntry) {
  GrabSettings settings;
  settings.format = mp3 ? GrabFormat::Mp3 : GrabFormat::Wav;
  if (bitrateEntry >= 0 && bitrateEntry < static_cast<int>(std::size(kMp3Bitrates))) {
    settings.bitrateKbps = kMp3Bitrates[bitrateEntry];
  }
  return settings;
}

}  // namespace brenmark::audio
