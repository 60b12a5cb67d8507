#pragma once

#include <string>

namespace brenmark::desktop {

// The user's home folder as the environment names it (HOME, else on Windows
// USERPROFILE); empty when neither is set.
std::string HomeFolder();

// A typed path with a leading "~" (alone, or before a separator) read as
// `home`, as a shell reads it; any other text, or an empty `home`, unchanged.
std::string ExpandHome(const std::string& typed, const std::string& home);

}  // namespace brenmark::desktop
