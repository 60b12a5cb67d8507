// The track pipeline with writers that only record: each track's bytes reach
// its own writer whole and in order, outcomes come in disc order, and a
// failure leaves the tracks after it unnamed, with and without workers.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "jobs/grab/TrackPipeline.h"

namespace brenmark::audio {
namespace {

struct WriterRecord {
  std::vector<std::uint8_t> bytes;
  std::filesystem::path namedAs;
  bool finished = false;
  bool abandoned = false;
};

// Records what it is given; fails a write that would take it past `room` bytes.
class RecordingWriter final : public TrackWriter {
 public:
  RecordingWriter(WriterRecord& record, std::size_t room) : record_(record), room_(room) {}
  TrackWriteStatus Open(const std::filesystem::path&, std::uint64_t, bool) override { return TrackWriteStatus::Ok; }
  TrackWriteStatus Write(const std::uint8_t* samples, std::size_t bytes) override {
    if (record_.bytes.size() + bytes > room_) return TrackWriteStatus::DataNotWritten;
    record_.bytes.insert(record_.bytes.end(), samples, samples + bytes);
    return TrackWriteStatus::Ok;
  }
  TrackWriteStatus Finish() override { return record_.finished = true, TrackWriteStatus::Ok; }
  void Abandon() override { record_.abandoned = true; }
  void NameAs(const std::filesystem::path& path, bool) override { record_.namedAs = path; }
  const std::string& lastError() const override { return error_; }

 private:
  WriterRecord& record_;
  std::size_t room_;
  std::string error_ = "disk full";
};

TEST(TrackPipeline, TracksReachTheirOwnWritersWholeAndNoneAfterAFailureIsNamed) {
  struct Row {
    int workers;
    std::size_t budget;
    int failing;  // the track whose writer fails; -1: none
  };
  const Row rows[] = {{0, 0, -1}, {1, 4000, -1}, {2, 100000, -1}, {2, 1, -1}, {0, 0, 1}, {2, 100000, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.workers << " workers, budget " << row.budget << ", failing " << row.failing);
    std::vector<WriterRecord> records(3);
    std::vector<std::vector<std::uint8_t>> sent(3);
    std::vector<TrackPipeline::Outcome> outcomes;
    TrackPipeline pipeline(row.workers, row.budget);
    // As the grab takes them: in order, the rest abandoned at the first failure.
    const auto take = [&](bool wait) {
      while (auto outcome = pipeline.TakeFinished(wait)) {
        outcomes.push_back(*outcome);
        if (outcome->status != TrackWriteStatus::Ok) return pipeline.AbandonAll(), false;
      }
      return true;
    };
    int begun = 0;
    while (begun < 3) {
      const int track = begun++;
      pipeline.Begin(std::make_unique<RecordingWriter>(records[track], track == row.failing ? 5000 : SIZE_MAX));
      for (int block = 0; block < 30; ++block) {
        const std::vector<std::uint8_t> bytes(1000, static_cast<std::uint8_t>(track * 30 + block));
        sent[track].insert(sent[track].end(), bytes.begin(), bytes.end());
        pipeline.Write(bytes.data(), bytes.size());
      }
      pipeline.End(track == 2 ? std::optional<std::filesystem::path>("track03.incomplete.wav") : std::nullopt);
      if (!take(false)) break;
    }
    take(true);

    ASSERT_EQ(outcomes.size(), row.failing < 0 ? 3u : static_cast<std::size_t>(row.failing + 1));
    EXPECT_EQ(outcomes.back().error, row.failing < 0 ? "" : "disk full");
    for (int track = 0; track < 3; ++track) {
      SCOPED_TRACE(track);
      const bool kept = row.failing < 0 || track < row.failing;
      EXPECT_EQ(records[track].finished, kept);
      EXPECT_EQ(records[track].abandoned, !kept && track < begun);
      EXPECT_TRUE(!kept || records[track].bytes == sent[track]);
    }
    EXPECT_EQ(records[2].namedAs, row.failing < 0 ? "track03.incomplete.wav" : "");
  }
}

}  // namespace
}  // namespace brenmark::audio
