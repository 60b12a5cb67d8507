#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "audio/WavFile.h"
#include "audio/WavInfoTags.h"

// A WAV file of any content: the samples found and the tags read must lie
// within the file, and no read may reach past its end.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brenmark::audio;
  const ReadBytesAt readAt = [&](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
    if (offset > size || count > size - offset) return false;
    if (count > 0) std::memcpy(out, data + offset, count);
    return true;
  };
  if (const auto samples = FindCdAudioSamples(readAt, size)) {
    if (samples->offset > size || samples->bytes > size - samples->offset) std::abort();
  }
  const WavInfoTags tags = ReadWavInfoTags(readAt, size);
  if (tags.title.size() + tags.artist.size() > size) std::abort();
  return 0;
}
