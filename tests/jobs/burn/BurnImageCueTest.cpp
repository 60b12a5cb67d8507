// The cue sheets burn-image takes: what is refused before anything is
// written, with the line or file named, and where an accepted image's blocks go.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "jobs/burn/BurnImagePlan.h"
#include "jobs/burn/SessionAtOnceWrite.h"

namespace brenmark::burnimage {
namespace {

// The sizes of the files the plans see; any other file does not exist.
std::optional<std::uint64_t> SizeOf(const std::filesystem::path& path) {
  static const std::map<std::string, std::uint64_t> sizes = {
      {"img/a.bin", 2352 * 1000}, {"img/b.bin", 2352 * 400 + 1}, {"img/d.iso", 2048 * 500}};
  const auto found = sizes.find(path.generic_string());
  if (found == sizes.end()) return std::nullopt;
  return found->second;
}

// The whole check: the parse, then the plan against the files.
std::string RefusalOf(const std::string& cue) {
  const ImageCueResult parsed = ParseImageCue(cue);
  if (!parsed.cue) return parsed.error;
  return PlanImage(*parsed.cue, "img", SizeOf).error;
}

struct Refusal {
  const char* what;
  const char* cue;
  const char* message;
};

class RefusedImages : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedImages, AreRefusedNamingTheLineOrTheFile) { EXPECT_EQ(RefusalOf(GetParam().cue), GetParam().message); }

INSTANTIATE_TEST_SUITE_P(
    Cues, RefusedImages,
    ::testing::Values(
        Refusal{"NoTrack", "FILE \"a.bin\" BINARY\n", "the cue sheet has no TRACK"},
        Refusal{"TrackBeforeFile", "TRACK 01 AUDIO\n", "line 1: TRACK before any FILE"},
        Refusal{"UnsupportedMode", "FILE a.bin BINARY\nTRACK 01 CDG\n",
                "line 2: track mode CDG is not supported (AUDIO, MODE1/2048, MODE1/2352, MODE2/2336, MODE2/2352)"},
        Refusal{"WaveFile", "FILE a.wav WAVE\n", "line 1: FILE type WAVE is not supported (only BINARY)"},
        Refusal{"NoIndex01", "FILE a.bin BINARY\nTRACK 01 AUDIO\n  INDEX 00 00:00:00\nTRACK 02 AUDIO\n",
                "line 2: track 1 has no INDEX 01"},
        Refusal{"TrackNumbersSkip", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\n",
                "line 4: track 03 does not follow the track before"},
        Refusal{"IndexesOverlap",
                "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:04:00\n"
                "INDEX 01 00:03:74\n",
                "line 6: INDEX time 00:03:74 is not after the index before"},
        Refusal{"BadTime", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n",
                "line 3: INDEX time 00:00:75 is not mm:ss:ff"},
        Refusal{"BadIsrc", "FILE a.bin BINARY\nTRACK 01 AUDIO\nISRC US-ABC-12\n",
                "line 3: ISRC needs 5 letters or digits, then 7 digits (like USABC2412345)"},
        Refusal{"Postgap", "FILE a.bin BINARY\nTRACK 01 AUDIO\nPOSTGAP 00:02:00\n",
                "line 3: POSTGAP is not supported: store the gap in the file"},
        Refusal{"MissingFile", "FILE \"gone.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
                "FILE gone.bin (line 1) does not exist or cannot be read"},
        Refusal{"SizeNotWholeBlocks", "FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
                "FILE b.bin: its size (940801 bytes) does not fit the cue sheet: track 1 (line 2) needs whole blocks "
                "of 2352 bytes from byte 0"},
        Refusal{"IndexPastTheFile", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 02 00:14:00\n",
                "line 4: INDEX 2 lies past the end of FILE a.bin"},
        Refusal{"ShortTrack", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:10:00\n",
                "line 4: track 2 lasts less than 4 seconds (250 blocks)"},
        Refusal{"PregapHalfGeneratedOnRawData",
                "FILE a.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 00 00:00:00\nINDEX 01 00:01:00\n",
                "line 2: track 1: a pregap partly in the file and partly generated needs a cooked mode (MODE1/2048, "
                "MODE2/2336) or AUDIO"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(ImagePlan, PutsEveryPregapIndexAndTextWhereTheDiscTakesThem) {
  const ImageCueResult parsed = ParseImageCue(
      "CATALOG 0123456789012\nTITLE \"Live\"\nFILE \"d.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
      "FILE a.bin BINARY\n  TRACK 02 AUDIO\n    TITLE \"Opening\"\n    PREGAP 00:02:00\n    ISRC usabc1234567\n"
      "    FLAGS DCP PRE\n    INDEX 01 00:00:00\n  TRACK 03 AUDIO\n    INDEX 00 00:05:00\n    INDEX 01 00:06:00\n"
      "    INDEX 02 00:08:00\n");
  ASSERT_TRUE(parsed.cue) << parsed.error;
  const ImagePlanResult planned = PlanImage(*parsed.cue, "img", SizeOf);
  ASSERT_TRUE(planned.plan) << planned.error;
  const ImagePlan& plan = *planned.plan;

  // The data track gets its two-second pregap generated; track 2 its PREGAP;
  // track 3's pregap is in the file (a.bin: 1000 blocks, 375 in track 2).
  using F = cdcue::DataForm;
  ASSERT_EQ(plan.cue.tracks.size(), 3u);
  const std::vector<std::vector<cdcue::CueIndex>> indexes = {
      {{0, -150, F::Mode1}, {1, 0, F::Mode1}},
      {{0, 500, F::Audio}, {1, 650, F::Audio}},
      {{0, 1025, F::Audio}, {1, 1100, F::Audio}, {2, 1250, F::Audio}}};
  for (std::size_t t = 0; t < 3; ++t) {
    ASSERT_EQ(plan.cue.tracks[t].indexes.size(), indexes[t].size()) << "track " << t + 1;
    for (std::size_t i = 0; i < indexes[t].size(); ++i) {
      EXPECT_EQ(plan.cue.tracks[t].indexes[i].lba, indexes[t][i].lba) << "track " << t + 1 << " index " << i;
      EXPECT_EQ(plan.cue.tracks[t].indexes[i].form, indexes[t][i].form) << "track " << t + 1 << " index " << i;
    }
  }
  EXPECT_EQ(plan.cue.leadOut, 1650);
  EXPECT_EQ(plan.cue.catalog, "0123456789012");
  EXPECT_EQ(plan.cue.tracks[1].isrc, "USABC1234567");
  EXPECT_TRUE(plan.cue.tracks[1].copyPermitted && plan.cue.tracks[1].preEmphasis);
  EXPECT_TRUE(plan.cue.tracks[0].data && !plan.cue.tracks[1].data);
  EXPECT_EQ(plan.texts, (std::vector<cdtext::Entry>{{cdtext::kTitle, 0, "Live"}, {cdtext::kTitle, 2, "Opening"}}));

  struct Expected {
    std::int32_t first;
    std::uint32_t blocks;
    int blockSize;
    std::optional<std::size_t> file;
    std::uint64_t offset;
  };
  const std::vector<Expected> segments = {{-150, 150, 2048, std::nullopt, 0}, {0, 500, 2048, 0, 0},
                                          {500, 150, 2352, std::nullopt, 0},  {650, 375, 2352, 1, 0},
                                          {1025, 625, 2352, 1, 375 * 2352}};
  ASSERT_EQ(plan.segments.size(), segments.size());
  for (std::size_t s = 0; s < segments.size(); ++s) {
    const Segment& got = plan.segments[s];
    EXPECT_EQ((std::tuple{got.first, got.blocks, got.blockSize, got.file, got.offset}),
              (std::tuple{segments[s].first, segments[s].blocks, segments[s].blockSize, segments[s].file,
                          segments[s].offset}))
        << "segment " << s;
  }
  EXPECT_EQ(plan.tracks[2].start, 1100);
  EXPECT_EQ(plan.tracks[2].blocks, 550u);
}

// The packs hold ISO 8859-1: UTF-8 is turned into it, a character beyond it
// into '?', and bytes that are not UTF-8 stay as they are.
TEST(CdTextOfImages, TextsAreWrittenInIso8859_1) {
  const auto packs = EncodeCdText({{cdtext::kTitle, 0, "Caf\xC3\xA9 \xE2\x82\xAC \xE9"}});
  ASSERT_FALSE(packs.empty());
  EXPECT_EQ(std::string(packs[0].begin() + 4, packs[0].begin() + 12), "Caf\xE9 ? \xE9");
}

}  // namespace
}  // namespace brenmark::burnimage
