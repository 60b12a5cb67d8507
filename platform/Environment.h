#pragma once

#include <filesystem>

namespace brenmark::platform {

// The path the environment variable `name` holds, every character kept;
// empty when it is unset or empty.
std::filesystem::path PathFromEnvironment(const char* name);

}  // namespace brenmark::platform
