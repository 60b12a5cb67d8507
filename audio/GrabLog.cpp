#include "audio/GrabLog.h"

#include <cinttypes>
#include <cstdio>

namespace brenmark::audio {
namespace {

std::string Hex(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08" PRIX32, value);
  return text;
}

MsfTime MsfOfFrames(std::int32_t frames) {
  return {static_cast<std::uint8_t>(frames / 4500), static_cast<std::uint8_t>(frames / 75 % 60),
          static_cast<std::uint8_t>(frames % 75)};
}

}  // namespace

std::string ChecksumLine(const GrabbedTrack& track) {
  std::string line = track.path.filename().string() + "  CRC32 " + Hex(track.crc32) + "  AccurateRip v1 " +
                     Hex(track.accurateRipV1) + "  v2 " + Hex(track.accurateRipV2);
  if (track.readRetries > 0) line += "  read retries " + std::to_string(track.readRetries);
  if (!track.complete()) line += "  (incomplete: read given up)";
  return line;
}

std::string TrackLogText(const GrabbedTrack& track) {
  char heading[96];
  std::snprintf(heading, sizeof heading, "Track %02d  start %s  end %s  length %s (%d sectors)\n", track.number,
                FormatMsf(track.start).c_str(), FormatMsf(track.end).c_str(),
                FormatMsf(MsfOfFrames(track.sectors)).c_str(), static_cast<int>(track.sectors));
  std::string text = heading;
  text += "  File: " + track.path.string() + "\n";
  if (!track.complete()) {
    text += "  Incomplete: the read was given up after " + std::to_string(track.sectorsRead) + " sectors\n";
  }
  text += "  Read retries: " + std::to_string(track.readRetries) + "\n";
  text += "  CRC32: " + Hex(track.crc32) + "\n";
  text += "  AccurateRip v1: " + Hex(track.accurateRipV1) + "\n";
  text += "  AccurateRip v2: " + Hex(track.accurateRipV2) + "\n";
  return text;
}

GrabLog::GrabLog(std::filesystem::path folder, std::string driveName)
    : path_(std::move(folder) / kFileName), driveName_(std::move(driveName)) {}

bool GrabLog::Add(const GrabbedTrack& track) {
  std::FILE* file = std::fopen(path_.c_str(), started_ ? "ab" : "wb");
  if (file == nullptr) return false;
  std::string text = started_ ? "\n" : "Drive: " + driveName_ + "\n\n";
  text += TrackLogText(track);
  started_ = true;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace brenmark::audio
