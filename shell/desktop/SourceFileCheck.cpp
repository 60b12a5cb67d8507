#include "shell/desktop/SourceFileCheck.h"

#include <cstdio>
#include <vector>

#include "audio/AudioTrackReader.h"
#include "platform/File.h"
#include "platform/Utf8Path.h"
#include "vcd/MpegStreamCheck.h"

namespace brenmark::desktop {
namespace {

constexpr std::uint32_t kBlocksPerSecond = 75;
// The MPEG bytes a Video CD block carries.
constexpr std::uint64_t kMpegBlockBytes = 2324;
// A Video CD records each file's size in 32 bits.
constexpr std::uint64_t kVideoFileSizeLimit = std::uint64_t{1} << 32;

std::string Duration(std::uint64_t blocks) {
  const std::uint64_t seconds = blocks / kBlocksPerSecond;
  char text[32];
  std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                static_cast<unsigned long long>(seconds % 60));
  return text;
}

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

CheckedFile CheckAudioFile(const std::string& path) {
  CheckedFile file;
  file.path = path;
  audio::AudioTrackReader reader;
  switch (reader.Open(path)) {
    case audio::WavOpenResult::CannotOpen:
      file.problem = "cannot be read: " + reader.openError();
      return file;
    case audio::WavOpenResult::NotCdAudio:
      file.problem = "not a WAV file with PCM samples of 16 bits, stereo, 44.1 kHz";
      return file;
    case audio::WavOpenResult::Ok:
      break;
  }
  file.bytes = reader.samples().bytes;
  file.blocks = reader.sectorCount();
  file.padded = reader.paddedToMinimum();
  return file;
}

CheckedFile CheckVideoFile(const std::string& path) {
  CheckedFile file;
  file.path = path;
  platform::File source;
  if (!source.OpenSource(platform::PathFromUtf8(path))) {
    file.problem = "cannot be read: " + source.lastError();
    return file;
  }
  const auto status = source.Status();
  if (!status || status->kind != platform::FileKind::Regular) {
    file.problem = status ? "cannot be read: it is not a regular file" : "cannot be read: " + source.lastError();
    return file;
  }
  std::vector<std::uint8_t> start(vcd::kMpegCheckBytes);
  const std::int64_t got = source.ReadAt(0, start.data(), start.size());
  if (got < 0) {
    file.problem = "cannot be read: " + source.lastError();
    return file;
  }
  file.bytes = status->size;
  if (file.bytes >= kVideoFileSizeLimit) {
    file.problem = "4 GB or larger, and a Video CD cannot record its size";
    return file;
  }
  const vcd::MpegStreamKind kind =
      vcd::ClassifyMpegStream(std::span<const std::uint8_t>(start.data(), static_cast<std::size_t>(got)));
  if (kind != vcd::MpegStreamKind::MpegOneSystemStream) {
    file.problem = vcd::MpegRefusalReason(kind);
    return file;
  }
  file.blocks = static_cast<std::uint32_t>((file.bytes + kMpegBlockBytes - 1) / kMpegBlockBytes);
  return file;
}

}  // namespace

CheckedFile CheckSourceFile(JobKind kind, const std::string& path) {
  return kind == JobKind::AudioCd ? CheckAudioFile(path) : CheckVideoFile(path);
}

std::string CheckedFileText(JobKind kind, const CheckedFile& file) {
  if (!file.problem.empty()) return "Refused: " + file.problem;
  if (kind != JobKind::AudioCd) return Megabytes(file.bytes);
  std::string text = Duration(file.blocks);
  if (file.padded) text += " (padded to four seconds)";
  return text;
}

std::string SourceListTotals(JobKind kind, const std::vector<CheckedFile>& files) {
  std::uint64_t bytes = 0;
  std::uint64_t blocks = 0;
  std::size_t refused = 0;
  for (const CheckedFile& file : files) {
    bytes += file.bytes;
    blocks += file.blocks;
    if (!file.problem.empty()) ++refused;
  }
  std::string text = "Total: " + std::to_string(files.size()) + (files.size() == 1 ? " file, " : " files, ");
  if (kind == JobKind::AudioCd) text += Duration(blocks) + ", ";
  text += Megabytes(bytes) + " - ";
  text += std::to_string(blocks * 100 / kCdCapacityBlocks) + "% of an 80-minute CD";
  if (blocks > kCdCapacityBlocks) text += ", more than it holds";
  if (refused > 0) text += "; " + std::to_string(refused) + " refused";
  return text + ".";
}

bool SourceListAcceptable(const std::vector<CheckedFile>& files) {
  if (files.empty()) return false;
  for (const CheckedFile& file : files) {
    if (!file.problem.empty()) return false;
  }
  return true;
}

}  // namespace brenmark::desktop
