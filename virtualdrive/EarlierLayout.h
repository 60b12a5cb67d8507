#pragma once

#include <filesystem>

namespace brenmark::virtualdrive {

// Earlier builds kept the recorders of the default data folder one level
// down, in its folder "virtual-recorders". When `folder` holds that folder and
// none of the recorders' own entries yet, they are moved up into `folder`, and
// "virtual-recorders" becomes a link to `folder` so that image paths kept in
// tray files still lead to their discs. Done only where both folders are the
// user's own; anything that stands in the way leaves the earlier layout as it is.
void MoveEarlierLayoutUp(const std::filesystem::path& folder);

}  // namespace brenmark::virtualdrive
