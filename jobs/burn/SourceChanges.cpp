#include "jobs/burn/SourceChanges.h"

#include <algorithm>

#include "platform/Utf8Path.h"

namespace brenmark {

void SourceChanges::AfterTrack(const std::string& path, const platform::File& held, std::uint64_t measured,
                               std::uint64_t missing, const std::string& readError) {
  if (!PathStillNames(path, held)) {
    TellOnce(path, Kind::Replaced,
             "The file " + path + " was replaced or removed after it was checked; its track holds the file as "
             "it was then.");
  }
  const auto status = held.Status();
  if (status && status->size > measured) {
    TellOnce(path, Kind::Grew,
             "The file " + path + " has grown since it was checked; its track holds what the file held then.");
  }
  if (missing == 0) return;
  const auto known =
      std::find_if(shorter_.begin(), shorter_.end(), [&](const auto& file) { return file.first == path; });
  if (known != shorter_.end()) {
    known->second += missing;
  } else {
    shorter_.emplace_back(path, missing);
  }
  const std::string why = readError.empty() ? "got shorter after it was checked"
                                            : "could not be read to its end (" + readError + ")";
  TellOnce(path, Kind::Shorter,
           "The file " + path + " " + why + ": " + std::to_string(missing) + " bytes of its track are " + filler_ +
               " instead.");
}

void SourceChanges::TellMissingAtEnd() {
  if (shorter_.empty()) return;
  std::string text = "The disc lacks part of these files, which came up short while they were burned (" + filler_ +
                     " stands in their place):";
  for (const auto& [path, bytes] : shorter_) {
    text.append("\n").append(path).append(": ").append(std::to_string(bytes)).append(" bytes missing");
  }
  context_.prompt.ShowMessage(text, MessageIcon::Error);
}

void SourceChanges::TellOnce(const std::string& path, Kind kind, const std::string& text) {
  if (told_.emplace(path, kind).second) context_.Notify(text);
}

bool PathStillNames(const std::string& path, const platform::File& held) {
  platform::File now;
  if (!now.OpenSource(platform::PathFromUtf8(path))) return false;
  const auto nowStatus = now.Status();
  const auto heldStatus = held.Status();
  return nowStatus && heldStatus && nowStatus->device == heldStatus->device && nowStatus->inode == heldStatus->inode;
}

}  // namespace brenmark
