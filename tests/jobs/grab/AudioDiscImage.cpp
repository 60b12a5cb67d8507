#include "tests/jobs/grab/AudioDiscImage.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace brenmark::test {
namespace {

constexpr std::size_t kSector = 2352;

std::uint8_t PatternByte(int track, std::size_t offset) {
  // A 16-bit sample walk that never repeats within a track and differs between tracks.
  const std::uint32_t word = static_cast<std::uint32_t>(offset / 2) * 2654435761u + static_cast<std::uint32_t>(track) * 40503u;
  return static_cast<std::uint8_t>(offset % 2 == 0 ? word >> 8 : word >> 24);
}

std::filesystem::path BinPath(const std::filesystem::path& cue) {
  auto bin = cue;
  bin.replace_extension(".bin");
  return bin;
}

}  // namespace

std::filesystem::path WriteDiscImage(const std::filesystem::path& folder, const std::string& name,
                                     const std::vector<ImageTrack>& tracks) {
  const auto cue = folder / (name + ".cue");
  std::ofstream bin(BinPath(cue), std::ios::binary);
  std::string sheet = "FILE \"" + name + ".bin\" BINARY\n";
  std::int64_t start = 0;
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    char lines[96];
    std::snprintf(lines, sizeof lines, "  TRACK %02zu %s\n    INDEX 01 %02lld:%02lld:%02lld\n", t + 1,
                  tracks[t].data ? "MODE1/2352" : "AUDIO", static_cast<long long>(start / 4500),
                  static_cast<long long>(start / 75 % 60), static_cast<long long>(start % 75));
    sheet += lines;
    const std::size_t bytes = static_cast<std::size_t>(tracks[t].sectors) * kSector;
    std::vector<char> content(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
      content[i] = static_cast<char>(tracks[t].data ? 0x5A : PatternByte(static_cast<int>(t + 1), i));
    }
    bin.write(content.data(), static_cast<std::streamsize>(bytes));
    start += tracks[t].sectors;
  }
  std::ofstream(cue) << sheet;
  return cue;
}

std::vector<std::uint8_t> TrackPcm(const std::filesystem::path& cue, const std::vector<ImageTrack>& tracks,
                                   int number) {
  std::size_t offset = 0;
  for (int t = 1; t < number; ++t) offset += static_cast<std::size_t>(tracks[static_cast<std::size_t>(t - 1)].sectors) * kSector;
  const auto all = ReadBytes(BinPath(cue));
  const std::size_t size = static_cast<std::size_t>(tracks[static_cast<std::size_t>(number - 1)].sectors) * kSector;
  return {all.begin() + static_cast<std::ptrdiff_t>(offset), all.begin() + static_cast<std::ptrdiff_t>(offset + size)};
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace brenmark::test
