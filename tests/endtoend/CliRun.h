#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/endtoend/EndToEndSupport.h"

extern char** environ;

namespace brenmark::endtoend {

// brenmark-cli with the virtual recorders' discs in `dataDir`, for test
// programs built with BRENMARK_CLI_PATH.
inline ProcessOutput Cli(const std::filesystem::path& dataDir, std::vector<std::string> arguments) {
  std::vector<std::string> argv = {BRENMARK_CLI_PATH, "--data-dir", dataDir.string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(argv);
}

// Starts brenmark-cli in the background, its output discarded, or with
// `outputs` given written to `outputs`.out and `outputs`.err; its process id, or -1.
inline pid_t StartCli(const std::vector<std::string>& arguments, const std::filesystem::path& outputs = {}) {
  std::vector<std::string> argv = {BRENMARK_CLI_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const std::string out = outputs.empty() ? "/dev/null" : outputs.string() + ".out";
  const std::string err = outputs.empty() ? "/dev/null" : outputs.string() + ".err";
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

// `actual` holds the files of `expected` under the same paths, with the same bytes, and no others.
inline void ExpectSameFiles(const std::filesystem::path& expected, const std::filesystem::path& actual) {
  const auto files = ListFiles(expected);
  ASSERT_EQ(files, ListFiles(actual));
  for (const auto& file : files) EXPECT_TRUE(ReadWholeFile(expected / file) == ReadWholeFile(actual / file)) << file;
}

}  // namespace brenmark::endtoend
