#pragma once

#include <memory>
#include <string_view>

#include "drive/ScsiTransport.h"
#include "drive/UserPrompt.h"

namespace brenmark {

// The provider of the system's own drives: SG_IO on Linux; on Windows the
// host-adapter library or the pass-through, chosen by the system's version
// unless `forcedTransport` names one ("aspi" or "spti"). Null when the named
// transport does not exist on this system. The prompt shows what loading a
// host-adapter library has to say.
std::unique_ptr<DeviceProvider> MakePlatformDeviceProvider(UserPrompt& prompt,
                                                           std::string_view forcedTransport);

}  // namespace brenmark
