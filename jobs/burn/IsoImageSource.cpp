#include "jobs/burn/IsoImageSource.h"

#include <string>

#include "jobs/EndingLine.h"
#include "jobs/Job.h"
#include "jobs/burn/DataDiscJob.h"

namespace brenmark {
namespace {

using datadisc::FileIssue;

std::string GrewText(const datadisc::SourceNode& file) {
  return "The file " + file.SourcePath() +
         " has grown since the folder was chosen.\nGrown files are written with the size "
         "they had then.";
}

}  // namespace

IsoImageSource::IsoImageSource(const datadisc::ImageLayout& layout, bool mode2Form1, ProgressSink& progress,
                               UserPrompt& prompt)
    : layout_(layout), mode2Form1_(mode2Form1), progress_(progress), prompt_(prompt), stream_(layout) {}

SourceStep IsoImageSource::Next(SectorRun& run) {
  while (stream_.Next(group_)) {
    if (group_.PerSector()) ReachFiles();
    switch (group_.issue) {
      case FileIssue::None:
        break;
      case FileIssue::CannotOpen:
        // The path on a line of its own, so that it can be read whole.
        prompt_.ShowMessage(WithDetail(datajobtext::kCannotOpenSource, group_.file->SourcePath()),
                            MessageIcon::Error);
        return SourceStep::Failed;
      case FileIssue::ReadFailed:
        prompt_.ShowMessage(WithDetail(datajobtext::kCannotReadSource, group_.file->SourcePath()),
                            MessageIcon::Error);
        return SourceStep::Failed;
      case FileIssue::Shrunk:
        // Its extent would be finished with zeros: the disc would hold a damaged file.
        prompt_.ShowMessage(WithDetail(datajobtext::kSourceShrunk, group_.file->SourcePath()),
                            MessageIcon::Error);
        return SourceStep::Failed;
      case FileIssue::Grew:
        // The stream keeps the file to its recorded extent, a consistent older
        // state of it; the user hears of it once.
        if (!changeWarned_) {
          JobContext::TellNotice(progress_, prompt_, GrewText(*group_.file));
          changeWarned_ = true;
        }
        break;
    }
    if (group_.sectorCount == 0) continue;
    run.firstSector = static_cast<std::int32_t>(group_.firstSector);
    run.count = group_.sectorCount;
    run.data = group_.data;
    return SourceStep::Run;
  }
  ReachFiles();
  return SourceStep::End;
}

void IsoImageSource::BeforeWrite(const SectorRun&) {
  if (group_.StepBefore()) progress_.StepIt();
}

void IsoImageSource::AfterWrite(const SectorRun&) {
  for (std::uint32_t i = 0; i < group_.StepsAfter(); ++i) progress_.StepIt();
}

void IsoImageSource::ReachFiles() {
  if (filesReached_) return;
  progress_.SetPos(static_cast<std::int32_t>(layout_.fileDataStart - layout_.sessionStart));
  filesReached_ = true;
}

}  // namespace brenmark
