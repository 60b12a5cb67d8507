#include "platform/Terminal.h"

#include <unistd.h>

namespace brenmark::platform {

bool IsTerminal(std::FILE* stream) { return stream != nullptr && ::isatty(::fileno(stream)) == 1; }

}  // namespace brenmark::platform
