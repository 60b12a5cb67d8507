#pragma once

#include <filesystem>

namespace brenmark::platform {

// The folder in which the application keeps its own data for the current
// user ("brenmark" inside the system's per-user data folder; the temporary
// folder when the system names none). Not created here.
std::filesystem::path ApplicationDataFolder();

// ApplicationDataFolder() as a reader on any machine knows it, for help texts:
// the variables it comes from, not this machine's paths.
const char* ApplicationDataFolderDescription();

}  // namespace brenmark::platform
