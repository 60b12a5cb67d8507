#include "jobs/burn/DataDiscJob.h"

#include <array>
#include <optional>
#include <string>

#include "datadisc/ImageLayout.h"
#include "datadisc/SourceTree.h"
#include "jobs/burn/BurnSequence.h"
#include "jobs/burn/DataDiscVerify.h"
#include "jobs/burn/IsoImageSource.h"
#include "jobs/burn/PreviousSessionImport.h"
#include "jobs/burn/UnreadableSources.h"
#include "jobs/burn/VerifyStep.h"

namespace brenmark {
namespace {

using datadisc::ImageLayout;
using datadisc::LayoutResult;
using datadisc::LayoutStatus;
using datadisc::SourceTree;

enum class Variant { Cd, Dvd };

constexpr int kSessionFormatCdRom = 0x00;
constexpr int kSessionFormatCdRomXa = 0x20;
constexpr int kTrackModeDataUninterrupted = 4;
// A track at once ends in two run-out blocks that the drive writes itself.
constexpr std::int64_t kRunOutBlocks = 2;
constexpr std::int64_t kBytesPerMegabyte = 1024 * 1024;

class DataDiscBurn {
 public:
  DataDiscBurn(JobContext& context, Variant variant)
      : context_(context),
        progress_(context.progress),
        burn_(context),
        variant_(variant) {}

  JobEnd Run() {
    progress_.EnableClose(false);
    progress_.SetStatus("Initializing disc format...");
    progress_.SetPos(0);
    progress_.SetStatus("Analizing Directory Structure...");
    if (!AcceptUnreadableSources(context_.inputs.sourceTree.get(), context_.prompt)) {
      return context_.End(JobEnd::UnreadableSourcesRefused);
    }

    return context_.End(burn_.OnOpenDrive(datajobtext::kNoDrive, [this] { return RunOnOpenDrive(); }));
  }

 private:
  JobEnd RunOnOpenDrive() {
    std::int32_t track = 1;
    const DiscCheck disc = burn_.CheckDisc(track);
    if (const JobEnd stop = burn_.StopUnlessWritable(disc, datajobtext::kDiscNotWritable); stop != JobEnd::Done) {
      return stop;
    }
    // Laying the image out from a guessed start would put every address in it wrong.
    const std::optional<std::int32_t> sessionStart = burn_.TrackStart(track);
    if (!sessionStart) return StopWithAnswer(datajobtext::kNoTrackInformation, JobEnd::NoDriveInformation);

    SourceTree* tree = context_.inputs.sourceTree.get();
    if (tree == nullptr) return context_.Stop(datajobtext::kNoRoot, JobEnd::NothingToWrite);
    if (disc == DiscCheck::Appendable) {
      if (const JobEnd stop = KeepPreviousSession(*tree); stop != JobEnd::Done) return stop;
    }
    ImageLayout layout(*tree, static_cast<std::uint32_t>(*sessionStart));
    if (const JobEnd stop = Lay(*tree, layout); stop != JobEnd::Done) return stop;

    progress_.SetStatus("Preparing Burning...");
    progress_.SetPos(0);
    progress_.SetRange(static_cast<std::int32_t>(layout.imageEnd - layout.sessionStart));
    progress_.SetStep(1);
    if (const JobEnd stop = CheckCapacity(track, layout); stop != JobEnd::Done) return stop;

    if (!burn_.SetSpeed()) context_.prompt.ShowMessage(datajobtext::kSpeedRefused, MessageIcon::Plain);
    const bool dvd = variant_ == Variant::Dvd;
    IsoImageSource source(layout, !dvd && tree->xaRecords, progress_, context_.prompt);
    if (!burn_.SetWriteMode(WriteModeFor(source))) {
      return context_.Stop(datajobtext::kWriteModeRefused, JobEnd::WriteModeRefused);
    }
    // Without its reservation a session at once has nowhere to go: nothing is
    // written, and the disc is still finished as far as it can be.
    bool written = false;
    if (!dvd || Reserve(layout)) {
      progress_.SetStatus("Writing Data To CD...");
      written = burn_.Write(source, dvd ? WriteCommand::Write12 : WriteCommand::Write10) == WriteEnd::Written;
    }
    return Finish(layout, written);
  }

