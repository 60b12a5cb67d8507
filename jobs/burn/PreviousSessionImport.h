#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "datadisc/SourceTree.h"
#include "drive/DriveHandle.h"

namespace brenmark {

// What keeping the files of an appendable disc's last session came to.
struct SessionImportResult {
  enum class Status : std::uint8_t {
    NoPreviousSession,  // the disc has no closed session
    Imported,
    NotImportable,  // `reason` says why
  };

  Status status = Status::NoPreviousSession;
  std::string reason;
  std::size_t entries = 0;             // previous entries the tree now holds
  std::vector<std::string> replaced;   // disc paths of previous entries new ones replace
};

// Reads the table of contents of the appendable disc in the open drive and,
// when its last session begins with a data track, that session's ISO 9660
// (+ Joliet) file system through READ CD, and merges it into `tree`. The
// tree is changed only when the whole file system could be read.
SessionImportResult ImportLastSession(DriveHandle& drive, datadisc::SourceTree& tree);
// The same for a DVD, whose session lies in blocks `start` up to `end`
// (exclusive) and is read with READ(12).
SessionImportResult ImportDvdSession(DriveHandle& drive, datadisc::SourceTree& tree, std::int32_t start,
                                     std::int32_t end);

// The texts of the import.
namespace importtext {
inline constexpr const char* kReading = "Reading the previous session...";
// The question asked when the last session cannot be kept; the reason is
// put in front of it.
inline constexpr const char* kAppendWithout =
    "\nAppend the new session without them? Whoever reads the disc will then see only the new files.";
}  // namespace importtext

// "The files already on the disc cannot be kept: <reason>." and the question.
std::string AppendWithoutQuestion(const std::string& reason);
// "N entries of the previous session are kept." and one line per replaced entry.
std::string ImportNotice(const SessionImportResult& result);

}  // namespace brenmark
