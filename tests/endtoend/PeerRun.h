#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "tests/endtoend/AudioTakes.h"
#include "tests/endtoend/ExposeRun.h"

namespace brenmark::endtoend {

inline constexpr int kTimedOut = 124;  // the exit status of `timeout`
inline constexpr std::int32_t kRunOutBlocks = 2;
inline constexpr std::int32_t kFirstSessionGap = 11400;  // lead-out, lead-in and pregap of a first appended session

// A peer program on the exposed recorders, stopped after two minutes.
inline ProcessOutput Peer(const std::filesystem::path& data, const std::vector<std::string>& command) {
  std::vector<std::string> timed = {"timeout", "120"};
  timed.insert(timed.end(), command.begin(), command.end());
  return Expose(data, {}, {}, timed);
}

inline bool LoadBlank(const std::filesystem::path& data, const char* recorder) {
  return Cli(data, {"--drive", recorder, "tray", "blank"}).exitStatus == 0;
}

// Ejects the recorder's disc and gives the image it was kept as.
inline std::filesystem::path EjectedImage(const std::filesystem::path& data, const char* recorder,
                                          const std::string& extension) {
  const ProcessOutput eject = Cli(data, {"--drive", recorder, "tray", "eject"});
  if (eject.exitStatus != 0) return {};
  return NewestImage(data, extension);
}

// A file of the ISO 9660 session starting at `session`, by its Rock Ridge path.
inline std::string IsoinfoFile(const std::filesystem::path& iso, std::int32_t session, const std::string& path) {
  return RunProgram({"isoinfo", "-i", iso.string(), "-T", std::to_string(session), "-R", "-x", path}).out;
}

inline int CountMatches(const std::string& text, const std::string& pattern) {
  const std::regex expression(pattern);
  return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), expression),
                                        std::sregex_iterator()));
}

// `work`/image.iso, an ISO 9660 image of the folder `work`/tree holding one
// file of `size` bytes, made by another program than the ones tested; empty
// when it could not be made.
inline std::filesystem::path ImageOfOneFile(const std::filesystem::path& work, const std::string& name,
                                            std::uint64_t size, std::uint32_t seed) {
  WritePatternFile(work / "tree" / name, size, seed);
  const std::filesystem::path image = work / "image.iso";
  const ProcessOutput made =
      RunProgram({"xorriso", "-as", "mkisofs", "-quiet", "-R", "-o", image.string(), (work / "tree").string()});
  return made.exitStatus == 0 ? image : std::filesystem::path();
}

// The time ("MM:SS:FF") of an index of a track in a cue sheet.
inline std::string CueIndex(const std::filesystem::path& cue, int track, int index) {
  char header[16];
  char mark[16];
  std::snprintf(header, sizeof header, "TRACK %02d", track);
  std::snprintf(mark, sizeof mark, "INDEX %02d ", index);
  const std::string text = ReadWholeFile(cue);
  const std::size_t at = text.find(header);
  const std::size_t found = at == std::string::npos ? at : text.find(mark, at);
  return found == std::string::npos ? std::string() : text.substr(found + 9, 8);
}

}  // namespace brenmark::endtoend
