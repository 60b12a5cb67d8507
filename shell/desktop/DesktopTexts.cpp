#include "shell/desktop/DesktopTexts.h"

#include "jobs/StopRequest.h"

namespace brenmark::desktoptext {

std::string JobName(desktop::JobKind kind) {
  switch (kind) {
    case desktop::JobKind::DataCd:
      return "Burn CD";
    case desktop::JobKind::DataDvd:
      return "Burn DVD";
    case desktop::JobKind::AudioCd:
      return "Burn Audio CD";
    case desktop::JobKind::VideoCd:
      return "Burn Video CD";
    case desktop::JobKind::AudioGrab:
      return "Grab Audio CD";
    case desktop::JobKind::DiscImage:
      return "Burn Image";
  }
  return "Job";
}

std::string ReportTitle(const std::string& report, const std::string& driveName) {
  return driveName.empty() ? report : report + " - " + driveName;
}

std::string OutcomeText(JobEnd end) {
  if (end == JobEnd::Done) return "Finished.";
  if (end == JobEnd::StoppedByUser) return stoptext::kStopped;
  return "Ended without completing.";
}

std::optional<std::string> StoppedStatusText(const std::string& lastStatus) {
  const std::size_t end = lastStatus.find_last_not_of(". ");
  if (lastStatus.empty() || end == std::string::npos) return "Stopped.";
  if (lastStatus.size() < 3 || lastStatus.compare(lastStatus.size() - 3, 3, "...") != 0) return std::nullopt;
  return "Stopped at: " + lastStatus.substr(0, end + 1);
}

std::string KeptImageText(const std::string& image) { return "The disc is kept as " + image + "."; }

std::string SourceFilesText(const std::vector<std::string>& files) {
  if (files.empty()) return {};
  const std::size_t more = files.size() - 1;
  if (more == 0) return files.front();
  return files.front() + " and " + std::to_string(more) + (more == 1 ? " more file" : " more files");
}

std::string ElideMiddle(const std::string& text, std::size_t limit) {
  // The byte offsets where characters start; continuation bytes are 10xxxxxx.
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) starts.push_back(at);
  }
  const std::string dots = "...";
  if (starts.size() <= limit) return text;
  if (limit <= dots.size()) return text.substr(0, starts[limit]);
  const std::size_t kept = limit - dots.size();
  const std::size_t head = (kept + 1) / 2;
  const std::size_t tail = kept - head;
  return text.substr(0, starts[head]) + dots + text.substr(starts[starts.size() - tail]);
}

std::string NotAFolderMessage(const std::string& typed) { return typed + " is not a folder."; }

std::string OutputNotWritableMessage(const std::string& folder, const std::string& reason) {
  return "No files can be written in the output folder " + folder + ": " + reason;
}

std::string DocumentationMissingMessage(const std::string& expected) {
  return "The documentation of Brenmark was not found; it belongs at " + expected + ".";
}

}  // namespace brenmark::desktoptext
