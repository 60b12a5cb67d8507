#include "shell/DataDiscJob.h"

#include <algorithm>
#include <array>
#include <string>

#include "datadisc/ImageLayout.h"
#include "datadisc/ImageStream.h"
#include "datadisc/SourceTree.h"
#include "shell/UnreadableSources.h"

namespace brenmark {
namespace {

using datadisc::FileIssue;
using datadisc::GroupKind;
using datadisc::ImageLayout;
using datadisc::ImageStream;
using datadisc::LayoutResult;
using datadisc::LayoutStatus;
using datadisc::SectorGroup;
using datadisc::SourceTree;

enum class Variant { Cd, Dvd };

constexpr int kSectorSize = 2048;
constexpr int kModePageLength = 64;
constexpr int kWriteParametersPage = 0x05;
constexpr int kBufferUnderrunProtection = 0x01;
constexpr int kTrackAtOnce = 1;
constexpr int kSessionAtOnce = 2;
constexpr int kSessionFormatCdRom = 0x00;
constexpr int kSessionFormatCdRomXa = 0x20;
constexpr int kBlockTypeMode1 = 8;
constexpr int kBlockTypeMode2Form1 = 10;
constexpr int kMultiSessionAllowed = 0xC0;
constexpr int kTrackModeDataUninterrupted = 4;
// A write command carries at most 255 blocks; larger groups go out in parts.
constexpr std::uint32_t kMaxBlocksPerWrite = 255;
// A track at once ends in two run-out blocks that the drive writes itself.
constexpr std::int64_t kRunOutBlocks = 2;

class DataDiscBurn {
 public:
  DataDiscBurn(JobContext& context, Variant variant)
      : context_(context),
        progress_(context.progress),
        registry_(context.registry),
        drive_(context.inputs.currentDrive),
        variant_(variant) {}

  int Run() {
    progress_.EnableClose(false);
    progress_.SetStatus("Initializing disc format...");
    progress_.SetPos(0);
    progress_.SetStatus("Analizing Directory Structure...");
    if (!AcceptUnreadableSources(context_.inputs.sourceTree.get(), context_.prompt)) {
      return End(datajob::kUnreadableSourcesRefused);
    }

    if (drive_ < 0) return End(Stop(datajobtext::kNoDrive, datajob::kNoDrive));
    if (!registry_.OpenDevice(drive_)) return End(Stop(datajobtext::kNoDeviceAccess, datajob::kNoDeviceAccess));
    const int result = RunOnOpenDrive();
    registry_.CloseDevice(drive_);
    return End(result);
  }

 private:
  int RunOnOpenDrive() {
    std::int32_t track = 1;
    if (!registry_.IsDiscBlank(drive_)) {
      if (!registry_.IsDiscAppendable(drive_)) {
        return Stop(datajobtext::kDiscNotWritable, datajob::kDiscNotWritable);
      }
      track = registry_.GetLastTrackNumber(drive_);
    }
    const std::int32_t sessionStart = registry_.GetTrackStartAddress(drive_, track);

    SourceTree* tree = context_.inputs.sourceTree.get();
    if (tree == nullptr) return Stop(datajobtext::kNoRoot, datajob::kNoEntries);
    ImageLayout layout(*tree, static_cast<std::uint32_t>(sessionStart));
    if (const int stop = Lay(*tree, layout); stop != 0) return stop;

    progress_.SetStatus("Preparing Burning...");
    progress_.SetPos(0);
    progress_.SetRange(static_cast<std::int32_t>(layout.imageEnd - layout.sessionStart));
    progress_.SetStep(1);
    if (const int stop = CheckCapacity(track, layout); stop != 0) return stop;

    if (registry_.SetSpeed(drive_, static_cast<std::int32_t>(context_.inputs.writeSpeed), 0) != 0) {
      context_.prompt.ShowMessage(datajobtext::kSpeedRefused, MessageIcon::Plain);
    }
    if (!SelectWriteMode(tree->xaRecords)) {
      return Stop(datajobtext::kWriteModeRefused, datajob::kWriteModeRefused);
    }
    if (variant_ == Variant::Dvd) {
      registry_.ReserveTrack(drive_, static_cast<std::int32_t>(layout.imageEnd - layout.sessionStart));
    }

    progress_.SetStatus("Writing Data To CD...");
    const bool written = WriteImage(layout);
    Finish(layout, written);
    return written ? datajob::kBurned : datajob::kBurnFailed;
  }

