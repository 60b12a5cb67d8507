#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brenmark::cli {

// The command line split into the options every command shares, the command
// name and the command's own arguments.
struct CliOptions {
  std::optional<std::string> drive;     // --drive INDEX|NAME
  std::optional<std::uint32_t> speed;   // --speed KBPS
  std::optional<bool> answer;           // --yes / --no
  std::vector<std::string> faults;      // --fault SPEC, in the order given
  std::optional<std::string> dataDir;   // --data-dir DIR
  std::optional<std::string> transport; // --transport aspi|spti
  std::optional<int> minutes;           // --minutes N, the size of a blank CD-R
  std::optional<std::string> trace;     // --trace FILE
  bool help = false;
  bool version = false;                 // --version
  std::string command;
  std::vector<std::string> arguments;
};

// Options may stand before or after the command; options not shared by all commands
// that follow the command name are passed on as its arguments; "--" ends them. On a malformed
// line the result is empty and error says why.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

}  // namespace brenmark::cli
