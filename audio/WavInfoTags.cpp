#include "audio/WavInfoTags.h"

#include <array>
#include <cstring>
#include <vector>

#include "bytes/ByteOrder.h"
#include "platform/File.h"
#include "platform/Utf8Path.h"

namespace brenmark::audio {
namespace {

constexpr std::uint64_t kRiffHeaderBytes = 12;
constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr int kMaxChunks = 4096;
// An INFO list longer than this is not tags: it is not read.
constexpr std::uint64_t kMaxListBytes = 64 * 1024;

std::string TextOf(const std::uint8_t* bytes, std::size_t size) {
  const auto* text = reinterpret_cast<const char*>(bytes);
  return std::string(text, strnlen(text, size));
}

void ReadInfoList(const std::vector<std::uint8_t>& list, WavInfoTags& tags) {
  for (std::size_t at = 4; at + kChunkHeaderBytes <= list.size();) {
    const std::uint32_t size = bytes::ReadLe32(&list[at + 4]);
    const std::size_t body = at + kChunkHeaderBytes;
    if (size > list.size() - body) break;
    if (std::memcmp(&list[at], "INAM", 4) == 0) tags.title = TextOf(&list[body], size);
    if (std::memcmp(&list[at], "IART", 4) == 0) tags.artist = TextOf(&list[body], size);
    at = body + size + (size & 1u);
  }
}

}  // namespace

WavInfoTags ReadWavInfoTags(const ReadBytesAt& readAt, std::uint64_t fileSize) {
  WavInfoTags tags;
  std::array<std::uint8_t, kRiffHeaderBytes> riff{};
  if (fileSize < kRiffHeaderBytes || !readAt(0, riff.data(), riff.size())) return tags;
  std::uint64_t offset = kRiffHeaderBytes;
  for (int chunk = 0; chunk < kMaxChunks && offset + kChunkHeaderBytes <= fileSize; ++chunk) {
    std::array<std::uint8_t, kChunkHeaderBytes> header{};
    if (!readAt(offset, header.data(), header.size())) return tags;
    const std::uint64_t size = bytes::ReadLe32(header.data() + 4);
    const std::uint64_t body = offset + kChunkHeaderBytes;
    if (size > fileSize - body) break;
    if (std::memcmp(header.data(), "LIST", 4) == 0 && size >= 4 && size <= kMaxListBytes) {
      std::vector<std::uint8_t> list(static_cast<std::size_t>(size));
      if (readAt(body, list.data(), list.size()) && std::memcmp(list.data(), "INFO", 4) == 0) {
        ReadInfoList(list, tags);
        return tags;
      }
    }
    offset = body + size + (size & 1u);
  }
  return tags;
}

WavInfoTags ReadWavInfoTagsOf(const std::string& path) {
  platform::File file;
  if (!file.OpenSource(platform::PathFromUtf8(path))) return {};
  const auto status = file.Status();
  if (!status) return {};
  const auto readAt = [&file](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
    return file.ReadAt(static_cast<std::int64_t>(offset), out, count) == static_cast<std::int64_t>(count);
  };
  return ReadWavInfoTags(readAt, status->size);
}

}  // namespace brenmark::audio
