// An encoder library whose streams give no bytes and which cannot write the
// tag (as one that cannot open the file by the name it is given): the grab
// job must fail the track and say so.
#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) std::uint32_t beVersion(void*) { return 0; }
__attribute__((visibility("default"))) std::uint32_t beInitStream(void*, std::uint32_t* samplesPerChunk,
                                                                  std::uint32_t* outputBufferSize,
                                                                  std::uint32_t* stream) {
  *samplesPerChunk = 2304;
  *outputBufferSize = 8192;
  *stream = 1;
  return 0;
}
__attribute__((visibility("default"))) std::uint32_t beEncodeChunk(std::uint32_t, std::uint32_t, const void*, void*,
                                                                   std::uint32_t* outputBytes) {
  *outputBytes = 0;
  return 0;
}
__attribute__((visibility("default"))) std::uint32_t beDeinitStream(std::uint32_t, void*, std::uint32_t* outputBytes) {
  *outputBytes = 0;
  return 0;
}
__attribute__((visibility("default"))) std::uint32_t beCloseStream(std::uint32_t) { return 0; }
__attribute__((visibility("default"))) std::uint32_t beWriteVBRHeader(const char*) { return 2; }
}
