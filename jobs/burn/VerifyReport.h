#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "jobs/burn/DiscReadBack.h"

namespace brenmark {

// What a verify found, item by item, and how it is told: the summary line
// the progress window and the CLI show, and the lines of the verify log.
class VerifyReport {
 public:
  // What the counted items are: "file" or "track".
  explicit VerifyReport(std::string noun) : noun_(std::move(noun)) {}

  // `whatDiffers`: where in the item the first difference lies, in the
  // item's own terms (given for a difference only).
  void Add(const VerifyItem& item, const VerifyFinding& finding, std::string whatDiffers = {});
  // Something that makes the whole disc fail besides its items (a file
  // system that cannot be read back), told first.
  void AddProblem(std::string text) { problems_.push_back(std::move(text)); }

  const std::string& noun() const { return noun_; }
  bool passed() const;
  // "Verified: 1,204 files, 651.3 MB, no differences." (with the drive's
  // read offset when audio was read back at one) or "Verification
  // failed: 3 files differ: /a/b.txt (...), ...; 1 file could not be read: ...".
  std::string Summary() const;
  // One line per item ("same", "DIFFERS", "UNREADABLE"), then the summary.
  std::string LogText() const;

 private:
  struct Entry {
    VerifyItem item;
    VerifyFinding finding;
    std::string detail;
  };
  std::string Counted(std::size_t count) const;
  std::string Listed(VerifyFinding::Kind kind, const char* verb, const char* verbOfOne) const;
  // " (read offset +6 samples)": the read offsets audio tracks were read
  // back at, when any was not 0; empty otherwise.
  std::string OffsetsFound() const;

  std::string noun_;
  std::vector<Entry> entries_;
  std::vector<std::string> problems_;
};

// 1204 as "1,204".
std::string Grouped(std::uint64_t value);
// Bytes as megabytes with one decimal: "651.3 MB".
std::string Megabytes(std::uint64_t bytes);
// "blocks 281-535 unreadable".
std::string UnreadableText(const VerifyFinding& finding);
// The byte range of the block at `offset` bytes into a file: "bytes 1,048,576-1,050,623".
std::string ByteRangeText(std::uint64_t offset, std::uint64_t size);

namespace verifytext {
inline constexpr const char* kReadingDirectories = "Reading the written directories...";
}  // namespace verifytext

}  // namespace brenmark
