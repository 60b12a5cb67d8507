#include "platform/Terminal.h"

#include <unistd.h>

namespace brenmark::platform {

bool IsTerminal(std::FILE* stream) { return stream != nullptr && ::isatty(::fileno(stream)) == 1; }

// Terminals here take the bytes of the user's locale, UTF-8 in practice.
void UseUtf8Terminal() {}

void WriteText(std::FILE* stream, std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stream); }

}  // namespace brenmark::platform
