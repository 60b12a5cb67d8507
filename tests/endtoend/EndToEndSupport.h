#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace brenmark::endtoend {

// What a finished child process left behind.
struct ProcessOutput {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

// Runs a program with the given arguments (no shell), with standard input
// from /dev/null, and collects its output.
ProcessOutput RunProgram(const std::vector<std::string>& argv);

using ScratchFolder = testsupport::TempFolder;

// Extracts the whole image of the session starting at `session` into
// `target` with xorriso.
ProcessOutput ExtractImage(const std::filesystem::path& iso, std::int32_t session,
                           const std::filesystem::path& target);

// Writes `size` bytes of a pattern that differs per file and per offset.
void WritePatternFile(const std::filesystem::path& path, std::uint64_t size, std::uint32_t seed);

// A few seconds of Video CD MPEG-1 made by ffmpeg for `target` ("ntsc-vcd" or
// "pal-vcd"): a test pattern with a tone.
ProcessOutput MakeVcdStream(const std::filesystem::path& path, int seconds, const std::string& target);

// Every regular file below `root`, as paths relative to it, sorted.
std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& root);

std::string ReadWholeFile(const std::filesystem::path& path);

// The non-empty lines of a text.
std::vector<std::string> Lines(const std::string& text);

}  // namespace brenmark::endtoend
