#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "vcd/VcdTrackSources.h"

namespace brenmark::vcd {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t PatternByte(std::uint64_t offset) { return static_cast<std::uint8_t>(offset * 7 + offset / 251); }

// A file of `size` pattern bytes in a temporary folder of its own.
struct PatternFile {
  explicit PatternFile(std::uint64_t size) {
    std::ofstream out(path(), std::ios::binary);
    for (std::uint64_t i = 0; i < size; ++i) out.put(static_cast<char>(PatternByte(i)));
  }
  std::filesystem::path path() const { return folder.path() / "source.mpg"; }

  testsupport::TempFolder folder{"vcd-source"};
};

struct RunShape {
  std::int32_t first;
  std::uint32_t count;
};

// Pulls every run as a writer would and keeps the shapes and the data.
template <typename Source>
SourceStep Drain(Source& source, std::vector<RunShape>& shapes, Bytes& data) {
  SectorRun run;
  SourceStep step;
  while ((step = source.Next(run)) == SourceStep::Run) {
    shapes.push_back({run.firstSector, run.count});
    data.insert(data.end(), run.data.begin(), run.data.end());
    source.AfterWrite(run);
  }
  return step;
}

TEST(Track1Source, SingleBlocksThenZerosSixteenAtATime) {
  const auto table = LayTracks(std::vector<std::uint64_t>{2324});
  Bytes buffer(60000);
  std::uint32_t stepped = 0;
  Track1Source source(*table, 0, buffer, [&](std::uint32_t blocks) { stepped += blocks; });
  std::vector<RunShape> shapes;
  Bytes data;
  EXPECT_EQ(Drain(source, shapes, data), SourceStep::End);
  ASSERT_EQ(shapes.size(), 152u + 150 + 8);
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    const bool sixteen = i >= 152 && i < 302;
    EXPECT_EQ(shapes[i].count, sixteen ? 16u : 1u) << i;
  }
  EXPECT_EQ(shapes[152].first, 152);
  EXPECT_EQ(shapes.back().first, 2559);
  EXPECT_EQ(stepped, 2560u);
  EXPECT_EQ(data.size(), 2560u * 2048);
  EXPECT_EQ(std::string(data.begin() + 151 * 2048, data.begin() + 151 * 2048 + 8), "ENTRYVCD");
  EXPECT_EQ(Bytes(data.begin() + 152 * 2048, data.end()), Bytes(2408u * 2048, 0));
}

TEST(MpegTrackSource, RunsPaddingAndEveryByteOnce) {
  struct Case {
    std::uint64_t size;
    std::vector<std::uint32_t> dataRuns;
  };
  const Case cases[] = {
      {2324 * 32, {16, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {2324 * 33, {16, 16, 1}},
      {2324 * 2 + 1, {1, 1, 1}},
      {2324 * 40, {16, 16, 1, 1, 1, 1, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    PatternFile source(c.size);
    platform::File file;
    ASSERT_TRUE(file.OpenForReading(source.path()));
    Bytes buffer(60000);
    std::uint32_t stepped = 0;
    MpegTrackSource::Track track{3, 2712, 2860, c.size};
    MpegTrackSource mpeg(file, track, buffer, [&](std::uint32_t blocks) { stepped += blocks; });
    std::vector<RunShape> shapes;
    Bytes blocks;
    ASSERT_EQ(Drain(mpeg, shapes, blocks), SourceStep::End);

    const std::size_t lead = 2860 - 2712;
    ASSERT_EQ(shapes.size(), lead + c.dataRuns.size() + 50);
    std::int32_t expectedFirst = 2712;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
      const bool data = i >= lead && i < lead + c.dataRuns.size();
      EXPECT_EQ(shapes[i].first, expectedFirst) << i;
      EXPECT_EQ(shapes[i].count, data ? c.dataRuns[i - lead] : 1u) << i;
      expectedFirst += static_cast<std::int32_t>(shapes[i].count);
    }
    const std::uint64_t dataBlocks = MpegSectorsFor(c.size);
    EXPECT_EQ(stepped, dataBlocks);
    EXPECT_EQ(mpeg.taken(), c.size);

    // Every block's subheader by kind; the data itself is compared end to end after a burn.
    for (std::size_t b = 0; b < blocks.size() / kMpegBlockSize; ++b) {
      const std::uint8_t* block = blocks.data() + b * kMpegBlockSize;
      const bool data = b >= lead && b < lead + dataBlocks;
      EXPECT_EQ(Bytes(block, block + 4), data ? Bytes({3, 1, 0x62, 0x0F}) : Bytes({3, 0, 0x60, 0})) << b;
    }
  }
}

}  // namespace
}  // namespace brenmark::vcd
