#include "drive/windows/TransportChoice.h"

namespace brenmark::windows {

AccessMode TransportForVersion(std::uint32_t version) {
  const bool consumerFamily = (version & 0x80000000u) != 0;
  const std::uint32_t major = version & 0xFFu;
  return consumerFamily || major < 5 ? AccessMode::Aspi : AccessMode::Spti;
}

std::optional<AccessMode> ChooseTransport(std::uint32_t version, std::string_view forced) {
  if (forced.empty()) return TransportForVersion(version);
  if (forced == "aspi") return AccessMode::Aspi;
  if (forced == "spti") return AccessMode::Spti;
  return std::nullopt;
}

}  // namespace brenmark::windows
