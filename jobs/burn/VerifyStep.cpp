#include "jobs/burn/VerifyStep.h"

#include <algorithm>
#include <cstdio>

#include "bytes/ControlCharacters.h"
#include "platform/File.h"
#include "platform/Utf8Path.h"

namespace brenmark {
namespace {

std::string Numbered(const std::string& noun, std::size_t number, std::size_t count) {
  char text[96];
  std::snprintf(text, sizeof text, "Verifying %s %zu of %zu...", noun.c_str(), number, count);
  return text;
}

// Writes the log as a new file, synced like the image it lies beside; an
// entry already at its name is left alone and the user told, as is any other
// failure: the verify's result stands.
void WriteLog(JobContext& context, const std::filesystem::path& path, const std::string& report) {
  const std::string text = WithControlsShown(report);
  platform::File file;
  // Private, as the disc files beside it are.
  if (file.OpenForWritingNoFollow(path, platform::File::NoFollowOpening::CreateNew) && file.WriteAt(0, text.data(), text.size()) && file.Sync()) return;
  context.Notify("The verify log " + platform::Utf8FromPath(path) + " could not be written: " + file.lastError());
}

// Audio tracks that follow one another on the disc, with only their gaps
// between them, reach over one another: a drive's read offset moves the
// samples of one track's edge into the answers for its neighbour's blocks.
std::vector<VerifyItem> WithAudioReach(std::vector<VerifyItem> items) {
  const auto audio = [](const VerifyItem& item) { return item.kind == ReadBackKind::AudioSamples; };
  for (auto run = items.begin(); run != items.end();) {
    if (!audio(*run)) {
      ++run;
      continue;
    }
    auto end = run + 1;
    while (end != items.end() && audio(*end) && end->first >= (end - 1)->first + static_cast<std::int32_t>((end - 1)->blocks)) {
      ++end;
    }
    const std::int32_t reachEnd = (end - 1)->first + static_cast<std::int32_t>((end - 1)->blocks);
    for (auto item = run; item != end; ++item) {
      item->reachFirst = run->first;
      item->reachEnd = reachEnd;
    }
    run = end;
  }
  return items;
}

}  // namespace

void VerifyItems(JobContext& context, DiscReadBack& readBack, const std::vector<VerifyItem>& items,
                 VerifyReport& report) {
  ProgressSink& progress = context.progress;
  std::uint64_t total = 0;
  std::size_t counted = 0;
  for (const VerifyItem& item : items) {
    total += item.blocks;
    if (item.counted) ++counted;
  }
  // The bar counts blocks; a range past what it takes counts in larger steps.
  const std::uint64_t scale = std::max<std::uint64_t>(1, total / 0x7FFFFFFF + 1);
  progress.SetRange(static_cast<std::int32_t>(total / scale));
  progress.SetPos(0);
  std::uint64_t before = 0;
  std::size_t number = 0;
  // Reading back changes nothing on the disc: a stop needs no question.
  readBack.StopWhen([&context] { return context.StopRequested(); });
  for (const VerifyItem& item : items) {
    progress.SetStatus(item.counted ? Numbered(report.noun(), ++number, counted) : "Verifying " + item.name + "...");
    const VerifyFinding finding = readBack.Check(item, [&](std::uint32_t done) {
      progress.SetPos(static_cast<std::int32_t>((before + done) / scale));
    });
    if (context.StopRequested()) {
      context.stopping = true;
      return;
    }
    before += item.blocks;
    std::string where;
    if (finding.kind == VerifyFinding::Kind::Differs) {
      const auto size = static_cast<std::uint64_t>(BlockSizeOf(item.kind));
      where = ByteRangeText(static_cast<std::uint64_t>(finding.block - item.first) * size, size);
    }
    report.Add(item, finding, where);
  }
  progress.SetPos(static_cast<std::int32_t>(total / scale));
}

VerifyItem TrackItem(const WrittenDigests::Extent& extent, std::string name, ReadBackKind kind) {
  VerifyItem item;
  item.name = std::move(name);
  item.first = extent.first;
  item.blocks = static_cast<std::uint32_t>(extent.digests.size());
  item.bytes = std::uint64_t{item.blocks} * static_cast<std::uint64_t>(extent.blockSize);
  item.kind = kind;
  return item;
}

VerifyReport VerifyTracks(JobContext& context, DriveHandle& drive, const WrittenDigests& written,
                          const std::vector<VerifyItem>& tracks) {
  VerifyReport report("track");
  DiscReadBack readBack(drive, written);
  VerifyItems(context, readBack, WithAudioReach(tracks), report);
  return report;
}

bool TellVerifyResult(JobContext& context, const VerifyReport& report,
                      const std::optional<std::filesystem::path>& keptImage) {
  const std::string summary = report.Summary();
  if (keptImage) {
    const std::filesystem::path log =
        keptImage->parent_path() / platform::PathFromUtf8(platform::Utf8FromPath(keptImage->stem()) + ".verify.log");
    WriteLog(context, log, report.LogText());
  }
  context.progress.SetStatus(summary);
  if (report.passed()) return true;
  context.prompt.ShowMessage(summary, MessageIcon::Error);
  return false;
}

JobEnd EndWithVerify(JobContext& context, bool burned, const std::optional<VerifyReport>& verified,
                     const std::optional<std::filesystem::path>& keptImage) {
  if (context.stopping) {
    context.progress.SetStatus(stoptext::kStopped);
    return JobEnd::StoppedByUser;
  }
  const bool same = !verified || TellVerifyResult(context, *verified, keptImage);
  if (!burned) return JobEnd::BurnFailed;
  return same ? JobEnd::Done : JobEnd::VerifyFailed;
}

}  // namespace brenmark
