#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace brenmark::win32 {

// Writes an image of `width` x `height` pixels, rows from the top, each pixel
// as the bytes blue, green, red, alpha, to a PNG file (uncompressed).
bool WritePngFile(const std::filesystem::path& path, int width, int height, const std::vector<std::uint8_t>& bgra);

}  // namespace brenmark::win32
