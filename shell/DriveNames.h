#pragma once

#include <string>

#include "drive/DriveRegistry.h"

namespace brenmark {

// A drive's name as lists show it: its display name without the blanks that
// pad the INQUIRY model texts (the registry keeps them as the drive sent them).
std::string ListedDriveName(const Drive& drive);

// The device part of the name, before ": " ("sr0", "virtual-dvd").
std::string ShortDriveName(const Drive& drive);

}  // namespace brenmark
