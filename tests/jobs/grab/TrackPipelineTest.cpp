// The track pipeline with writers that only record: each track's bytes reach
// its own writer whole and in order, outcomes come in disc order, and a
// failure leaves the tracks after it abandoned, with and without workers.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <numeric>
#include <vector>

#include "jobs/grab/TrackPipeline.h"

namespace brenmark::audio {
namespace {

// What a recording writer was given and asked, read once the pipeline is done with it.
struct WriterRecord {
  std::vector<std::uint8_t> bytes;
  std::filesystem::path namedAs;
  bool finished = false;
  bool abandoned = false;
};

class RecordingWriter final : public TrackWriter {
 public:
  RecordingWriter(WriterRecord& record, std::size_t failAfter) : record_(record), failAfter_(failAfter) {}

  TrackWriteStatus Open(const std::filesystem::path&, std::uint64_t, bool) override { return TrackWriteStatus::Ok; }
  TrackWriteStatus Write(const std::uint8_t* samples, std::size_t bytes) override {
    if (record_.bytes.size() + bytes > failAfter_) return TrackWriteStatus::DataNotWritten;
    record_.bytes.insert(record_.bytes.end(), samples, samples + bytes);
    return TrackWriteStatus::Ok;
  }
  TrackWriteStatus Finish() override {
    record_.finished = true;
    return TrackWriteStatus::Ok;
  }
  void Abandon() override { record_.abandoned = true; }
  void NameAs(const std::filesystem::path& path, bool) override { record_.namedAs = path; }
  const std::string& lastError() const override { return error_; }

 private:
  WriterRecord& record_;
  std::size_t failAfter_;
  std::string error_ = "disk full";
};

constexpr std::size_t kBlock = 1000;
constexpr int kBlocksPerTrack = 30;

TEST(TrackPipeline, TracksReachTheirOwnWritersWholeAndAFailureAbandonsTheTracksAfterIt) {
  struct Row {
    const char* name;
    int workers;
    std::size_t budget;
    int failingTrack;  // -1: none
  };
  const Row rows[] = {
      {"on the caller's thread", 0, 0, -1},  {"one worker", 1, 4 * kBlock, -1},
      {"two workers", 2, 100 * kBlock, -1},  {"a budget below one block", 2, 1, -1},
      {"failure, no worker", 0, 0, 1},       {"failure, two workers", 2, 100 * kBlock, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<WriterRecord> records(3);
    TrackPipeline pipeline(row.workers, row.budget);
    std::vector<TrackPipeline::Outcome> outcomes;
    // As the grab does: the outcomes taken in order, the rest abandoned at the first failure.
    const auto takeFinished = [&](bool wait) {
      while (auto outcome = pipeline.TakeFinished(wait)) {
        outcomes.push_back(*outcome);
        if (outcome->status == TrackWriteStatus::Ok) continue;
        pipeline.AbandonAll();
        return false;
      }
      return true;
    };
    std::uint8_t next = 0;
    int begun = 0;
    for (int track = 0; track < 3; ++track, ++begun) {
      const std::size_t failAfter = track == row.failingTrack ? 5 * kBlock : SIZE_MAX;
      pipeline.Begin(std::make_unique<RecordingWriter>(records[track], failAfter));
      std::vector<std::uint8_t> block(kBlock);
      for (int at = 0; at < kBlocksPerTrack; ++at) {
        std::iota(block.begin(), block.end(), next++);
        pipeline.Write(block.data(), block.size());
      }
      pipeline.End(track == 2 ? std::optional<std::filesystem::path>("track03.incomplete.wav") : std::nullopt);
      if (!takeFinished(false)) {
        ++begun;
        break;
      }
    }
    takeFinished(true);

    const std::size_t expected = row.failingTrack < 0 ? 3 : row.failingTrack + 1;
    ASSERT_EQ(outcomes.size(), expected);
    for (int track = 0; track < 3; ++track) {
      SCOPED_TRACE(track);
      const bool kept = row.failingTrack < 0 || track < row.failingTrack;
      EXPECT_EQ(records[track].finished, kept);
      // A track not begun when the failure was known has nothing to abandon.
      EXPECT_EQ(records[track].abandoned, !kept && track < begun);
      if (track < static_cast<int>(outcomes.size())) {
        EXPECT_EQ(outcomes[track].status, kept ? TrackWriteStatus::Ok : TrackWriteStatus::DataNotWritten);
        EXPECT_EQ(outcomes[track].error, kept ? "" : "disk full");
      }
      if (!kept) continue;
      std::vector<std::uint8_t> whole;
      for (int at = 0; at < kBlocksPerTrack; ++at) {
        std::vector<std::uint8_t> block(kBlock);
        std::iota(block.begin(), block.end(), static_cast<std::uint8_t>(track * kBlocksPerTrack + at));
        whole.insert(whole.end(), block.begin(), block.end());
      }
      EXPECT_TRUE(records[track].bytes == whole);
      EXPECT_EQ(records[track].namedAs, track == 2 ? "track03.incomplete.wav" : "");
    }
  }
}

}  // namespace
}  // namespace brenmark::audio
