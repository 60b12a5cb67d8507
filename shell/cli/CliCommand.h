#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brenmark::cli {

class CliSession;

// One command of brenmark-cli: its name, its usage after the name, what --help
// says of it, and the function that runs it. The result is the exit status.
struct CliCommand {
  std::string_view name;
  std::string_view usage;
  std::string_view description;
  int (*run)(CliSession& session, const std::vector<std::string>& arguments);
};

// Exit statuses shared by all commands.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;     // the job or the command did not complete
inline constexpr int kExitUsage = 2;      // the command line was wrong
// expose passes its command's status through; its own failures (a wrong
// command line included) take the status env and timeout give theirs, so that
// they are not taken for the command's.
inline constexpr int kExitExposeFailed = 125;

// Every command, in the order --help lists them.
std::span<const CliCommand> CliCommands();

}  // namespace brenmark::cli
