#include "drive/windows/TransportChoice.h"

#include <algorithm>
#include <cctype>

namespace brenmark::windows {

AccessMode TransportForVersion(std::uint32_t version) {
  const bool consumerFamily = (version & 0x80000000u) != 0;
  const std::uint32_t major = version & 0xFFu;
  return consumerFamily || major < 5 ? AccessMode::Aspi : AccessMode::Spti;
}

std::optional<AccessMode> ChooseTransport(std::uint32_t version, std::string_view forced) {
  if (forced.empty()) return TransportForVersion(version);
  // Windows users write names in any case: ASPI, Spti, ...
  const auto is = [&](std::string_view name) {
    return std::equal(forced.begin(), forced.end(), name.begin(), name.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
  };
  if (is("aspi")) return AccessMode::Aspi;
  if (is("spti")) return AccessMode::Spti;
  return std::nullopt;
}

}  // namespace brenmark::windows
