#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/endtoend/EndToEndSupport.h"

namespace brenmark::endtoend {

// brenmark-cli with the virtual recorders' discs in `dataDir`, for test
// programs built with BRENMARK_CLI_PATH.
inline ProcessOutput Cli(const std::filesystem::path& dataDir, std::vector<std::string> arguments) {
  std::vector<std::string> argv = {BRENMARK_CLI_PATH, "--data-dir", dataDir.string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(argv);
}

}  // namespace brenmark::endtoend
