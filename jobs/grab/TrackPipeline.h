#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/TrackWriter.h"

namespace brenmark::audio {

// The grabbed tracks' writers, fed in disc order by the thread that reads
// the disc. With workers, each track is written by one worker thread from its
// first bytes to its end: the disc is read on while a track is encoded, and
// several tracks are encoded at once when the drive reads faster than one
// encoder. Each track has its own writer, so what a file holds does not
// depend on how many workers there are; files take their names in disc
// order, and none after one that failed. Without workers, every call writes
// on the calling thread.
class TrackPipeline {
 public:
  // The bytes handed over and not yet written stay under `budget` (one
  // hand-over larger than it is let through alone).
  TrackPipeline(int workers, std::size_t budget);
  // Abandons every track not finished and joins the workers.
  ~TrackPipeline();
  TrackPipeline(const TrackPipeline&) = delete;
  TrackPipeline& operator=(const TrackPipeline&) = delete;

  // Starts the next track with its opened writer.
  void Begin(std::unique_ptr<TrackWriter> writer);
  // Hands over the current track's next bytes, waiting while the budget is
  // used up. False once the track's writer has failed; bytes given then are
  // dropped.
  bool Write(const std::uint8_t* bytes, std::size_t count);
  // The current track has all its bytes: its file is finished, under
  // `keepAs` instead of its own name when given (replacing what is there).
  void End(std::optional<std::filesystem::path> keepAs = std::nullopt);

  // How a track's writer ended: Ok when its file is complete and named;
  // otherwise the failure, the system's reason, and the file removed.
  struct Outcome {
    TrackWriteStatus status = TrackWriteStatus::Ok;
    std::string error;
  };
  // The outcome of the earliest track begun and not yet taken: nothing when
  // there is none, or when it is still written and `wait` is false.
  std::optional<Outcome> TakeFinished(bool wait);
  // Abandons every track not taken yet (their files removed) and waits
  // until no worker writes any of them.
  void AbandonAll();

 private:
  struct Track;
  void Work();
  // Whether every track begun before `track` and not taken is finished;
  // `failed` is set when one of them failed.
  bool EarlierFinished(const Track& track, bool& failed) const;
  // Writes bytes to the track on the calling thread, or drops them after a failure.
  static void WriteBlock(Track& track, const std::uint8_t* bytes, std::size_t count);
  // Finishes the track's file, or lets it go after a failure or when abandoned.
  static void FinishTrack(Track& track, bool abandon);

  const std::size_t budget_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Track>> tracks_;  // begun and not taken, in disc order
  std::size_t queued_ = 0;                     // bytes handed over and not yet written
  bool closing_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace brenmark::audio
