// An encoder library that lacks beCloseStream: the grab job must refuse it.
#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) std::uint32_t beVersion(void*) { return 0; }
__attribute__((visibility("default"))) std::uint32_t beInitStream(void*, std::uint32_t*, std::uint32_t*, std::uint32_t*) { return 1; }
__attribute__((visibility("default"))) std::uint32_t beEncodeChunk(std::uint32_t, std::uint32_t, const void*, void*, std::uint32_t*) { return 1; }
__attribute__((visibility("default"))) std::uint32_t beDeinitStream(std::uint32_t, void*, std::uint32_t*) { return 1; }
__attribute__((visibility("default"))) std::uint32_t beWriteVBRHeader(const char*) { return 1; }
}
