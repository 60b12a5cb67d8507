#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "tests/endtoend/CliRun.h"

namespace brenmark::endtoend {

// brenmark-cli [outer...] expose [exposeOptions...] -- command...
inline ProcessOutput Expose(const std::filesystem::path& data, std::vector<std::string> outer,
                            std::vector<std::string> exposeOptions, const std::vector<std::string>& command) {
  outer.push_back("expose");
  outer.insert(outer.end(), exposeOptions.begin(), exposeOptions.end());
  outer.push_back("--");
  outer.insert(outer.end(), command.begin(), command.end());
  return Cli(data, outer);
}

// brenmark-cli on the same data folder, run by the command expose runs.
inline ProcessOutput ExposedCli(const std::filesystem::path& data, std::vector<std::string> arguments,
                                std::vector<std::string> outer = {}) {
  arguments.insert(arguments.begin(), {BRENMARK_CLI_PATH, "--data-dir", data.string()});
  return Expose(data, std::move(outer), {}, arguments);
}

// The finished image the last eject kept (the exposed recorder's own eject
// is not seen by the command's program, which only sent the command).
// Images kept within one second are told apart by a suffix, so the later of
// two equal times has the longer name.
inline std::filesystem::path NewestImage(const std::filesystem::path& data, const std::string& extension) {
  std::filesystem::path newest;
  const auto age = [](const std::filesystem::path& path) {
    return std::make_tuple(std::filesystem::last_write_time(path), path.filename().string().size(),
                           path.filename().string());
  };
  for (const auto& entry : std::filesystem::directory_iterator(data / "burned discs")) {
    if (entry.path().extension() == extension && (newest.empty() || age(entry.path()) > age(newest)))
      newest = entry.path();
  }
  return newest;
}

// The start of the last session of a flat image: the last primary volume
// descriptor is 16 blocks into it.
inline std::int32_t LastSessionStart(const std::filesystem::path& iso) {
  const std::string image = ReadWholeFile(iso);
  std::int32_t start = 0;
  for (std::size_t block = 16; (block + 1) * 2048 <= image.size(); ++block) {
    if (image.compare(block * 2048, 6, "\x01" "CD001") == 0) start = static_cast<std::int32_t>(block - 16);
  }
  return start;
}

}  // namespace brenmark::endtoend