  // Numbers the directories and gives every entry its sectors, stepping the
  // bar as each stage goes; non-zero when the tree cannot be laid out.
  int Lay(SourceTree& tree, ImageLayout& layout) {
    tree.ComputeDepth();
    if (!tree.joliet() && tree.depth > ImageLayout::kMaxIsoOnlyDepth) {
      context_.prompt.ShowMessage(datajobtext::kDepthTruncated, MessageIcon::Plain);
      tree.depth = ImageLayout::kMaxIsoOnlyDepth;
    }
    progress_.SetRange16(static_cast<std::uint16_t>(tree.depth + 1));
    progress_.SetStep(1);
    auto step = [this] { progress_.StepIt(); };

    if (const int stop = StopOnLayoutFailure(layout.Prepare()); stop != 0) return stop;
    if (const int stop = StopOnLayoutFailure(layout.BuildPathTables([&](std::uint32_t) { step(); }));
        stop != 0) {
      return stop;
    }
    step();  // the path table size
    layout.AssignPathTableSectors();

    const auto directoryCount = static_cast<std::int32_t>(layout.pathTables().DirectoryCount());
    StartStage("Creating Directory Records...", directoryCount);
    layout.AssignIsoDirectories(step);
    if (tree.joliet()) {
      StartStage("Creating Directory Records...", directoryCount);
      layout.AssignJolietDirectories(step);
    }
    StartStage("Creating CD File System...", directoryCount);
    return StopOnLayoutFailure(layout.AssignEntryExtents(step));
  }

  void StartStage(const char* status, std::int32_t range) {
    progress_.SetStatus(status);
    progress_.SetPos(0);
    progress_.SetRange(range);
    progress_.SetStep(1);
  }

  int StopOnLayoutFailure(const LayoutResult& result) {
    switch (result.status) {
      case LayoutStatus::Ok:
        return 0;
      case LayoutStatus::NoEntries:
        return Stop(datajobtext::kNoRoot, datajob::kNoEntries);
      case LayoutStatus::StructureError:
        return Stop(datajobtext::kStructureError, datajob::kStructureError);
      case LayoutStatus::FileTooLarge:
      case LayoutStatus::TooManyDirectories:
      case LayoutStatus::ImageTooLarge:
        break;
    }
    return Stop(result.message + datajobtext::kTerminated, datajob::kTreeRefused);
  }

  // Refuses an image that would run past the free space of the track about
  // to be written, before anything is sent that changes the disc.
  int CheckCapacity(std::int32_t track, const ImageLayout& layout) {
    const std::int64_t needed = static_cast<std::int64_t>(layout.imageEnd) - layout.sessionStart +
                                (variant_ == Variant::Cd ? kRunOutBlocks : 0);
    const std::int64_t free = registry_.GetTrackFreeBlocks(drive_, track);
    if (needed <= free) return 0;
    const std::string text = "The data does not fit on the disc: it needs " + std::to_string(needed) +
                             " sectors, the disc has " + std::to_string(free) + " free." +
                             datajobtext::kTerminated;
    return Stop(text, datajob::kDoesNotFit);
  }

  bool SelectWriteMode(bool xaRecords) {
    std::array<std::uint8_t, kModePageLength> page{};
    registry_.ModeSense(drive_, kWriteParametersPage, kModePageLength, page.data());
    const bool dvd = variant_ == Variant::Dvd;
    const bool xa = !dvd && xaRecords;
    const std::array<std::uint8_t, 4> xaSubheader{};
    const int multiSession = context_.inputs.multiSession != 0 ? kMultiSessionAllowed : 0;
    return registry_.SetWriteParameters(drive_, kModePageLength, page.data(), kBufferUnderrunProtection,
                                        dvd ? kSessionAtOnce : kTrackAtOnce,
                                        xa ? kSessionFormatCdRomXa : kSessionFormatCdRom,
                                        xa ? kBlockTypeMode2Form1 : kBlockTypeMode1, multiSession,
                                        kTrackModeDataUninterrupted,
                                        xa ? xaSubheader.data() : nullptr) == 0;
  }

