#include "audio/WavTrackWriter.h"

namespace brenmark::audio {

TrackWriteStatus WavTrackWriter::Open(const std::filesystem::path& path, std::uint64_t audioBytes,
                                      bool replaceExisting) {
  if (!file_.Create(path, replaceExisting)) return TrackWriteStatus::NotCreated;
  return file_.WriteHeader(static_cast<std::uint32_t>(audioBytes)) ? TrackWriteStatus::Ok
                                                                   : TrackWriteStatus::DataNotWritten;
}

TrackWriteStatus WavTrackWriter::Write(const std::uint8_t* samples, std::size_t bytes) {
  return file_.Append(samples, bytes) ? TrackWriteStatus::Ok : TrackWriteStatus::DataNotWritten;
}

TrackWriteStatus WavTrackWriter::Finish() {
  if (!file_.Finish()) return TrackWriteStatus::DataNotWritten;
  return file_.Commit() ? TrackWriteStatus::Ok : TrackWriteStatus::NotNamed;
}

void WavTrackWriter::Abandon() { file_.Discard(); }

}  // namespace brenmark::audio
