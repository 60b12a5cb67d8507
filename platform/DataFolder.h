#pragma once

#include <filesystem>

namespace brenmark::platform {

// The folder in which the application keeps its own data for the current
// user ("brenmark" inside the system's per-user data folder; the temporary
// folder when the system names none). Not created here.
std::filesystem::path ApplicationDataFolder();

}  // namespace brenmark::platform
