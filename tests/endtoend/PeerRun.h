#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "tests/endtoend/ExposeRun.h"

namespace brenmark::endtoend {

inline constexpr int kTimedOut = 124;  // the exit status of `timeout`

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

// `samples` at the start of the audio `grabbed` holds, then only silence
// (the end of the last sector and the drive's run-out).
inline void ExpectSamplesThenSilence(const std::string& grabbed, const std::string& samples,
                                     const std::string& what) {
  ASSERT_GE(grabbed.size(), samples.size()) << what;
  EXPECT_TRUE(grabbed.compare(0, samples.size(), samples) == 0) << what;
  EXPECT_TRUE(std::all_of(grabbed.begin() + static_cast<std::ptrdiff_t>(samples.size()), grabbed.end(),
                          [](char byte) { return byte == 0; }))
      << what;
}

// The samples of a canonical WAV file (its header 44 bytes).
inline std::string WavSamples(const std::filesystem::path& wav) {
  constexpr std::size_t kCanonicalHeader = 44;
  const std::string bytes = ReadWholeFile(wav);
  return bytes.size() < kCanonicalHeader ? std::string() : bytes.substr(kCanonicalHeader);
}

}  // namespace brenmark::endtoend
