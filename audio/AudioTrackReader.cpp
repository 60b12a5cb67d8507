#include "audio/AudioTrackReader.h"

#include <algorithm>
#include <cstring>

#include "platform/Utf8Path.h"

namespace brenmark::audio {

std::uint32_t TrackSectors(std::uint64_t sampleBytes) {
  const std::uint64_t sectors = (sampleBytes + kAudioSectorBytes - 1) / kAudioSectorBytes;
  return static_cast<std::uint32_t>(std::max<std::uint64_t>(sectors, kMinimumTrackSectors));
}

WavOpenResult AudioTrackReader::Open(const std::string& path) {
  path_ = path;
  openError_.clear();
  file_ = platform::File();
  if (!file_.OpenSource(platform::PathFromUtf8(path))) {
    openError_ = file_.lastError();
    return WavOpenResult::CannotOpen;
  }
  const auto status = file_.Status();
  if (!status) {
    openError_ = file_.lastError();
    return WavOpenResult::CannotOpen;
  }
  if (status->kind != platform::FileKind::Regular) {
    openError_ = "Not a regular file.";
    return WavOpenResult::CannotOpen;
  }
  const auto readAt = [this](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
    return file_.ReadAt(static_cast<std::int64_t>(offset), out, count) == static_cast<std::int64_t>(count);
  };
  const auto samples = FindCdAudioSamples(readAt, status->size);
  if (!samples) return WavOpenResult::NotCdAudio;
  samples_ = *samples;
  measuredFileSize_ = status->size;
  sectorCount_ = TrackSectors(samples_.bytes);
  sectorsDone_ = 0;
  bytesRead_ = 0;
  missingBytes_ = 0;
  readError_.clear();
  file_.AdviseSequential();
  return WavOpenResult::Ok;
}

std::uint32_t AudioTrackReader::Next(std::span<std::uint8_t> buffer) {
  const auto fits = static_cast<std::uint32_t>(buffer.size() / kAudioSectorBytes);
  const std::uint32_t sectors = std::min(fits, sectorCount_ - sectorsDone_);
  const std::size_t bytes = std::size_t{sectors} * kAudioSectorBytes;
  const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, samples_.bytes - bytesRead_));
  std::size_t got = 0;
  // Once the file has come up short, the rest of its samples are silence.
  if (wanted > 0 && missingBytes_ == 0) {
    const std::int64_t read =
        file_.ReadAt(static_cast<std::int64_t>(samples_.offset + bytesRead_), buffer.data(), wanted);
    got = read > 0 ? static_cast<std::size_t>(read) : 0;
    if (read < 0) readError_ = file_.lastError();
  }
  missingBytes_ += wanted - got;
  bytesRead_ += wanted;
  std::memset(buffer.data() + got, 0, bytes - got);
  sectorsDone_ += sectors;
  return sectors;
}

}  // namespace brenmark::audio
