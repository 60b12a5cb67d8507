#include "shell/win32/PngFile.h"

#include <algorithm>
#include <string>

#include "audio/Crc32.h"
#include "bytes/ByteOrder.h"
#include "platform/File.h"

namespace brenmark::win32 {

namespace {

// The largest block of a deflate stream that stores its bytes as they are.
constexpr std::size_t kStoredBlockLimit = 65535;

void AppendBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::uint8_t field[4];
  bytes::WriteBe32(field, value);
  out.insert(out.end(), field, field + 4);
}

void AppendChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  AppendBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeStart = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const std::uint32_t crc = ~audio::UpdateCrc32(0xFFFFFFFFu, out.data() + typeStart, out.size() - typeStart);
  AppendBe32(out, crc);
}

// A zlib stream of stored deflate blocks.
std::vector<std::uint8_t> StoredZlib(const std::vector<std::uint8_t>& raw) {
  std::vector<std::uint8_t> out = {0x78, 0x01};
  std::uint32_t a = 1, b = 0;
  for (const std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t offset = 0;
  do {
    const std::size_t length = std::min(kStoredBlockLimit, raw.size() - offset);
    const bool last = offset + length == raw.size();
    out.push_back(last ? 1 : 0);
    const auto size = static_cast<std::uint16_t>(length);
    out.push_back(static_cast<std::uint8_t>(size & 0xFF));
    out.push_back(static_cast<std::uint8_t>(size >> 8));
    out.push_back(static_cast<std::uint8_t>(~size & 0xFF));
    out.push_back(static_cast<std::uint8_t>((~size >> 8) & 0xFF));
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
               raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
    offset += length;
  } while (offset < raw.size());
  AppendBe32(out, (b << 16) | a);
  return out;
}

}  // namespace

bool WritePngFile(const std::filesystem::path& path, int width, int height, const std::vector<std::uint8_t>& bgra) {
  // Each row: filter type 0, then red, green, blue, alpha per pixel.
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 4 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* pixel = bgra.data() + (static_cast<std::size_t>(y) * width + x) * 4;
      raw.insert(raw.end(), {pixel[2], pixel[1], pixel[0], pixel[3]});
    }
  }
  std::vector<std::uint8_t> header;
  AppendBe32(header, static_cast<std::uint32_t>(width));
  AppendBe32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, no interlace

  std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  AppendChunk(file, "IHDR", header);
  AppendChunk(file, "IDAT", StoredZlib(raw));
  AppendChunk(file, "IEND", {});
  platform::File out;
  return out.OpenForWriting(path, true) && out.WriteAt(0, file.data(), file.size());
}

}  // namespace brenmark::win32
