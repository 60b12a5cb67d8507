#pragma once

#include <cstdio>

namespace brenmark::platform {

// Whether the stream is connected to an interactive terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace brenmark::platform
