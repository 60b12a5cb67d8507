#include "audio/GrabLog.h"

#include <cinttypes>
#include <cstdio>

#include "bytes/ControlCharacters.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/LocalTime.h"

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

GrabLog::GrabLog(std::filesystem::path folder, std::string driveName, std::time_t started)
    : path_(std::move(folder) / kFileName) {
  const std::tm local = platform::LocalTime(started);
  char when[32];
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
  heading_ = std::string("Grab of ") + when + "\nDrive: " + driveName + "\n\n";
}

bool GrabLog::Add(const GrabbedTrack& track, std::string& error) { return Append(TrackLogText(track), error); }

bool GrabLog::AddEnding(const std::string& ending, std::string& error) {
  std::string text;
  for (const char c : ending) text += c == '\n' ? std::string("\n  ") : std::string(1, c);
  return Append(text + "\n", error);
}

bool GrabLog::Append(const std::string& lines, std::string& error) {
  platform::File file;
  if (!file.OpenForAppending(path_)) {
    error = file.lastError();
    return false;
  }
  const auto status = file.Status();
  // A section is set apart from the one before it by an empty line.
  std::string text = started_ ? "\n" : (status && status->size > 0 ? "\n" : "") + heading_;
  // A file or drive name cannot command the terminal that shows the log.
  text = WithControlsShown(text + lines);
  const bool written = status && file.WriteAt(static_cast<std::int64_t>(status->size), text.data(), text.size());
  if (written) started_ = true;
  // The lines are made durable before the track is reported done.
  const bool synced = written && file.Sync();
  const bool closed = file.Close();
  if (!synced || !closed) {
    error = file.lastError();
    return false;
  }
  // A log this call made has its name made durable too.
  return status->size > 0 || platform::SyncFolder(path_.parent_path(), error);
}

}  // namespace brenmark::audio