  // Makes the files of the disc's last session part of the new one; when
  // they cannot be, the user decides whether to append without them.
  JobEnd KeepPreviousSession(SourceTree& tree) {
    progress_.SetStatus(importtext::kReading);
    const SessionImportResult result = ImportLastSession(burn_.handle(), tree);
    switch (result.status) {
      case SessionImportResult::Status::NoPreviousSession:
        return JobEnd::Done;
      case SessionImportResult::Status::Imported:
        context_.Notify(ImportNotice(result));
        return JobEnd::Done;
      case SessionImportResult::Status::NotImportable:
        break;
    }
    return context_.prompt.AskYesNo(AppendWithoutQuestion(result.reason)) ? JobEnd::Done : JobEnd::PreviousSessionRefused;
  }

  bool Reserve(const ImageLayout& layout) {
    if (burn_.ReserveTrack(static_cast<std::int32_t>(layout.imageEnd - layout.sessionStart))) return true;
    context_.prompt.ShowMessage(burn_.WithAnswer(datajobtext::kReserveFailed) + datajobtext::kTerminated,
                                MessageIcon::Error);
    return false;
  }

  WriteMode WriteModeFor(const IsoImageSource& source) const {
    WriteMode mode;
    const bool xa = source.dataBlockType() == IsoImageSource::kBlockTypeMode2Form1;
    mode.writeType = variant_ == Variant::Dvd ? WriteType::SessionAtOnce : WriteType::TrackAtOnce;
    mode.sessionFormat = xa ? kSessionFormatCdRomXa : kSessionFormatCdRom;
    mode.dataBlockType = source.dataBlockType();
    mode.multiSessionBits = context_.inputs.multiSession != 0 ? WriteMode::kMultiSessionAllowed : 0;
    mode.trackMode = kTrackModeDataUninterrupted;
    if (xa) mode.subheader = std::array<std::uint8_t, 4>{};
    return mode;
  }

