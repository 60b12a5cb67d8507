#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "drive/ScsiTransport.h"

namespace brenmark::windows {

// The transport for a system version as GetVersion gives it: the host-adapter
// library on the 95/98/Me family (top bit set) and on NT before version 5,
// the pass-through from Windows 2000 on.
AccessMode TransportForVersion(std::uint32_t version);

// The transport a user forced by name ("aspi" or "spti", in any case), else the one of the
// version when `forced` is empty; nothing for any other name.
std::optional<AccessMode> ChooseTransport(std::uint32_t version, std::string_view forced);

}  // namespace brenmark::windows
