// Finding the samples of WAV files as editors and recorders write them; a WAV
// file that changes while its track is read, and the plan a burn checks before
// it writes. What a track holds is checked end to end on burned discs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "audio/AudioTrackPlan.h"
#include "audio/AudioTrackReader.h"
#include "audio/WavFile.h"
#include "audio/WavInfoTags.h"
#include "tests/audio/WavBytes.h"
#include "tests/support/TempFolder.h"

namespace brenmark::audio {
namespace {

namespace fs = std::filesystem;
using test::CanonicalWav;
using test::Chunk;
using test::FormatChunk;
using test::Le;
using test::Riff;
using test::Samples;
using test::WavFormat;
using test::WriteBytes;
using ::testing::IsEmpty;
using ::testing::Not;

std::optional<WavSamples> Find(const std::string& bytes) {
  const auto readAt = [&](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
    if (offset > bytes.size() || count > bytes.size() - offset) return false;
    std::memcpy(out, bytes.data() + offset, count);
    return true;
  };
  return FindCdAudioSamples(readAt, bytes.size());
}

// RF64 as writers of long recordings leave it: 32-bit sizes FFFFFFFFh, the real ones in ds64.
std::string Rf64(const std::string& magic, std::uint64_t dataBytes, std::initializer_list<std::string> chunks) {
  const std::string ds64 = Chunk("ds64", Le(0, 4) + Le(0, 4) + Le(static_cast<std::uint32_t>(dataBytes), 4) +
                                             Le(static_cast<std::uint32_t>(dataBytes >> 32), 4) + std::string(12, '\0'));
  std::string body = "WAVE" + ds64;
  for (const std::string& chunk : chunks) body += chunk;
  return magic + Le(0xFFFFFFFFu, 4) + body;
}

// In RIFF, and in RF64 by the sizes in ds64.
TEST(WavFile, FindsTheDataChunkWhereverTheChunksPutIt) {
  const std::string samples(1001, 'x');
  const std::string streamedData = "data" + Le(0xFFFFFFFFu, 4) + samples;
  WavFormat extensible;
  extensible.extensible = true;
  const struct {
    const char* name;
    std::string file;
    std::uint64_t offset;
    std::uint64_t bytes;
    bool shorterThanHeader = false;
  } cases[] = {
      {"canonical", Riff({FormatChunk({}), Chunk("data", samples)}), 44, 1001},
      {"LIST and fact first", Riff({FormatChunk({}), Chunk("LIST", std::string(26, 'i')), Chunk("fact", Le(250, 4)), Chunk("data", samples)}), 44 + 34 + 12, 1001},
      {"odd chunk padded", Riff({FormatChunk({}), Chunk("bext", std::string(3, 'b')), Chunk("data", samples)}), 44 + 12, 1001},
      {"extensible", Riff({FormatChunk(extensible), Chunk("data", samples)}), 68, 1001},
      {"data before fmt", Riff({Chunk("data", samples), FormatChunk({})}), 20, 1001},
      {"chunks after data", Riff({FormatChunk({}), Chunk("data", samples), Chunk("id3 ", std::string(40, 't'))}), 44, 1001},
      {"data cut short", Riff({FormatChunk({}), "data" + Le(1u << 30, 4) + samples}), 44, 1001, true},
      {"streamed sizes", Riff({FormatChunk({}), streamedData}), 44, 1001},
      {"data size left 0", Riff({FormatChunk({}), "data" + Le(0, 4) + samples}), 44, 1001},
      {"RF64", Rf64("RF64", 1001, {FormatChunk({}), streamedData}), 12 + 36 + 24 + 8, 1001},
      {"BW64", Rf64("BW64", 1001, {FormatChunk({}), streamedData}), 12 + 36 + 24 + 8, 1001},
      // The ds64 size steps over the samples to the format after them.
      {"RF64 data before fmt", Rf64("RF64", 1000, {"data" + Le(0xFFFFFFFFu, 4) + samples.substr(1), FormatChunk({})}),
       12 + 36 + 8, 1000},
      {"ds64 shorter than the file", Rf64("RF64", 600, {FormatChunk({}), streamedData}), 12 + 36 + 24 + 8, 600},
      {"RF64 cut short", Rf64("RF64", 5000, {FormatChunk({}), streamedData}), 12 + 36 + 24 + 8, 1001, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto found = Find(c.file);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->offset, c.offset);
    EXPECT_EQ(found->bytes, c.bytes);
    EXPECT_EQ(found->shorterThanHeader, c.shorterThanHeader);
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
      // ds64 must come first and be whole; a size it gives past the file's end does not carry the walk beyond it.
      {"ds64 past the end", Rf64("RF64", std::uint64_t{1} << 40, {"data" + Le(0xFFFFFFFFu, 4) + std::string(1001, 'x'),
                                                               FormatChunk({})})},
      {"ds64 cut", "RF64" + Le(0xFFFFFFFFu, 4) + "WAVE" + Chunk("ds64", std::string(8, '\0'))},
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

class AudioTrack : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = folder_.path() / name;
    WriteBytes(path, bytes);
    return path.string();
  }

  // Every sector of the track, read `perRead` sectors at a time.
  static std::string ReadAll(AudioTrackReader& reader, std::uint32_t perRead) {
    std::vector<std::uint8_t> buffer(perRead * kAudioSectorBytes + 100, 0xEE);
    std::string track;
    while (const std::uint32_t sectors = reader.Next(buffer)) {
      track.append(reinterpret_cast<const char*>(buffer.data()), sectors * kAudioSectorBytes);
    }
    return track;
  }

  // Its own folder: the tests of this file run as parallel processes.
  const testsupport::TempFolder folder_{"audio-track"};
};

TEST_F(AudioTrack, AFileThatShrinksIsToldAndTheTrackKeepsItsLength) {
  const std::string samples = Samples(kAudioSectorBytes * 400, 9);
  const std::string path = Write("shrinks.wav", CanonicalWav(samples));
  AudioTrackReader reader;
  ASSERT_EQ(reader.Open(path), WavOpenResult::Ok);
  fs::resize_file(path, 44 + kAudioSectorBytes * 100);
  const std::string track = ReadAll(reader, 16);
  EXPECT_EQ(reader.missingBytes(), 300u * kAudioSectorBytes);
  ASSERT_EQ(track.size(), 400u * kAudioSectorBytes);
  EXPECT_EQ(track.substr(0, kAudioSectorBytes * 100), samples.substr(0, kAudioSectorBytes * 100));
  EXPECT_EQ(track.find_first_not_of('\0', kAudioSectorBytes * 100), std::string::npos);
}

TEST_F(AudioTrack, PlanMeasuresEveryFileAndNamesEachOneThatCannotBeBurned) {
  const std::string one = Write("1.wav", CanonicalWav(Samples(kAudioSectorBytes * 500, 1)));
  const std::string two = Write("2.wav", CanonicalWav(Samples(10, 2)));
  const std::string mono = Write("mono.wav", Riff({FormatChunk({.channels = 1}), Chunk("data", "ab")}));
  const std::string missing = (folder_.path() / "missing.wav").string();

  const std::vector<std::string> good = {one, two};
  const AudioTrackPlan all = PlanAudioTracks(good);
  EXPECT_THAT(all.refused, IsEmpty());
  ASSERT_EQ(all.tracks.size(), 2u);
  EXPECT_FALSE(all.tracks[0].paddedToMinimum);
  EXPECT_TRUE(all.tracks[1].paddedToMinimum);
  // 500 + 2 run-out, 150 pregap, 300 + 2 run-out.
  EXPECT_EQ(all.BlocksNeeded(), 954);
  EXPECT_EQ(all.LastTrackNumber(98), 99);

  // The files after a refused one are measured all the same.
  const std::vector<std::string> withBad = {one, mono, two, missing};
  const AudioTrackPlan mixed = PlanAudioTracks(withBad);
  ASSERT_EQ(mixed.refused.size(), 2u);
  EXPECT_EQ(mixed.refused[0].path, mono);
  EXPECT_EQ(mixed.refused[0].reason, WavOpenResult::NotCdAudio);
  EXPECT_EQ(mixed.refused[1].path, missing);
  EXPECT_EQ(mixed.refused[1].reason, WavOpenResult::CannotOpen);
  EXPECT_THAT(mixed.refused[1].systemReason, Not(IsEmpty()));
  ASSERT_EQ(mixed.tracks.size(), 2u);
  EXPECT_EQ(mixed.tracks[1].path, two);
  EXPECT_EQ(mixed.BlocksNeeded(), 954);

  // A folder is no WAV file: refused with a reason the user can read.
  const std::vector<std::string> folder = {folder_.path().string()};
  const AudioTrackPlan ofFolder = PlanAudioTracks(folder);
  ASSERT_EQ(ofFolder.refused.size(), 1u);
  EXPECT_EQ(ofFolder.refused[0].reason, WavOpenResult::CannotOpen);
  EXPECT_THAT(ofFolder.refused[0].systemReason, Not(IsEmpty()));
}

TEST(WavInfoTags, TitleAndArtistComeFromTheInfoListWhereverItStands) {
  const std::string info = "INFO" + Chunk("IART", std::string("Band\0", 5)) + Chunk("INAM", std::string("Song", 4)) +
                           Chunk("ICMT", "x");
  const std::string tagged = Riff({FormatChunk({}), Chunk("LIST", "adtl"), Chunk("data", Samples(8, 1)),
                                   Chunk("LIST", info)});
  const auto read = [](const std::string& bytes) {
    return ReadWavInfoTags([&](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
      if (offset > bytes.size() || count > bytes.size() - offset) return false;
      std::memcpy(out, bytes.data() + offset, count);
      return true;
    }, bytes.size());
  };
  const WavInfoTags tags = read(tagged);
  EXPECT_EQ(tags.title, "Song");
  EXPECT_EQ(tags.artist, "Band");
  const WavInfoTags none = read(Riff({FormatChunk({}), Chunk("data", Samples(8, 1))}));
  EXPECT_TRUE(none.title.empty() && none.artist.empty());
}

}  // namespace
}  // namespace brenmark::audio