  // Numbers the directories and gives every entry its sectors, stepping the
  // bar as each stage goes; non-zero when the tree cannot be laid out.
  JobEnd Lay(SourceTree& tree, ImageLayout& layout) {
    tree.ComputeDepth();
    if (!tree.joliet() && tree.depth > ImageLayout::kMaxIsoOnlyDepth) {
      context_.prompt.ShowMessage(datajobtext::kDepthTruncated, MessageIcon::Plain);
      tree.depth = ImageLayout::kMaxIsoOnlyDepth;
    }
    progress_.SetRange16(static_cast<std::uint16_t>(tree.depth + 1));
    progress_.SetStep(1);
    auto step = [this] { progress_.StepIt(); };

    if (const JobEnd stop = StopOnLayoutFailure(layout.Prepare()); stop != JobEnd::Done) return stop;
    if (const JobEnd stop = StopOnLayoutFailure(layout.BuildPathTables([&](std::uint32_t) { step(); }));
        stop != JobEnd::Done) {
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

  JobEnd StopOnLayoutFailure(const LayoutResult& result) {
    switch (result.status) {
      case LayoutStatus::Ok:
        return JobEnd::Done;
      case LayoutStatus::NoEntries:
        return context_.Stop(datajobtext::kNoRoot, JobEnd::NothingToWrite);
      case LayoutStatus::StructureError:
        return context_.Stop(datajobtext::kStructureError, JobEnd::StructureError);
      case LayoutStatus::FileTooLarge:
      case LayoutStatus::TooManyDirectories:
      case LayoutStatus::ImageTooLarge:
        break;
    }
    return context_.Stop(result.message + datajobtext::kTerminated, JobEnd::SourcesRefused);
  }

  // Refuses an image that would run past the free space of the track about
  // to be written, before anything is sent that changes the disc.
  JobEnd CheckCapacity(std::int32_t track, const ImageLayout& layout) {
    const std::int64_t needed = static_cast<std::int64_t>(layout.imageEnd) - layout.sessionStart +
                                (variant_ == Variant::Cd ? kRunOutBlocks : 0);
    const std::optional<std::int32_t> free = burn_.TrackFreeBlocks(track);
    if (!free) return StopWithAnswer(datajobtext::kNoTrackInformation, JobEnd::NoDriveInformation);
    if (needed <= *free) return JobEnd::Done;
    // Megabytes rounded so that what is needed never reads as what is free.
    const std::int64_t neededMb = (needed * 2048 + kBytesPerMegabyte - 1) / kBytesPerMegabyte;
    const std::int64_t freeMb = std::int64_t{*free} * 2048 / kBytesPerMegabyte;
    const std::string text = "The data does not fit on the disc: it needs " + std::to_string(needed) +
                             " sectors (" + std::to_string(neededMb) + " MB), the disc has " +
                             std::to_string(*free) + " free (" + std::to_string(freeMb) + " MB)." +
                             datajobtext::kTerminated;
    return context_.Stop(text, JobEnd::DoesNotFit);
  }

  // Runs whether or not the writing completed: the drive's cache is flushed,
  // the session closed (CD) and the disc ejected either way. Done when the
  // burn is complete: written, the cache written to the disc (which on a DVD
  // also closes the session) and, on a CD, the session closed; and, when the
  // job verifies, the disc read back as it was written.
  JobEnd Finish(const ImageLayout& layout, bool written) {
    progress_.SetPos(static_cast<std::int32_t>(layout.imageEnd - layout.sessionStart));
    bool synchronized = false;
    bool closed = true;
    if (variant_ == Variant::Cd) {
      progress_.SetStatus("Synchronizing Cache...");
      synchronized = SynchronizeCache();
      progress_.SetStatus("Closing Disk Session...");
      // A session left open is not readable in most drives: the burn has failed.
      closed = burn_.CloseSession();
      if (!closed) context_.prompt.ShowMessage(datajobtext::kCloseSessionFailed, MessageIcon::Plain);
    } else {
      progress_.SetStatus("Closing Session...");
      synchronized = SynchronizeCache();
    }
    const bool burned = written && synchronized && closed;
    // Session at once leaves no room for another session, whatever was asked.
    if (burned && variant_ == Variant::Dvd && context_.inputs.multiSession != 0) {
      context_.Notify(datajobtext::kDvdClosed);
    }
    progress_.SetStatus(burned ? datajobtext::kBurned : datajobtext::kBurnFailed);
    // Read back before the eject, while the disc is still in the drive.
    std::optional<VerifyReport> verified;
    if (burned && context_.inputs.verify) {
      DiscReadBack readBack(burn_.handle(), burn_.written());
      verified = VerifyDataSession(context_, readBack, burn_.handle(), layout);
    }
    const bool kept = burn_.EjectKeepingDisc();
    if (!kept) progress_.SetStatus(datajobtext::kBurnFailed);
    return EndWithVerify(context_, burned && kept, verified, burn_.keptImage());
  }

  bool SynchronizeCache() {
    if (burn_.SynchronizeCache()) return true;
    context_.prompt.ShowMessage(burn_.WithAnswer(datajobtext::kSyncFailed), MessageIcon::Error);
    return false;
  }

  JobEnd StopWithAnswer(const char* text, JobEnd result) {
    return context_.Stop(burn_.WithAnswer(text) + datajobtext::kTerminated, result);
  }

  JobContext& context_;
  ProgressSink& progress_;
  BurnSequence burn_;
  const Variant variant_;
};

}  // namespace

JobEnd DataCdJob(JobContext& context) { return DataDiscBurn(context, Variant::Cd).Run(); }
JobEnd DataDvdJob(JobContext& context) { return DataDiscBurn(context, Variant::Dvd).Run(); }

}  // namespace brenmark
