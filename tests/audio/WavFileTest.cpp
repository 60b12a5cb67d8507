// Finding the samples of WAV files as editors and recorders write them.
#include <gtest/gtest.h>

#include <cstring>

#include "audio/WavFile.h"
#include "tests/audio/WavBytes.h"

namespace brenmark::audio {
namespace {

using test::Chunk;
using test::FormatChunk;
using test::Le;
using test::Riff;
using test::WavFormat;

std::optional<WavSamples> Find(const std::string& bytes) {
  const auto readAt = [&](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
    if (offset > bytes.size() || count > bytes.size() - offset) return false;
    std::memcpy(out, bytes.data() + offset, count);
    return true;
  };
  return FindCdAudioSamples(readAt, bytes.size());
}

struct AcceptedCase {
  const char* name;
  std::string file;
  std::uint64_t offset;
  std::uint64_t bytes;
};

TEST(WavFile, FindsTheDataChunkWhereverTheChunksPutIt) {
  const std::string samples(1001, 'x');
  WavFormat extensible;
  extensible.extensible = true;
  const AcceptedCase cases[] = {
      {"canonical", Riff({FormatChunk({}), Chunk("data", samples)}), 44, 1001},
      {"LIST and fact first", Riff({FormatChunk({}), Chunk("LIST", std::string(26, 'i')), Chunk("fact", Le(250, 4)), Chunk("data", samples)}), 44 + 34 + 12, 1001},
      {"odd chunk padded", Riff({FormatChunk({}), Chunk("bext", std::string(3, 'b')), Chunk("data", samples)}), 44 + 12, 1001},
      {"extensible", Riff({FormatChunk(extensible), Chunk("data", samples)}), 68, 1001},
      {"data before fmt", Riff({Chunk("data", samples), FormatChunk({})}), 20, 1001},
      {"chunks after data", Riff({FormatChunk({}), Chunk("data", samples), Chunk("id3 ", std::string(40, 't'))}), 44, 1001},
      {"data cut short", Riff({FormatChunk({}), "data" + Le(1u << 30, 4) + samples}), 44, 1001},
      {"streamed sizes", Riff({FormatChunk({}), "data" + Le(0xFFFFFFFFu, 4) + samples}), 44, 1001},
      {"data size left 0", Riff({FormatChunk({}), "data" + Le(0, 4) + samples}), 44, 1001},
  };
  for (const AcceptedCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto found = Find(c.file);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->offset, c.offset);
    EXPECT_EQ(found->bytes, c.bytes);
  }
}

TEST(WavFile, RefusesWhatIsNotCdAudioAndNeverReadsPastTheFile) {
  const std::string data = Chunk("data", std::string(64, 'x'));
  auto format = [](auto change) {
    WavFormat f;
    change(f);
    return FormatChunk(f);
  };
  const std::string canonical = Riff({FormatChunk({}), data});
  const std::pair<const char*, std::string> cases[] = {
      {"8 bit", Riff({format([](WavFormat& f) { f.bits = 8; }), data})},
      {"mono", Riff({format([](WavFormat& f) { f.channels = 1; }), data})},
      {"48 kHz", Riff({format([](WavFormat& f) { f.rate = 48000; }), data})},
      {"float tag", Riff({format([](WavFormat& f) { f.tag = 3; }), data})},
      {"extensible float", Riff({format([](WavFormat& f) { f.extensible = true; f.subFormatTag = 3; }), data})},
      {"24 bit extensible", Riff({format([](WavFormat& f) { f.extensible = true; f.bits = 24; }), data})},
      {"short fmt", Riff({Chunk("fmt ", std::string(14, '\0')), data})},
      {"no data chunk", Riff({FormatChunk({}), Chunk("LIST", "xx")})},
      {"no fmt chunk", Riff({data})},
      {"not RIFF", "RIFX" + canonical.substr(4)},
      {"not WAVE", canonical.substr(0, 8) + "AVI " + canonical.substr(12)},
      {"header only", canonical.substr(0, 12)},
      {"cut in fmt", canonical.substr(0, 30)},
      {"cut in data header", canonical.substr(0, 40)},
      {"chunk larger than the file", Riff({FormatChunk({}), Chunk("LIST", "ab", 0xFFFFFFF0u), data})},
      {"empty", ""},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(Find(bytes).has_value());
  }
}

TEST(WavFile, GivesUpOnAWalkOfEndlessTinyChunks) {
  std::string chunks;
  for (int i = 0; i < 5000; ++i) chunks += Chunk("junk", "");
  const std::string bytes = Riff({FormatChunk({}), chunks, Chunk("data", "abcd")});
  EXPECT_FALSE(Find(bytes).has_value());
}

}  // namespace
}  // namespace brenmark::audio
