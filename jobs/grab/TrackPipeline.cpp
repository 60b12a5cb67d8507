#include "jobs/grab/TrackPipeline.h"

#include <algorithm>
#include <exception>

namespace brenmark::audio {
namespace {

// A writer's call on a worker thread: an exception fails the track, as the
// job thread's runner would end the job, instead of ending the program.
template <typename Call>
void Guarded(TrackWriteStatus& status, std::string& error, Call call) {
  try {
    call();
  } catch (const std::exception& exception) {
    status = TrackWriteStatus::EncodingFailed;
    error = exception.what();
  }
}

}  // namespace

struct TrackPipeline::Track {
  std::unique_ptr<TrackWriter> writer;
  std::deque<std::vector<std::uint8_t>> blocks;  // handed over, not yet written
  std::optional<std::filesystem::path> keepAs;
  TrackWriteStatus status = TrackWriteStatus::Ok;
  std::string error;
  bool ended = false;      // all its bytes are handed over
  bool abandoned = false;  // its file is not to be finished
  bool claimed = false;    // a worker (or, without workers, the caller) writes it
  bool finished = false;   // its writer is done with it
};

TrackPipeline::TrackPipeline(int workers, std::size_t budget) : budget_(budget) {
  for (int worker = 0; worker < workers; ++worker) workers_.emplace_back([this] { Work(); });
}

TrackPipeline::~TrackPipeline() {
  AbandonAll();
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void TrackPipeline::Begin(std::unique_ptr<TrackWriter> writer) {
  auto track = std::make_shared<Track>();
  track->writer = std::move(writer);
  track->claimed = workers_.empty();
  {
    std::lock_guard lock(mutex_);
    tracks_.push_back(std::move(track));
  }
  changed_.notify_all();
}

bool TrackPipeline::Write(const std::uint8_t* bytes, std::size_t count) {
  std::unique_lock lock(mutex_);
  Track& track = *tracks_.back();
  if (workers_.empty()) {
    lock.unlock();
    WriteBlock(track, bytes, count);
    return track.status == TrackWriteStatus::Ok;
  }
  changed_.wait(lock, [&] {
    return queued_ == 0 || queued_ + count <= budget_ || track.status != TrackWriteStatus::Ok;
  });
  if (track.status != TrackWriteStatus::Ok) return false;
  track.blocks.emplace_back(bytes, bytes + count);
  queued_ += count;
  lock.unlock();
  changed_.notify_all();
  return true;
}

void TrackPipeline::End(std::optional<std::filesystem::path> keepAs) {
  std::unique_lock lock(mutex_);
  const std::shared_ptr<Track> track = tracks_.back();
  track->keepAs = std::move(keepAs);
  track->ended = true;
  if (workers_.empty()) {
    lock.unlock();
    FinishTrack(*track, false);
    lock.lock();
    track->finished = true;
  }
  lock.unlock();
  changed_.notify_all();
}

std::optional<TrackPipeline::Outcome> TrackPipeline::TakeFinished(bool wait) {
  std::unique_lock lock(mutex_);
  if (tracks_.empty()) return std::nullopt;
  const std::shared_ptr<Track> track = tracks_.front();
  if (!track->finished && !wait) return std::nullopt;
  changed_.wait(lock, [&] { return track->finished; });
  tracks_.pop_front();
  return Outcome{track->status, track->error};
}

void TrackPipeline::AbandonAll() {
  std::vector<std::shared_ptr<Track>> unclaimed;
  std::unique_lock lock(mutex_);
  for (const std::shared_ptr<Track>& track : tracks_) {
    track->abandoned = true;
    queued_ -= std::min(queued_, [&] {
      std::size_t bytes = 0;
      for (const auto& block : track->blocks) bytes += block.size();
      return bytes;
    }());
    track->blocks.clear();
    if (!track->claimed || (workers_.empty() && !track->finished)) {
      track->claimed = true;
      unclaimed.push_back(track);
    }
  }
  lock.unlock();
  changed_.notify_all();
  for (const std::shared_ptr<Track>& track : unclaimed) {
    track->writer->Abandon();
    std::lock_guard relock(mutex_);
    track->finished = true;
  }
  lock.lock();
  changed_.wait(lock, [&] {
    return std::all_of(tracks_.begin(), tracks_.end(), [](const auto& track) { return track->finished; });
  });
  tracks_.clear();
}

void TrackPipeline::WriteBlock(Track& track, const std::uint8_t* bytes, std::size_t count) {
  if (track.status != TrackWriteStatus::Ok) return;
  const TrackWriteStatus status = track.writer->Write(bytes, count);
  if (status == TrackWriteStatus::Ok) return;
  track.error = track.writer->lastError();
  track.status = status;
}

void TrackPipeline::FinishTrack(Track& track, bool abandon) {
  if (track.status == TrackWriteStatus::Ok && !abandon) {
    if (track.keepAs) track.writer->NameAs(*track.keepAs, true);
    track.status = track.writer->Finish();
    if (track.status != TrackWriteStatus::Ok) track.error = track.writer->lastError();
  }
  if (track.status != TrackWriteStatus::Ok || abandon) track.writer->Abandon();
}

bool TrackPipeline::EarlierFinished(const Track& track, bool& failed) const {
  for (const std::shared_ptr<Track>& earlier : tracks_) {
    if (earlier.get() == &track) break;
    if (!earlier->finished) return false;
    failed = failed || earlier->status != TrackWriteStatus::Ok;
  }
  return true;
}

void TrackPipeline::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    std::shared_ptr<Track> track;
    changed_.wait(lock, [&] {
      const auto next = std::find_if(tracks_.begin(), tracks_.end(), [](const auto& t) { return !t->claimed; });
      if (next != tracks_.end()) track = *next;
      return closing_ || track != nullptr;
    });
    if (!track) return;
    track->claimed = true;
    while (true) {
      changed_.wait(lock, [&] { return !track->blocks.empty() || track->ended || track->abandoned; });
      if (track->blocks.empty()) break;
      std::vector<std::uint8_t> block = std::move(track->blocks.front());
      track->blocks.pop_front();
      // The status is read by the reading thread: it is set under the lock.
      if (track->status == TrackWriteStatus::Ok) {
        lock.unlock();
        TrackWriteStatus status = TrackWriteStatus::Ok;
        std::string error;
        Guarded(status, error, [&] {
          status = track->writer->Write(block.data(), block.size());
          if (status != TrackWriteStatus::Ok) error = track->writer->lastError();
        });
        lock.lock();
        track->status = status;
        track->error = std::move(error);
      }
      queued_ -= std::min(queued_, block.size());
      changed_.notify_all();
    }
    // Files take their names in disc order: none after a track that failed.
    bool earlierFailed = false;
    changed_.wait(lock, [&] { return track->abandoned || EarlierFinished(*track, earlierFailed); });
    const bool abandon = track->abandoned || earlierFailed;
    lock.unlock();
    Guarded(track->status, track->error, [&] { FinishTrack(*track, abandon); });
    lock.lock();
    track->finished = true;
    changed_.notify_all();
  }
}

}  // namespace brenmark::audio
