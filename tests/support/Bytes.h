#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace brenmark::testsupport {

inline std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `blocks` blocks of data that differs per block, per offset and per seed.
inline std::vector<std::uint8_t> Pattern(std::size_t blocks, std::size_t blockSize, std::uint32_t seed) {
  std::vector<std::uint8_t> data(blocks * blockSize);
  for (std::size_t index = 0; index < data.size(); ++index) {
    data[index] = static_cast<std::uint8_t>((index * 31 + seed * 7 + index / blockSize) & 0xFF);
  }
  return data;
}

}  // namespace brenmark::testsupport
