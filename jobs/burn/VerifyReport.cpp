#include "jobs/burn/VerifyReport.h"

#include <algorithm>


namespace brenmark {
namespace {

// Names listed in the summary line; the log lists every one.
constexpr std::size_t kNamesInSummary = 10;
constexpr std::uint64_t kBytesPerMegabyte = 1024 * 1024;

// "read offset +6 samples".
std::string OffsetText(std::int32_t samples) {
  return "read offset " + std::string(samples > 0 ? "+" : "") + std::to_string(samples) +
         (samples == 1 || samples == -1 ? " sample" : " samples");
}

// What an audio track's comparison allowed for, as the log tells it; empty
// for a track read as written.
std::string OffsetDetail(const VerifyFinding& finding) {
  std::string detail;
  if (finding.readOffset != 0) detail = OffsetText(finding.readOffset);
  if (finding.outOfReach > 0) {
    detail += (detail.empty() ? "" : "; ") + Grouped(finding.outOfReach) +
              (finding.outOfReach == 1 ? " block" : " blocks") +
              " at the edge of the audio not compared: at this offset the drive gives them from beyond it";
  }
  return detail;
}

}  // namespace

std::string UnreadableText(const VerifyFinding& finding) {
  return "blocks " + Grouped(finding.block) + "-" + Grouped(finding.block + finding.blocks - 1) + " unreadable";
}

std::string Grouped(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (std::size_t at = 0; at < digits.size(); ++at) {
    if (at > 0 && (digits.size() - at) % 3 == 0) grouped += ',';
    grouped += digits[at];
  }
  return grouped;
}

std::string Megabytes(std::uint64_t bytes) {
  const std::uint64_t tenths = (bytes * 10 + kBytesPerMegabyte / 2) / kBytesPerMegabyte;
  return Grouped(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

std::string ByteRangeText(std::uint64_t offset, std::uint64_t size) {
  return "bytes " + Grouped(offset) + "-" + Grouped(offset + size - 1);
}

void VerifyReport::Add(const VerifyItem& item, const VerifyFinding& finding, std::string whatDiffers) {
  entries_.push_back({item, finding, std::move(whatDiffers)});
}

bool VerifyReport::passed() const {
  if (!problems_.empty()) return false;
  for (const Entry& entry : entries_) {
    if (entry.finding.kind != VerifyFinding::Kind::Same) return false;
  }
  return true;
}

std::string VerifyReport::Counted(std::size_t count) const {
  return Grouped(count) + " " + noun_ + (count == 1 ? "" : "s");
}

std::string VerifyReport::Listed(VerifyFinding::Kind kind, const char* verb, const char* verbOfOne) const {
  std::size_t count = 0;
  bool allCounted = true;
  std::string names;
  for (const Entry& entry : entries_) {
    if (entry.finding.kind != kind) continue;
    ++count;
    allCounted = allCounted && entry.item.counted;
    if (count > kNamesInSummary) continue;
    if (!names.empty()) names += ", ";
    names += entry.item.name;
    if (kind == VerifyFinding::Kind::Differs) {
      names += " (first difference within " + entry.detail +
               (entry.finding.readOffset != 0 ? ", " + OffsetText(entry.finding.readOffset) : "") + ")";
    }
    if (kind == VerifyFinding::Kind::Unreadable) names += " (" + UnreadableText(entry.finding) + ")";
  }
  if (count == 0) return {};
  if (count > kNamesInSummary) names += " and " + Grouped(count - kNamesInSummary) + " more";
  // The directory structure is no file: a list that holds it names parts of the disc.
  const std::string subject = allCounted ? Counted(count) : Grouped(count) + (count == 1 ? " part" : " parts") + " of the disc";
  return subject + " " + (count == 1 ? verbOfOne : verb) + ": " + names;
}

std::string VerifyReport::OffsetsFound() const {
  std::vector<std::int32_t> offsets;
  for (const Entry& entry : entries_) {
    const std::int32_t offset = entry.finding.readOffset;
    if (offset != 0 && std::find(offsets.begin(), offsets.end(), offset) == offsets.end()) offsets.push_back(offset);
  }
  if (offsets.empty()) return {};
  std::string text = OffsetText(offsets.front());
  for (std::size_t i = 1; i < offsets.size(); ++i) text += ", " + OffsetText(offsets[i]);
  return " (" + text + ")";
}

std::string VerifyReport::Summary() const {
  if (passed()) {
    std::size_t counted = 0;
    std::uint64_t bytes = 0;
    for (const Entry& entry : entries_) {
      if (!entry.item.counted) continue;
      ++counted;
      bytes += entry.item.bytes;
    }
    return "Verified: " + Counted(counted) + ", " + Megabytes(bytes) + ", no differences" + OffsetsFound() + ".";
  }
  std::string parts;
  for (const std::string& problem : problems_) parts += (parts.empty() ? "" : "; ") + problem;
  for (const VerifyFinding::Kind kind : {VerifyFinding::Kind::Differs, VerifyFinding::Kind::Unreadable}) {
    const std::string listed = kind == VerifyFinding::Kind::Differs ? Listed(kind, "differ", "differs")
                                                                    : Listed(kind, "could not be read", "could not be read");
    if (!listed.empty()) parts += (parts.empty() ? "" : "; ") + listed;
  }
  return "Verification failed: " + parts + ".";
}

std::string VerifyReport::LogText() const {
  std::string text;
  for (const std::string& problem : problems_) text += "PROBLEM     " + problem + "\n";
  for (const Entry& entry : entries_) {
    switch (entry.finding.kind) {
      case VerifyFinding::Kind::Same: {
        const std::string detail = OffsetDetail(entry.finding);
        text += "same        " + entry.item.name + (detail.empty() ? "" : ": " + detail) + "\n";
        break;
      }
      case VerifyFinding::Kind::Differs:
        text += "DIFFERS     " + entry.item.name + ": first difference within " + entry.detail + " (block " +
                Grouped(entry.finding.block) + ")\n";
        break;
      case VerifyFinding::Kind::Unreadable:
        text += "UNREADABLE  " + entry.item.name + ": " + UnreadableText(entry.finding) + "\n";
        break;
    }
  }
  return text + Summary() + "\n";
}

}  // namespace brenmark