  // Writes every group of the image in order; false when a write was given up
  // or a source file could not be read.
  bool WriteImage(const ImageLayout& layout) {
    ImageStream stream(layout);
    SectorGroup group;
    bool filesReached = false;
    bool changeWarned = false;
    while (stream.Next(group)) {
      if (group.kind == GroupKind::FileData && !filesReached) {
        progress_.SetPos(static_cast<std::int32_t>(layout.fileDataStart - layout.sessionStart));
        filesReached = true;
      }
      switch (group.issue) {
        case FileIssue::None:
          break;
        case FileIssue::CannotOpen:
          context_.prompt.ShowMessage(datajobtext::kCannotOpenSource, MessageIcon::Error);
          return false;
        case FileIssue::ReadFailed:
          context_.prompt.ShowMessage(datajobtext::kCannotReadSource, MessageIcon::Error);
          return false;
        case FileIssue::SizeChanged:
          // The stream keeps the file to its recorded extent; the user hears of it once.
          if (!changeWarned) {
            context_.prompt.ShowMessage(SizeChangedText(*group.file), MessageIcon::Plain);
            changeWarned = true;
          }
          break;
      }
      if (group.sectorCount == 0) continue;
      if (group.StepBefore()) progress_.StepIt();
      if (!WriteGroup(group)) return false;
      for (std::uint32_t i = 0; i < group.StepsAfter(); ++i) progress_.StepIt();
    }
    if (!filesReached) {
      progress_.SetPos(static_cast<std::int32_t>(layout.fileDataStart - layout.sessionStart));
    }
    return true;
  }

  static std::string SizeChangedText(const datadisc::SourceNode& file) {
    return "The file " + file.sourcePath +
           " has changed since the folder was chosen.\nChanged files are written with the size "
           "they had then, cut or padded with zeros.";
  }

  bool WriteGroup(const SectorGroup& group) {
    for (std::uint32_t done = 0; done < group.sectorCount;) {
      const std::uint32_t count = std::min(group.sectorCount - done, kMaxBlocksPerWrite);
      const auto lba = static_cast<std::int32_t>(group.firstSector + done);
      const std::uint8_t* data = group.data.data() + static_cast<std::size_t>(done) * kSectorSize;
      const int result =
          variant_ == Variant::Dvd
              ? registry_.WriteSectors12(drive_, lba, static_cast<int>(count), kSectorSize, data)
              : registry_.WriteSectors(drive_, lba, static_cast<int>(count), kSectorSize, data);
      if (result != 0) return false;
      done += count;
    }
    return true;
  }

  // Runs whether or not the writing completed: the drive's cache is flushed,
  // the session closed (CD) and the disc ejected either way.
  void Finish(const ImageLayout& layout, bool written) {
    progress_.SetPos(static_cast<std::int32_t>(layout.imageEnd - layout.sessionStart));
    if (variant_ == Variant::Cd) {
      progress_.SetStatus("Synchronizing Cache...");
      registry_.SynchronizeCache(drive_);
      progress_.SetStatus("Closing Disk Session...");
      if (registry_.CloseSession(drive_) != 0) {
        context_.prompt.ShowMessage(datajobtext::kCloseSessionFailed, MessageIcon::Plain);
      }
    } else {
      progress_.SetStatus("Closing Session...");
      registry_.SynchronizeCache(drive_);
    }
    progress_.SetStatus(written ? datajobtext::kBurned : datajobtext::kBurnFailed);
    registry_.EjectDisc(drive_);
  }

  int Stop(const std::string& text, int result) {
    context_.prompt.ShowMessage(text, MessageIcon::Error);
    return result;
  }

  int End(int result) {
    progress_.EnableClose(true);
    return result;
  }

  JobContext& context_;
  ProgressSink& progress_;
  DriveRegistry& registry_;
  const int drive_;
  const Variant variant_;
};

}  // namespace

int DataCdJob(JobContext& context) { return DataDiscBurn(context, Variant::Cd).Run(); }
int DataDvdJob(JobContext& context) { return DataDiscBurn(context, Variant::Dvd).Run(); }

}  // namespace brenmark
