#include "shell/cli/CliOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

namespace brenmark::cli {
namespace {

// Only Windows has more than one way to reach real drives.
#if defined(_WIN32)
constexpr bool kTransportsToChoose = true;
#else
constexpr bool kTransportsToChoose = false;
#endif

// A positive decimal number.
std::optional<std::uint32_t> ParsePositive(const std::string& text) {
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value == 0) return std::nullopt;
  return value;
}

}  // namespace

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
  CliOptions options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      if (options.command.empty()) {
        options.command = arg;
      } else {
        options.arguments.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg == "--version") {
      options.version = true;
      continue;
    }
    if (arg == "--yes" || arg == "--no") {
      const bool answer = arg == "--yes";
      if (options.answer && *options.answer != answer) {
        error = "--yes and --no exclude each other";
        return std::nullopt;
      }
      options.answer = answer;
      continue;
    }
    const bool shared = arg == "--drive" || arg == "--speed" || arg == "--fault" || arg == "--data-dir" ||
                        arg == "--transport" || arg == "--minutes" || arg == "--trace";
    if (!shared && !options.command.empty()) {
      // After the command name, other options are the command's own.
      options.arguments.push_back(arg);
      continue;
    }
    if (!shared) {
      error = "unknown option " + arg;
      return std::nullopt;
    }
    if (i + 1 == args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    if (arg == "--drive") {
      if (value.empty()) {
        error = "--drive is empty; give a drive's index or name (see brenmark-cli drives)";
        return std::nullopt;
      }
      options.drive = value;
    } else if (arg == "--speed") {
      options.speed = ParsePositive(value);
      if (!options.speed) {
        error = "--speed needs a positive number of KB/s, not " + value;
        return std::nullopt;
      }
    } else if (arg == "--transport") {
      if (!kTransportsToChoose) {
        error = "--transport chooses how real drives are reached on Windows; this system has one way";
        return std::nullopt;
      }
      std::string name = value;
      std::transform(name.begin(), name.end(), name.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      if (name != "aspi" && name != "spti") {
        error = "--transport is aspi or spti, not " + value;
        return std::nullopt;
      }
      options.transport = name;
    } else if (arg == "--fault") {
      options.faults.push_back(value);
    } else if (arg == "--minutes") {
      const auto minutes = ParsePositive(value);
      if (!minutes || *minutes > 999) {
        error = "--minutes needs the size of a CD-R in minutes, not " + value;
        return std::nullopt;
      }
      options.minutes = static_cast<int>(*minutes);
    } else if (arg == "--trace") {
      if (value.empty()) {
        error = "--trace is empty; give the file to trace the commands to";
        return std::nullopt;
      }
      options.trace = value;
    } else {
      options.dataDir = value;
    }
  }
  return options;
}

}  // namespace brenmark::cli
