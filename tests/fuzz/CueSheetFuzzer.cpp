#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "virtualdrive/image/CueSheet.h"

// Whatever the input, parsing must not crash, and a sheet that parses must survive a
// format-and-parse round trip unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brenmark::virtualdrive;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const CueParseResult parsed = ParseCueSheet(text);
  if (parsed.sheet.has_value() == !parsed.error.empty()) std::abort();
  if (parsed.sheet) {
    const CueParseResult reparsed = ParseCueSheet(FormatCueSheet(*parsed.sheet));
    if (!reparsed.sheet || !(*reparsed.sheet == *parsed.sheet)) std::abort();
  }
  return 0;
}
