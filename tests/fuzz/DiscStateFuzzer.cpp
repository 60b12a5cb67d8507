#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "virtualdrive/DiscStateFile.h"
#include "virtualdrive/TrayRecord.h"

// A recorder's disc state file or tray file as a user may have edited it:
// parsing must not crash, tell exactly one of a result and an error (a tray
// file may also say nothing), and what parses must come back unchanged from
// being written and read again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brenmark::virtualdrive;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const DiscStateParseResult disc = ParseDiscState(text);
  if (disc.state.has_value() == !disc.error.empty()) std::abort();
  if (disc.state) {
    const std::string written = FormatDiscState(*disc.state);
    const DiscStateParseResult again = ParseDiscState(written);
    if (!again.state || FormatDiscState(*again.state) != written) std::abort();
  }

  const TrayRecordResult tray = ParseTrayRecord(text);
  if (tray.record && !tray.error.empty()) std::abort();
  if (tray.record) {
    const std::string written = FormatTrayRecord(*tray.record);
    const TrayRecordResult again = ParseTrayRecord(written);
    if (!again.record || FormatTrayRecord(*again.record) != written) std::abort();
  }
  return 0;
}
