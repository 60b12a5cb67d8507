#pragma once

#include <cstdio>

namespace brenmark::platform {

// Whether the stream is connected to an interactive terminal.
bool IsTerminal(std::FILE* stream);

// Makes the terminal show and read the program's UTF-8 texts as such.
void UseUtf8Terminal();

}  // namespace brenmark::platform
