// The MP3 encoder library through its six functions, as the grab job loads it:
// what the configuration record asks for is what mpg123 finds in the stream,
// and beWriteVBRHeader completes the tag frame a stream reserved.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "audio/Mp3EncoderLibrary.h"
#include "audio/OutputFile.h"
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

// Encodes kSamples stereo samples of a tone-like walk into `path` as the grab
// job does, chunk by chunk; returns false when a call failed.
bool Encode(mp3::EncoderLibrary& encoder, mp3::EncoderConfig config, const std::filesystem::path& path) {
  std::uint32_t samplesPerChunk = 0, outputSize = 0;
  mp3::StreamHandle stream = 0;
  if (encoder.beInitStream(&config, &samplesPerChunk, &outputSize, &stream) != mp3::kOk) return false;
  std::vector<std::int16_t> samples(kSamples * 2);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>((i * 97) % 20000 - 10000);
  std::vector<std::uint8_t> output(outputSize);
  audio::OutputFile file;
  bool ok = file.Create(path);
  std::uint32_t produced = 0;
  for (std::size_t at = 0; ok && at < samples.size(); at += samplesPerChunk) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(samplesPerChunk, samples.size() - at));
    ok = encoder.beEncodeChunk(stream, count, samples.data() + at, output.data(), &produced) == mp3::kOk &&
         file.Write(output.data(), produced);
  }
  ok = ok && encoder.beDeinitStream(stream, output.data(), &produced) == mp3::kOk && file.Write(output.data(), produced);
  ok = encoder.beCloseStream(stream) == mp3::kOk && ok;
  return file.Close() && ok;
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

TEST_F(Mp3EncoderTest, TheTagFrameIsWrittenOnlyWhenTheStreamReservedIt) {
  for (const bool reserve : {false, true}) {
    SCOPED_TRACE(reserve);
    auto config = Config(mp3::kModeStereo, mp3::kMpeg1, 128);
    config.writeVbrHeader = reserve ? 1 : 0;
    const auto path = scratch.path() / "tagged.mp3";
    ASSERT_TRUE(Encode(encoder, config, path));
    const auto before = ReadBytes(path);
    EXPECT_EQ(encoder.beWriteVBRHeader(path.c_str()), mp3::kOk);
    const auto after = ReadBytes(path);
    ASSERT_EQ(after.size(), before.size());
    // The tag sits in the first frame behind its 4-byte header and 32 bytes of side information.
    const std::string tag(after.begin() + 36, after.begin() + 40);
    if (!reserve) {
      EXPECT_EQ(after, before);
      continue;
    }
    EXPECT_NE(after, before);
    EXPECT_EQ(tag, "Info");
    // With the tag's delay and padding the decoder gives back exactly the samples encoded.
    EXPECT_EQ(DecodeMp3(path, scratch.path()).samples, kSamples);
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

}  // namespace
}  // namespace brenmark::test
