// The MP3 encoder library through its six functions, as the grab job loads it:
// what the configuration record asks for is what mpg123 finds in the stream,
// and beWriteVBRHeader completes the tag frame a stream reserved; the stream's
// owner and the MP3 track writer over it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "audio/Mp3EncoderLibrary.h"
#include "audio/Mp3EncoderStream.h"
#include "audio/Mp3TrackWriter.h"
#include "audio/OutputFile.h"
#include "platform/Utf8Path.h"
#include "tests/jobs/grab/GrabHarness.h"

namespace brenmark::test {
namespace {

constexpr std::uint64_t kSamples = 300 * 588;

mp3::EncoderConfig Config(std::int32_t mode, std::uint32_t mpegVersion, std::uint32_t bitrate) {
  mp3::EncoderConfig config{};
  config.configKind = mp3::kConfigKindLame;
  config.structVersion = mp3::kConfigStructVersion;
  config.structSize = sizeof config;
  config.sampleRate = 44100;
  config.mode = mode;
  config.bitrate = bitrate;
  config.mpegVersion = mpegVersion;
  config.originalFlag = 1;
  config.noBitReservoir = 1;
  return config;
}

// kSamples stereo samples of a tone-like walk.
std::vector<std::int16_t> Walk() {
  std::vector<std::int16_t> samples(kSamples * 2);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>((i * 97) % 20000 - 10000);
  return samples;
}

// Encodes the walk into `path` chunk by chunk through the six functions;
// returns false when a call failed.
bool Encode(mp3::EncoderLibrary& encoder, mp3::EncoderConfig config, const std::filesystem::path& path) {
  std::uint32_t samplesPerChunk = 0, outputSize = 0;
  mp3::StreamHandle stream = 0;
  if (encoder.beInitStream(&config, &samplesPerChunk, &outputSize, &stream) != mp3::kOk) return false;
  const std::vector<std::int16_t> samples = Walk();
  std::vector<std::uint8_t> output(outputSize);
  audio::OutputFile file;
  bool ok = file.Create(path, true);
  std::uint32_t produced = 0;
  for (std::size_t at = 0; ok && at < samples.size(); at += samplesPerChunk) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(samplesPerChunk, samples.size() - at));
    ok = encoder.beEncodeChunk(stream, count, samples.data() + at, output.data(), &produced) == mp3::kOk &&
         file.Write(output.data(), produced);
  }
  ok = ok && encoder.beDeinitStream(stream, output.data(), &produced) == mp3::kOk && file.Write(output.data(), produced);
  ok = encoder.beCloseStream(stream) == mp3::kOk && ok;
  return file.Close() && file.Commit() && ok;
}

class Mp3EncoderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(encoder.Load(BRENMARK_ENCODER_PATH), mp3::EncoderLibrary::LoadResult::Loaded); }

  mp3::EncoderLibrary encoder;
  endtoend::ScratchFolder scratch{"mp3"};
};

TEST_F(Mp3EncoderTest, TheStreamFollowsModeMpegVersionAndBitrateOfTheRecord) {
  struct Row {
    std::int32_t mode;
    std::uint32_t mpegVersion;
    std::uint32_t bitrate;
    const char* stream;
  };
  const Row rows[] = {
      {mp3::kModeStereo, mp3::kMpeg1, 128, "MPEG 1.0 L III cbr128 44100 stereo"},
      {mp3::kModeJointStereo, mp3::kMpeg1, 320, "MPEG 1.0 L III cbr320 44100 j-s"},
      {mp3::kModeMono, mp3::kMpeg1, 64, "MPEG 1.0 L III cbr64 44100 mono"},
      {mp3::kModeStereo, mp3::kMpeg2, 64, "MPEG 2.0 L III cbr64 22050 stereo"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stream);
    const auto path = scratch.path() / "stream.mp3";
    ASSERT_TRUE(Encode(encoder, Config(row.mode, row.mpegVersion, row.bitrate), path));
    EXPECT_EQ(encoder.beWriteVBRHeader(path.c_str()), mp3::kOk);
    EXPECT_EQ(DecodeMp3(path, scratch.path()).stream, row.stream);
  }
}

// A stream that reserved its tag frame gets it completed in place; below 64
// kbit/s, where a frame of the stream's own bitrate cannot hold the tag, an
// Info frame is put before the stream. Either way the decoder gives back
// exactly the samples encoded, by the tag's delay and padding.
TEST_F(Mp3EncoderTest, TheTagFrameIsWrittenAtEveryBitrateOnlyWhenTheStreamReservedIt) {
  for (const std::uint32_t bitrate : {32u, 48u, 56u, 128u}) {
    for (const bool reserve : {false, true}) {
      SCOPED_TRACE(std::to_string(bitrate) + (reserve ? " reserved" : ""));
      auto config = Config(mp3::kModeStereo, mp3::kMpeg1, bitrate);
      config.writeVbrHeader = reserve ? 1 : 0;
      const auto path = scratch.path() / "tagged.mp3";
      ASSERT_TRUE(Encode(encoder, config, path));
      const auto before = ReadBytes(path);
      EXPECT_EQ(encoder.beWriteVBRHeader(path.c_str()), mp3::kOk);
      const auto after = ReadBytes(path);
      // The tag sits in the first frame behind its 4-byte header and 32 bytes of side information.
      EXPECT_EQ(std::string(after.begin() + 36, after.begin() + 40) == "Info", reserve);
      EXPECT_EQ(after == before, !reserve);
      if (!reserve) continue;
      ASSERT_GE(after.size(), before.size());
      EXPECT_TRUE(std::equal(before.end() - 4096, before.end(), after.end() - 4096)) << "the stream itself changed";
      const auto decoded = DecodeMp3(path, scratch.path());
      EXPECT_EQ(decoded.samples, kSamples);
      EXPECT_EQ(decoded.stream, "MPEG 1.0 L III cbr" + std::to_string(bitrate) + " 44100 stereo");
    }
  }
}

