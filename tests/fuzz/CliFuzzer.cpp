#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "shell/cli/CliOptions.h"
#include "virtualdrive/FaultInjector.h"

// A command line (arguments separated by NUL bytes): the parser gives options
// or says why not; every `--fault` it passes on, and every argument read as a
// fault, is parsed the same way, and an armed fault is met at most as often
// as it says.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brenmark;
  std::vector<std::string> args;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\0');
    args.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }

  std::string error;
  const auto options = cli::ParseCommandLine(args, error);
  if (options.has_value() == !error.empty()) std::abort();
  std::vector<std::string> faults = args;
  if (options) faults.insert(faults.end(), options->faults.begin(), options->faults.end());

  for (const std::string& text : faults) {
    const virtualdrive::FaultParseResult parsed = virtualdrive::ParseFaultSpec(text);
    if (parsed.spec.has_value() == !parsed.error.empty()) std::abort();
    if (!parsed.spec) continue;
    virtualdrive::FaultInjector injector;
    injector.Arm(*parsed.spec);
    const std::uint32_t tries = 8;
    std::uint32_t met = 0;
    for (std::uint32_t i = 0; i < tries; ++i) {
      const bool full = injector.TakeBufferFull();
      if (injector.Take(parsed.spec->opcode, parsed.spec->fromLba.value_or(0), 1) || full) ++met;
    }
    if (parsed.spec->count && met > *parsed.spec->count) std::abort();
  }
  return 0;
}
