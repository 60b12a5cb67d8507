#include "jobs/burn/DataDiscJob.h"

#include <array>
#include <optional>
#include <string>

#include "bytes/ByteOrder.h"
#include "datadisc/ImageLayout.h"
#include "datadisc/SourceTree.h"
#include "drive/MediaProfile.h"
#include "jobs/burn/BurnSequence.h"
#include "jobs/burn/DataDiscVerify.h"
#include "jobs/burn/DescriptorsLastSource.h"
#include "jobs/burn/DvdWriteStrategy.h"
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
// A DVD is written in ECC blocks of 16 logical blocks.
constexpr std::int32_t kEccBlocks = 16;
// The volume descriptor set of an ISO 9660 volume starts at block 16 of it;
// the set this job writes is at most a primary, a Joliet one and a terminator.
constexpr std::int32_t kDescriptorsStart = 16;
constexpr int kMostDescriptors = 8;
constexpr std::uint8_t kPrimaryDescriptor = 1;
constexpr std::uint8_t kTerminator = 255;
// The CD profiles: CD-ROM, CD-R, CD-RW.
constexpr std::uint16_t kCdRomProfile = 0x0008;
constexpr std::uint16_t kCdRwProfile = 0x000A;

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
    if (variant_ == Variant::Dvd || MayHoldDvd()) profile_ = burn_.handle().ReadProfiles().value_or({}).current;
    if (const JobEnd stop = RefuseOtherMediumKind(); stop != JobEnd::Done) return stop;
    if (variant_ == Variant::Dvd) {
      const bool blank = burn_.handle().ReadDiscSummary().value_or({}).blank;
      strategy_ = ChooseDvdWriteStrategy(profile_, blank, context_.inputs.multiSession != 0);
      if (strategy_ == DvdWriteStrategy::Overwrite) return RunOverwrite(blank);
    }
    std::int32_t track = 1;
    const DiscCheck disc = burn_.CheckDisc(track);
    track_ = track;
    if (const JobEnd stop = burn_.StopUnlessWritable(disc, datajobtext::kDiscNotWritable); stop != JobEnd::Done) {
      return stop;
    }
    // Laying the image out from a guessed start would put every address in it wrong.
    const std::optional<std::int32_t> sessionStart = burn_.TrackStart(track);
    if (!sessionStart) return StopWithAnswer(datajobtext::kNoTrackInformation, JobEnd::NoDriveInformation);

    SourceTree* tree = context_.inputs.sourceTree.get();
    if (tree == nullptr) return context_.Stop(datajobtext::kNoRoot, JobEnd::NothingToWrite);
    if (disc == DiscCheck::Appendable) {
      if (const JobEnd stop = KeepPreviousSession(*tree, track); stop != JobEnd::Done) return stop;
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
    if (!dvd || strategy_ != DvdWriteStrategy::DiscAtOnce || Reserve(layout)) {
      progress_.SetStatus("Writing Data To CD...");
      written = burn_.Write(source, dvd ? WriteCommand::Write12 : WriteCommand::Write10) == WriteEnd::Written;
    }
    return Finish(layout, written);
  }

  // Makes the files of the disc's last session part of the new one; when
  // they cannot be, the user decides whether to append without them.
  JobEnd KeepPreviousSession(SourceTree& tree, std::int32_t track) {
    progress_.SetStatus(importtext::kReading);
    const SessionImportResult result =
        variant_ == Variant::Dvd ? ImportPreviousDvdTrack(tree, track) : ImportLastSession(burn_.handle(), tree);
    return Decide(result);
  }

  // Each incremental DVD session this job writes is one track: the one before
  // the track to write holds the previous session.
  SessionImportResult ImportPreviousDvdTrack(SourceTree& tree, std::int32_t track) {
    if (track <= 1) return {};
    const DriveResult<TrackInformation> previous = burn_.handle().ReadTrackInformation(track - 1);
    if (!previous) {
      SessionImportResult result;
      result.status = SessionImportResult::Status::NotImportable;
      result.reason = "the drive did not say where it lies (" + previous.outcome().Text() + ")";
      return result;
    }
    return ImportDvdSession(burn_.handle(), tree, previous->startAddress,
                            previous->startAddress + previous->trackSize);
  }

  // A recorder that writes no DVD is taken to hold none: its CD burns ask for
  // no profile. One whose capabilities are not known is asked.
  bool MayHoldDvd() const {
    const Drive& recorder = context_.registry.drive(burn_.drive());
    return !recorder.capabilitiesRead || recorder.canWriteDvdR != 0 || recorder.canWriteDvdRam != 0;
  }

  // A DVD in a CD burn (or a CD in a DVD burn) would fail at its first write
  // or reservation: it is refused before anything is sent, naming the medium.
  // A drive that tells no current profile is left to the steps that follow.
  JobEnd RefuseOtherMediumKind() {
    const bool cd = profile_ >= kCdRomProfile && profile_ <= kCdRwProfile;
    if (profile_ == 0 || (variant_ == Variant::Cd ? cd : IsDvdProfile(profile_))) return JobEnd::Done;
    const std::string medium = ProfileName(profile_);
    const std::string text =
        variant_ == Variant::Cd
            ? "The disc in the recorder is a " + medium + ", not a CD: a data CD is written on a CD-R or CD-RW."
            : "The disc in the recorder is a " + medium + ", not a DVD: a data DVD is written on a DVD-R, DVD-RW, "
              "DVD+R or DVD+RW.";
    return context_.Stop(text + datajobtext::kTerminated, JobEnd::DiscNotWritable);
  }

  JobEnd Decide(const SessionImportResult& result) {
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
    mode.writeType = variant_ == Variant::Cd                        ? WriteType::TrackAtOnce
                     : strategy_ == DvdWriteStrategy::Incremental ? WriteType::Incremental
                                                                  : WriteType::SessionAtOnce;
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
    const std::optional<std::int32_t> free = burn_.TrackFreeBlocks(track);
    if (!free) return StopWithAnswer(datajobtext::kNoTrackInformation, JobEnd::NoDriveInformation);
    return CheckFits(layout, *free);
  }

  JobEnd CheckFits(const ImageLayout& layout, std::int32_t freeBlocks) {
    const std::int64_t needed = static_cast<std::int64_t>(layout.imageEnd) - layout.sessionStart +
                                (variant_ == Variant::Cd ? kRunOutBlocks : 0);
    if (needed <= freeBlocks) return JobEnd::Done;
    // Megabytes rounded so that what is needed never reads as what is free.
    const std::int64_t neededMb = (needed * 2048 + kBytesPerMegabyte - 1) / kBytesPerMegabyte;
    const std::int64_t freeMb = std::int64_t{freeBlocks} * 2048 / kBytesPerMegabyte;
    const std::string text = "The data does not fit on the disc: it needs " + std::to_string(needed) +
                             " sectors (" + std::to_string(neededMb) + " MB), the disc has " +
                             std::to_string(freeBlocks) + " free (" + std::to_string(freeMb) + " MB)." +
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
    // Nothing reached the disc: there is no session to close.
    if (burn_.stoppedBeforeWriting()) {
      burn_.EjectKeepingDisc(false);
      return EndWithVerify(context_, false, std::nullopt, burn_.keptImage());
    }
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
      if (strategy_ == DvdWriteStrategy::Incremental) {
        closed = CloseDvdSession();
        if (!closed) context_.prompt.ShowMessage(datajobtext::kCloseSessionFailed, MessageIcon::Plain);
      }
    }
    const bool burned = written && synchronized && closed;
    // Session at once leaves no room for another session, whatever was asked.
    if (burned && variant_ == Variant::Dvd && strategy_ == DvdWriteStrategy::DiscAtOnce &&
        context_.inputs.multiSession != 0) {
      context_.Notify(datajobtext::kDvdClosed);
    }
    progress_.SetStatus(burned ? datajobtext::kBurned : datajobtext::kBurnFailed);
    // Read back before the eject, while the disc is still in the drive.
    std::optional<VerifyReport> verified;
    if (burned && context_.inputs.verify) {
      DiscReadBack readBack(burn_.handle(), burn_.written());
      verified = VerifyDataSession(context_, readBack, burn_.handle(), layout);
    }
    const bool kept = burn_.EjectKeepingDisc(burned);
    if (!kept) progress_.SetStatus(datajobtext::kBurnFailed);
    return EndWithVerify(context_, burned && kept, verified, burn_.keptImage());
  }

  // The track written incrementally, then its session: a DVD-R/-RW stays open
  // by the multi-session field of the write parameters, a DVD+R by closing
  // only the session and is finalized otherwise.
  bool CloseDvdSession() {
    if (!burn_.CloseTrack(track_)) return false;
    if (profile_ == kDvdPlusRProfile && context_.inputs.multiSession == 0) {
      return burn_.handle().FinalizeDisc().ok();
    }
    return burn_.CloseSession();
  }

  // DVD+RW and restricted-overwrite DVD-RW: written in place. A blank DVD+RW
  // is formatted first; on a disc that holds a file system the new session
  // goes behind it, its files kept in the new directories, and the new volume
  // descriptors are copied to block 16, where readers look for them.
  JobEnd RunOverwrite(bool blank) {
    SourceTree* tree = context_.inputs.sourceTree.get();
    if (tree == nullptr) return context_.Stop(datajobtext::kNoRoot, JobEnd::NothingToWrite);
    DriveHandle& drive = burn_.handle();
    if (blank && profile_ == kDvdPlusRwProfile) {
      progress_.SetStatus("Formatting...");
      if (const DriveStatus formatted = drive.FormatUnit(kDvdPlusRwFormatType, kFormatWholeDisc); !formatted) {
        return context_.Stop(datajobtext::kFormatFailed + std::string(" The drive answered: ") +
                                 formatted.outcome().Text() + "." + datajobtext::kTerminated,
                             JobEnd::WriteModeRefused);
      }
    }
    std::int32_t start = 0;
    if (const std::optional<std::int32_t> volumeEnd = ExistingVolumeEnd()) {
      progress_.SetStatus(importtext::kReading);
      if (const JobEnd stop = Decide(ImportDvdSession(drive, *tree, 0, *volumeEnd)); stop != JobEnd::Done) {
        return stop;
      }
      start = (*volumeEnd + kEccBlocks - 1) / kEccBlocks * kEccBlocks;
    }
    ImageLayout layout(*tree, static_cast<std::uint32_t>(start));
    if (const JobEnd stop = Lay(*tree, layout); stop != JobEnd::Done) return stop;
    progress_.SetStatus("Preparing Burning...");
    progress_.SetPos(0);
    progress_.SetRange(static_cast<std::int32_t>(layout.imageEnd - layout.sessionStart));
    progress_.SetStep(1);
    const DriveResult<std::int32_t> lastBlock = drive.ReadCapacity();
    if (!lastBlock) return StopWithAnswer(datajobtext::kNoTrackInformation, JobEnd::NoDriveInformation);
    if (const JobEnd stop = CheckFits(layout, *lastBlock + 1 - start); stop != JobEnd::Done) return stop;

    if (!burn_.SetSpeed()) context_.prompt.ShowMessage(datajobtext::kSpeedRefused, MessageIcon::Plain);
    IsoImageSource image(layout, false, progress_, context_.prompt);
    // A new volume at block 0 gets its descriptors at block 16 only once its
    // other blocks are written, as a grown one gets its copy there.
    DescriptorsLastSource descriptorsLast(image);
    SectorSource& source = start > 0 ? static_cast<SectorSource&>(image) : descriptorsLast;
    progress_.SetStatus("Writing Data To CD...");
    bool written = burn_.Write(source, WriteCommand::Write12) == WriteEnd::Written;
    if (written && start > 0 && !RewriteDescriptors(start)) {
      context_.prompt.ShowMessage(datajobtext::kDescriptorsNotRewritten, MessageIcon::Error);
      written = false;
    }
    return Finish(layout, written);
  }

  // The end of the ISO 9660 volume on an overwritable disc: the volume space
  // size of its primary descriptor at block 16; nothing when there is none.
  std::optional<std::int32_t> ExistingVolumeEnd() {
    std::array<std::uint8_t, 2048> block{};
    if (!burn_.handle().ReadUserData(kDescriptorsStart, 1, block.data())) return std::nullopt;
    if (block[0] != kPrimaryDescriptor || std::string(block.begin() + 1, block.begin() + 6) != "CD001") {
      return std::nullopt;
    }
    const auto end = static_cast<std::int32_t>(bytes::ReadLe32(&block[80]));
    return end > kDescriptorsStart ? std::optional(end) : std::nullopt;
  }

  // Copies the descriptor set written at start + 16, up to its terminator, to block 16.
  bool RewriteDescriptors(std::int32_t start) {
    std::array<std::uint8_t, 2048 * kMostDescriptors> set{};
    DriveHandle& drive = burn_.handle();
    if (!drive.ReadUserData(start + kDescriptorsStart, kMostDescriptors, set.data())) return false;
    for (int count = 1; count <= kMostDescriptors; ++count) {
      if (set[static_cast<std::size_t>(count - 1) * 2048] == kTerminator) {
        return drive.WriteSectors12(kDescriptorsStart, count, 2048, set.data()).ok();
      }
    }
    return false;
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
  std::uint16_t profile_ = 0;
  DvdWriteStrategy strategy_ = DvdWriteStrategy::DiscAtOnce;
  std::int32_t track_ = 1;
};

}  // namespace

JobEnd DataCdJob(JobContext& context) { return DataDiscBurn(context, Variant::Cd).Run(); }
JobEnd DataDvdJob(JobContext& context) { return DataDiscBurn(context, Variant::Dvd).Run(); }

}  // namespace brenmark