TEST_F(Mp3EncoderTest, CallsOutsideTheContractAreRefusedNotFollowed) {
  auto config = Config(mp3::kModeStereo, mp3::kMpeg1, 128);
  std::uint32_t samples = 0, size = 0;
  mp3::StreamHandle stream = 0;
  config.configKind = 0;
  EXPECT_EQ(encoder.beInitStream(&config, &samples, &size, &stream), mp3::kInvalidFormat);
  config = Config(mp3::kModeStereo, mp3::kMpeg1, 0);
  EXPECT_EQ(encoder.beInitStream(&config, &samples, &size, &stream), mp3::kInvalidFormatParameters);

  config = Config(mp3::kModeStereo, mp3::kMpeg1, 128);
  ASSERT_EQ(encoder.beInitStream(&config, &samples, &size, &stream), mp3::kOk);
  std::vector<std::int16_t> input(samples + 2);
  std::vector<std::uint8_t> output(size);
  std::uint32_t produced = 0;
  EXPECT_EQ(encoder.beEncodeChunk(stream, samples + 2, input.data(), output.data(), &produced), mp3::kBufferTooSmall);
  EXPECT_EQ(encoder.beEncodeChunk(stream + 1, samples, input.data(), output.data(), &produced), mp3::kInvalidHandle);
  EXPECT_EQ(encoder.beCloseStream(stream), mp3::kOk);
  EXPECT_EQ(encoder.beCloseStream(stream), mp3::kInvalidHandle);
  EXPECT_EQ(encoder.beDeinitStream(stream, output.data(), &produced), mp3::kInvalidHandle);
}

TEST_F(Mp3EncoderTest, TheStreamIsClosedByItsOwnerWhetherATrackIsFinishedAbandonedOrNeitherAndTheTagIsWritten) {
  // A tag call answers kOk only when a stream of this thread was closed since
  // the last one; the probe is any existing file (no stream here reserves a tag).
  const auto probe = scratch.path() / "probe.mp3";
  std::ofstream(probe) << "probe";
  const auto closedSinceLastCall = [&] { return encoder.beWriteVBRHeader(probe.c_str()) == mp3::kOk; };
  closedSinceLastCall();
  ASSERT_FALSE(closedSinceLastCall());

  {
    mp3::EncoderStream stream(encoder);
    ASSERT_TRUE(stream.Open(Config(mp3::kModeStereo, mp3::kMpeg1, 128)));
  }
  EXPECT_TRUE(closedSinceLastCall());

  audio::Mp3TrackWriter writer(encoder, Config(mp3::kModeStereo, mp3::kMpeg1, 128));
  const std::vector<std::int16_t> walk = Walk();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(walk.data());
  const std::size_t size = walk.size() * sizeof walk[0];
  ASSERT_EQ(writer.Open(scratch.path() / "abandoned.mp3", size, false), audio::TrackWriteStatus::Ok);
  ASSERT_EQ(writer.Write(bytes, 16 * 2352), audio::TrackWriteStatus::Ok);
  writer.Abandon();
  EXPECT_TRUE(closedSinceLastCall());

  // A finished track, in a folder whose name is not ASCII, is handed over in
  // reads of 16 sectors and single sectors, across the encoder's chunks.
  const auto folder = scratch.path() / platform::PathFromUtf8("Музыка ♫");
  std::filesystem::create_directory(folder);
  ASSERT_EQ(writer.Open(folder / "track01.mp3", size, false), audio::TrackWriteStatus::Ok);
  for (std::size_t at = 0; at < size;) {
    const std::size_t read = std::min<std::size_t>(size - at, size - at > 16 * 2352 ? 16 * 2352 : 2352);
    ASSERT_EQ(writer.Write(bytes + at, read), audio::TrackWriteStatus::Ok);
    at += read;
  }
  EXPECT_EQ(writer.Finish(), audio::TrackWriteStatus::Ok);
  EXPECT_FALSE(closedSinceLastCall()) << "the writer left its stream's tag call undone";
  const auto decoded = DecodeMp3(folder / "track01.mp3", scratch.path());
  EXPECT_EQ(decoded.stream, "MPEG 1.0 L III cbr128 44100 stereo");
  // Every sample given is in the stream: the decoder adds the encoder's and
  // its own delay, and the last frame is padded.
  constexpr std::uint64_t kDelay = 576 + 529;
  EXPECT_GE(decoded.samples, kSamples + kDelay);
  EXPECT_LT(decoded.samples, kSamples + kDelay + 1152);
}

}  // namespace
}  // namespace brenmark::test
