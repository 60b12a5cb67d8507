#pragma once

#include <cstdio>
#include <string_view>

namespace brenmark::platform {

// Whether the stream is connected to an interactive terminal.
bool IsTerminal(std::FILE* stream);

// Makes the terminal show and read the program's UTF-8 texts as such.
void UseUtf8Terminal();

// Writes UTF-8 text to the stream: on a Windows console through the console's
// wide-character output, so that every character shows whatever its code
// page; anywhere else (a pipe, a file, a terminal of another system) as the
// bytes they are, so that readers of the output get UTF-8.
void WriteText(std::FILE* stream, std::string_view utf8);

// printf-style formatting, written with WriteText. (clang names GCC's
// gnu_printf checks printf.)
#ifdef __clang__
void PrintText(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
#else
void PrintText(std::FILE* stream, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
#endif

}  // namespace brenmark::platform
