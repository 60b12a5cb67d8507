#include "tests/datadisc/DataDiscTestSupport.h"

#include <cstdlib>
#include <fstream>

#include "datadisc/ImageStream.h"

namespace brenmark::datadisc::test {

std::uint8_t PatternByte(std::size_t offset) {
  return static_cast<std::uint8_t>((offset * 7 + offset / 2048) & 0xFF);
}

std::filesystem::path TempFolder::MakeFile(const std::string& relative, std::size_t size) const {
  const std::filesystem::path file = path() / relative;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  std::vector<char> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(PatternByte(i));
  out.write(bytes.data(), static_cast<std::streamsize>(size));
  return file;
}

std::filesystem::path TempFolder::MakeFolder(const std::string& relative) const {
  const std::filesystem::path folder = path() / relative;
  std::filesystem::create_directories(folder);
  return folder;
}

std::vector<std::uint8_t> Render(const ImageLayout& layout) {
  ImageStream stream(layout, FixedClock);
  std::vector<std::uint8_t> image;
  SectorGroup group;
  while (stream.Next(group)) {
    const std::size_t at = static_cast<std::size_t>(group.firstSector - layout.sessionStart) * 2048;
    if (image.size() < at + group.data.size()) image.resize(at + group.data.size());
    std::copy(group.data.begin(), group.data.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
  }
  return image;
}

std::vector<std::uint8_t> Sectors(const std::vector<std::uint8_t>& image, std::uint32_t sector,
                                  std::uint32_t count) {
  const auto begin = image.begin() + static_cast<std::ptrdiff_t>(sector) * 2048;
  return {begin, begin + static_cast<std::ptrdiff_t>(count) * 2048};
}

std::size_t CountNodes(const EntryList& list) {
  std::size_t count = list.size();
  for (const auto& node : list) count += CountNodes(node->children());
  return count;
}

std::time_t FixedClock() { return kFixedNow; }

void UseUtc() {
  setenv("TZ", "UTC", 1);
  tzset();
}

std::uint32_t ReadLe32(const std::uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::uint32_t ReadBe32(const std::uint8_t* at) {
  return at[3] | (at[2] << 8) | (at[1] << 16) | (static_cast<std::uint32_t>(at[0]) << 24);
}

std::string Utf16Be(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    out += static_cast<char>(unit >> 8);
    out += static_cast<char>(unit & 0xFF);
  }
  return out;
}

}  // namespace brenmark::datadisc::test
