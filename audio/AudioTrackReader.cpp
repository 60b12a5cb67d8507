#include "audio/AudioTrackReader.h"

#include <algorithm>
#include <cstring>

namespace brenmark::audio {

std::uint32_t TrackSectors(std::uint64_t sampleBytes) {
  const std::uint64_t sectors = (sampleBytes + kAudioSectorBytes - 1) / kAudioSectorBytes;
  return static_cast<std::uint32_t>(std::max<std::uint64_t>(sectors, kMinimumTrackSectors));
}

WavOpenResult AudioTrackReader::Open(const std::string& path) {
  path_ = path;
  file_ = std::ifstream(path, std::ios::binary);
  if (!file_.is_open()) return WavOpenResult::CannotOpen;
  file_.seekg(0, std::ios::end);
  const std::streamoff size = file_.tellg();
  if (size < 0) return WavOpenResult::NotCdAudio;
  const auto samples = FindCdAudioSamples(file_, static_cast<std::uint64_t>(size));
  if (!samples) return WavOpenResult::NotCdAudio;
  samples_ = *samples;
  sectorCount_ = TrackSectors(samples_.bytes);
  sectorsDone_ = 0;
  bytesRead_ = 0;
  readFailed_ = false;
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(samples_.offset));
  return WavOpenResult::Ok;
}

std::uint32_t AudioTrackReader::Next(std::span<std::uint8_t> buffer) {
  const auto fits = static_cast<std::uint32_t>(buffer.size() / kAudioSectorBytes);
  const std::uint32_t sectors = std::min(fits, sectorCount_ - sectorsDone_);
  const std::size_t bytes = std::size_t{sectors} * kAudioSectorBytes;
  const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, samples_.bytes - bytesRead_));
  std::size_t got = 0;
  if (wanted > 0 && !readFailed_) {
    file_.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(wanted));
    got = static_cast<std::size_t>(file_.gcount());
    readFailed_ = got < wanted;
    bytesRead_ += wanted;
  }
  std::memset(buffer.data() + got, 0, bytes - got);
  sectorsDone_ += sectors;
  return sectors;
}

}  // namespace brenmark::audio
