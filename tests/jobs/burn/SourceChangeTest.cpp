// Source files of audio and Video CD burns that change between the check
// before the first write and their own track.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/AudioCdSaoJob.h"
#include "jobs/burn/BurnSequence.h"
#include "jobs/burn/VcdJob.h"
#include "tests/audio/WavBytes.h"
#include "tests/endtoend/VirtualBench.h"
#include "tests/support/RecordingProgress.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using audio::test::Chunk;
using audio::test::FormatChunk;
using audio::test::Riff;
using audio::test::Samples;
using ::testing::HasSubstr;

enum class Change { None, Grow, Shrink, Replace };

struct BurnKind {
  const char* name;
  JobProcedure job;
  const char* secondTrackStatus;  // while it shows, the second file's track has not begun
  const char* failed;
  const char* filler;
};

const BurnKind kTrackAtOnce{"track at once", AudioCdJob, "Burning Track 1 of 2 on CD ...",
                            burntext::kBurnFailed, "silence"};
const BurnKind kSessionAtOnce{"session at once", AudioCdSaoJob, "Burning Track 1 of 2 on CD ...",
                              burntext::kBurnFailed, "silence"};
const BurnKind kVideoCd{"Video CD", VcdJob, "Burning Track 2 of 3 on Video CD ...", vcdjobtext::kFailed, "zeros"};

struct Sources {
  explicit Sources(bool video) {
    for (const char* name : {"first", "second"}) {
      const fs::path path = folder.path() / (std::string(name) + (video ? ".mpg" : ".wav"));
      if (video) {
        const auto made = MakeVcdStream(path, 1, "ntsc-vcd");
        EXPECT_EQ(made.exitStatus, 0) << made.err;
      } else {
        audio::test::WriteBytes(path, Riff({FormatChunk({}), Chunk("data", Samples(2352 * 400, name[0]))}));
      }
      paths.push_back(path.string());
    }
  }
  ScratchFolder folder{"changing"};
  std::vector<std::string> paths;
};

struct Burned {
  JobEnd result = JobEnd::Done;
  std::vector<test::RecordingPrompt::Message> messages;
  std::string lastStatus;
  std::string disc;  // the .bin the recorder kept
};

Burned BurnChanging(const BurnKind& kind, const Sources& sources, Change change) {
  const fs::path second = sources.paths[1];
  const auto act = [&] {
    switch (change) {
      case Change::None: break;
      case Change::Grow: {
        std::ofstream(second, std::ios::binary | std::ios::app) << std::string(50000, '\x5A');
        break;
      }
      case Change::Shrink: fs::resize_file(second, fs::file_size(second) / 4); break;
      case Change::Replace: {
        const fs::path other = second.string() + ".new";
        fs::copy_file(sources.paths[0], other);
        fs::rename(other, second);
        break;
      }
    }
  };
  VirtualBench bench;
  JobInputs inputs;
  inputs.sourceFiles = sources.paths;
  inputs.currentDrive = VirtualBench::kCdDrive;
  inputs.writeSpeed = 705;
  auto progress = std::make_shared<test::ActingProgress>(kind.secondTrackStatus, act);
  auto job = bench.runner->Start(kind.job, std::move(inputs), progress);
  job->Wait();
  Burned burned{job->result(), bench.prompt.messages(), progress->record.statuses().back(), {}};
  if (!bench.finishedImages().empty()) burned.disc = ReadWholeFile(BinOf(bench.finishedImages().back()));
  return burned;
}

// The disc keeps the layout made at the check: a file that grew or was
// replaced is written as it was (the same disc as an unchanged burn), one that
// got shorter has filler in place of what it lost and fails the burn, named
// again at its end. Each change is told in a notice naming the file.
TEST(SourceChanges, TheDiscHoldsTheFilesAsCheckedAndEveryChangeIsToldByName) {
  const Sources wavs(false);
  const Sources mpegs(true);
  struct Row {
    const BurnKind& kind;
    Change change;
    const char* notice;
  };
  const std::vector<Row> rows = {
      {kTrackAtOnce, Change::Grow, "has grown since it was checked"},
      {kTrackAtOnce, Change::Shrink, "got shorter after it was checked"},
      {kTrackAtOnce, Change::Replace, "was replaced or removed after it was checked"},
      {kSessionAtOnce, Change::Grow, "has grown since it was checked"},
      {kSessionAtOnce, Change::Shrink, "got shorter after it was checked"},
      {kSessionAtOnce, Change::Replace, "was replaced or removed after it was checked"},
      {kVideoCd, Change::Grow, "has grown since it was checked"},
      {kVideoCd, Change::Shrink, "got shorter after it was checked"},
      {kVideoCd, Change::Replace, "was replaced or removed after it was checked"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.kind.name) + " " + row.notice);
    const Sources& sources = &row.kind == &kVideoCd ? mpegs : wavs;
    const Burned unchanged = BurnChanging(row.kind, sources, Change::None);
    ASSERT_EQ(unchanged.result, JobEnd::Done);
    const std::string kept = ReadWholeFile(sources.paths[1]);
    const Burned burned = BurnChanging(row.kind, sources, row.change);
    audio::test::WriteBytes(sources.paths[1], kept);

    ASSERT_FALSE(burned.messages.empty());
    EXPECT_THAT(burned.messages[0].text, HasSubstr("The file " + sources.paths[1] + " " + row.notice));
    EXPECT_EQ(burned.messages[0].icon, MessageIcon::Plain);
    ASSERT_EQ(burned.disc.size(), unchanged.disc.size());
    if (row.change != Change::Shrink) {
      EXPECT_EQ(burned.result, JobEnd::Done);
      EXPECT_EQ(burned.messages.size(), 1u);
      // The Video CD's file system holds the time of writing.
      if (&row.kind != &kVideoCd) {
        EXPECT_TRUE(burned.disc == unchanged.disc);
      }
      continue;
    }
    EXPECT_THAT(burned.messages[0].text, HasSubstr(row.kind.filler));
    EXPECT_EQ(burned.result, JobEnd::BurnFailed);
    EXPECT_EQ(burned.lastStatus, row.kind.failed);
    ASSERT_EQ(burned.messages.size(), 2u);
    EXPECT_THAT(burned.messages[1].text, HasSubstr("\n" + sources.paths[1] + ": "));
    EXPECT_EQ(burned.messages[1].icon, MessageIcon::Error);
  }
}

}  // namespace
}  // namespace brenmark::endtoend
