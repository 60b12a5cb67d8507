#pragma once

#include <cstdint>
#include <string>

namespace brenmark {

// The name of an MMC command by its opcode, as a trace shows it
// ("WRITE(10)", "SYNCHRONIZE CACHE"), or "OPCODE xxh" for one not known here.
std::string CommandName(std::uint8_t opcode);

}  // namespace brenmark
