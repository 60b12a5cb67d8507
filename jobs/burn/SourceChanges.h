#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "jobs/Job.h"
#include "platform/File.h"

namespace brenmark {

// What a burn that writes whole source files (audio tracks, MPEG tracks)
// tells of the ones that changed after they were measured. Each file stays
// open from its check before the first write, and its track keeps the size
// the disc was laid out for: a file that grew is cut to its measured size, a
// replaced or removed one is written as it was, and what a file that got
// shorter no longer holds is written as silence or zeros. Each is told in a
// notice naming the file, once per file and kind; the files that got shorter
// are named again just before the burn's last status, for the burn did not
// write what was asked.
class SourceChanges {
 public:
  // `filler`: what stands on the disc for the missing bytes ("silence", "zeros").
  SourceChanges(JobContext& context, std::string filler) : context_(context), filler_(std::move(filler)) {}

  // After a file's track is written: `held` is the file opened at the check,
  // `measured` its size then, `missing` the bytes of its track that it did not
  // give; `readError` the system's text when a read failed.
  void AfterTrack(const std::string& path, const platform::File& held, std::uint64_t measured,
                  std::uint64_t missing, const std::string& readError = {});

  // True once a file came up short: the burn is not complete.
  bool anyMissing() const { return !shorter_.empty(); }
  // Names the files that came up short, with the bytes each lacks, as an error.
  void TellMissingAtEnd();

 private:
  enum class Kind : unsigned char { Grew, Replaced, Shorter };
  void TellOnce(const std::string& path, Kind kind, const std::string& text);

  JobContext& context_;
  std::string filler_;
  std::set<std::pair<std::string, Kind>> told_;
  std::vector<std::pair<std::string, std::uint64_t>> shorter_;
};

// True when `path` still names the file open as `held`; false when it names
// another one or nothing.
bool PathStillNames(const std::string& path, const platform::File& held);

}  // namespace brenmark
