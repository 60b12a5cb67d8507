#include "jobs/burn/VcdJob.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "jobs/EndingLine.h"
#include "platform/File.h"
#include "platform/Utf8Path.h"
#include "jobs/burn/BurnSequence.h"
#include "jobs/burn/SourceChanges.h"
#include "jobs/burn/VerifyStep.h"
#include "vcd/MpegStreamCheck.h"
#include "vcd/VcdTrackSources.h"
#include "vcd/VcdTrackTable.h"

namespace brenmark {
namespace {

using vcd::kMpegDataSize;
using vcd::VcdTrackTable;

// Sizes are recorded as 32-bit numbers on the disc.
constexpr std::uint64_t kFileSizeLimit = std::uint64_t{1} << 32;
constexpr int kSessionFormatCdRomXa = 0x20;
constexpr int kTrackModeData = 4;
constexpr int kMultiSessionClosed = 0x40;
constexpr std::uint8_t kMpegSubheader[4] = {0x01, 0x01, 0x62, 0x0F};

std::string TrackText(const char* pattern, std::size_t track, std::size_t count) {
  char text[96];
  std::snprintf(text, sizeof text, pattern, static_cast<int>(track), static_cast<int>(count));
  return text;
}

class VcdBurn {
 public:
  explicit VcdBurn(JobContext& context)
      : context_(context), progress_(context.progress), prompt_(context.prompt), burn_(context) {}

  JobEnd Run() {
    progress_.EnableClose(false);
    progress_.SetStatus("Initializing disc format...");
    const JobEnd result = Start();
    sources_.clear();
    burn_.Close();
    progress_.EnableClose(true);
    return result;
  }

 private:
  const std::vector<std::string>& files() const { return context_.inputs.sourceFiles; }
  const char* NoDeviceAccessText() const {
    return burn_.OpenFailureText(vcdjobtext::kNoDeviceAccess);
  }
  std::size_t trackCount() const { return files().size() + 1; }

  JobEnd Start() {
    if (burn_.drive() < 0) return context_.Stop(vcdjobtext::kNoDrive, JobEnd::NoDrive);
    if (files().empty()) return context_.Stop(vcdjobtext::kNoFiles, JobEnd::NothingToWrite);
    // The MPEGAV directory is one sector: more files would run past it.
    if (files().size() > vcd::kMaxMpegTracks) {
      return context_.Stop("A Video CD holds at most " + std::to_string(vcd::kMaxMpegTracks) + " MPEG files; " +
                      std::to_string(files().size()) + " were chosen." + vcdjobtext::kTerminated,
                  JobEnd::SourcesRefused);
    }
    if (const JobEnd stop = CheckSources(); stop != JobEnd::Done) return stop;
    if (files().size() == 1) total_ = sizes_[0];
    if (!burn_.Open()) return context_.Stop(NoDeviceAccessText(), JobEnd::NoDeviceAccess);

    for (;;) {
      const JobEnd result = BurnDisc();
      // After a failure the part on the failed disc is not complete: no further disc is asked for.
      if (result != JobEnd::Done || !spanning_ || written_ >= total_) return result;
      const std::uint64_t left = total_ - written_;
      progress_.SetStatus("Starting New Volume...");
      if (!prompt_.WaitForUser(vcdjobtext::kInsertAnotherDisc)) {
        prompt_.ShowMessage(NotWrittenText(left) + " No further disc was inserted.", MessageIcon::Error);
        progress_.SetStatus(vcdjobtext::kFailed);
        return JobEnd::BurnFailed;
      }
      if (!burn_.Open()) return context_.Stop(NoDeviceAccessText(), JobEnd::NoDeviceAccess);
    }
  }

  // Opens every file, takes its size and looks at its first megabyte, before
  // the drive is touched: a file that cannot be read, is too large or is not
  // an MPEG-1 system stream refuses the whole list, each such file named with
  // its reason; streams whose packs do not fit the sectors are named in a
  // notice. Every file is kept open for the burn, which writes it as it is
  // now, whatever becomes of its path.
  JobEnd CheckSources() {
    std::string unreadable;
    std::string refused;
    std::string misfit;  // MPEG-1 streams whose packs are not one a sector
    std::vector<std::uint8_t> start(vcd::kMpegCheckBytes);
    for (const std::string& path : files()) {
      platform::File& file = sources_.emplace_back();
      const auto size = OpenForSize(file, path);
      const std::int64_t got = size ? file.ReadAt(0, start.data(), start.size()) : -1;
      if (!size || got < 0) {
        unreadable.append("\n").append(path).append(": ").append(ReasonOf(file, size.has_value()));
        continue;
      }
      sizes_.push_back(*size);
      if (*size >= kFileSizeLimit) {
        AddRefusal(refused, path, "it is 4 GB or larger, and a Video CD cannot record its size");
        continue;
      }
      const vcd::MpegStreamKind kind =
          vcd::ClassifyMpegStream(std::span<const std::uint8_t>(start.data(), static_cast<std::size_t>(got)));
      if (kind != vcd::MpegStreamKind::MpegOneSystemStream) {
        AddRefusal(refused, path, vcd::MpegRefusalReason(kind));
      } else if (!vcd::PacksFitVideoCdSectors(std::span<const std::uint8_t>(start.data(), static_cast<std::size_t>(got)))) {
        misfit.append("\n").append(path);
      }
    }
    if (!unreadable.empty()) {
      return context_.Stop(WithDetail(vcdjobtext::kNoSourceInformation, unreadable.substr(1)), JobEnd::SourceUnreadable);
    }
    if (!refused.empty()) return context_.Stop(refused + vcdjobtext::kTerminated, JobEnd::SourcesRefused);
    if (!misfit.empty()) {
      context_.Notify("The MPEG packs of these files are not the 2324 bytes a Video CD sector carries: they are "
                      "written as they are, their packs straddling the sectors, and players expecting one pack per "
                      "sector may not play them. A stream made for a Video CD has them (for example ffmpeg "
                      "-target ntsc-vcd or -target pal-vcd):" + misfit);
    }
    return JobEnd::Done;
  }

  static void AddRefusal(std::string& text, const std::string& path, const char* reason) {
    if (!text.empty()) text.append("\n");
    text.append("The file ").append(path).append(" cannot go on a Video CD: ").append(reason).append(".");
  }

  // The system's words when the file could not be opened or read; else that it is no regular file.
  static std::string ReasonOf(const platform::File& file, bool measured) {
    if (!file.lastError().empty()) return file.lastError();
    return measured ? "it could not be read" : "it is not a regular file";
  }

  JobEnd TooFewSectors(std::int32_t freeBlocks) {
    return context_.Stop("The disc holds " + std::to_string(freeBlocks) + " sectors, too few for a Video CD." +
                             vcdjobtext::kTerminated,
                         JobEnd::NoDriveInformation);
  }

  // One disc, from the blank check to the eject; the result of the stop or of Finish.
  JobEnd BurnDisc() {
    std::int32_t firstTrack = 1;
    switch (burn_.CheckDisc(firstTrack)) {
      case DiscCheck::Blank: break;
      case DiscCheck::NoDisc: return context_.Stop(burntext::kNoDisc, JobEnd::NoDisc);
      case DiscCheck::Unknown: return StopWithAnswer(burntext::kNoDiscInformation, JobEnd::NoDriveInformation);
      case DiscCheck::Appendable:
      case DiscCheck::NotWritable: return context_.Stop(vcdjobtext::kDiscNotEmpty, JobEnd::DiscNotWritable);
    }
    // Free blocks or a track start the drive did not give would be used as 0.
    const std::optional<std::int32_t> freeBlocks = burn_.TrackFreeBlocks(firstTrack);
    if (!freeBlocks) return StopWithAnswer(vcdjobtext::kNoCapacity, JobEnd::NoDriveInformation);
    if (!burn_.TakesCdTracks(*freeBlocks)) {
      return context_.Stop(std::string(burntext::kNotACd) + vcdjobtext::kTerminated, JobEnd::DiscNotWritable);
    }
    if (vcd::DataRoom(*freeBlocks) <= 0) return TooFewSectors(*freeBlocks);
    const std::int64_t spreadRoom = vcd::SpreadRoom(*freeBlocks);
    if (!spanning_) {
      if (files().size() == 1 && vcd::NeedsSeveralDiscs(total_, spreadRoom)) {
        spanning_ = true;
        prompt_.ShowMessage(vcdjobtext::kNeedsMoreDiscs, MessageIcon::Information);
      }
    }

    VcdTrackTable table;
    if (spanning_) {
      if (spreadRoom <= 0) return TooFewSectors(*freeBlocks);
      const std::uint32_t length = vcd::NextDiscLength(total_ - written_, spreadRoom);
      table.entries.push_back({vcd::kFirstDataStart, length});
      table.end = vcd::kFirstDataStart + length;
    } else {
      table = *vcd::LayTracks(sizes_);
      if (vcd::BlocksUsed(table) > *freeBlocks) {
        return context_.Stop("The files need " + std::to_string(vcd::BlocksUsed(table)) +
                                 " sectors on the disc, which has " + std::to_string(*freeBlocks) + " free." +
                                 vcdjobtext::kTerminated,
                             JobEnd::DoesNotFit);
      }
    }
    if (!burn_.TrackStart(1)) return StopWithAnswer(vcdjobtext::kNoTrackStart, JobEnd::NoDriveInformation);
    progress_.SetStatus(TrackText("Writing Track %d of %d on Video CD ...", 1, trackCount()));

    if (!burn_.SetSpeed()) prompt_.ShowMessage(vcdjobtext::kSpeedRefused, MessageIcon::Plain);
    if (!burn_.SetWriteMode(Track1Mode())) return FailAndFinish(vcdjobtext::kWriteModeRefused);
    progress_.SetRange(static_cast<std::int32_t>(vcd::kTrack1Sectors));
    progress_.SetPos(0);
    progress_.SetStep(1);
    vcd::Track1Source track1(table, std::time(nullptr), context_.transferBuffer, Stepper());
    if (burn_.Write(track1) != WriteEnd::Written) return Finish(false);
    progress_.SetStatus(TrackText("Closing Track %d of %d on Video CD ...", 1, trackCount()));
    if (!CloseTrack(1)) return Finish(false);

    if (!burn_.SetWriteMode(MpegMode())) return FailAndFinish(vcdjobtext::kWriteModeRefused);
    for (std::size_t i = 0; i < table.entries.size(); ++i) {
      if (!BurnMpegTrack(i, table.entries[i])) return Finish(false);
    }
    return Finish(true);
  }

  bool BurnMpegTrack(std::size_t i, const vcd::VcdTrackEntry& entry) {
    const std::size_t track = i + 2;
    const std::optional<std::int32_t> start = burn_.TrackStart(static_cast<std::int32_t>(track));
    if (!start) return Fail(burn_.WithAnswer(vcdjobtext::kNoTrackStart) + vcdjobtext::kTerminated);
    // Data written anywhere but at dataStart would not be where the file system says.
    if (*start > static_cast<std::int64_t>(entry.dataStart)) {
      return Fail("The drive starts track " + std::to_string(track) + " at sector " + std::to_string(*start) +
                  ", behind sector " + std::to_string(entry.dataStart) + " where its data belongs." +
                  vcdjobtext::kTerminated);
    }
    progress_.SetStatus(TrackText("Starting Track %d of %d on Video CD ...", track, trackCount()));

    // A file spread over discs is the one file of the list.
    const std::size_t source = spanning_ ? 0 : i;
    platform::File& file = sources_[source];
    const std::uint64_t budget =
        spanning_ ? std::min<std::uint64_t>(std::uint64_t{entry.dataLength} * kMpegDataSize, total_ - written_)
                  : sizes_[i];
    progress_.SetRange(static_cast<std::int32_t>(entry.dataLength));
    progress_.SetPos(0);
    progress_.SetStep(1);
    progress_.SetStatus(TrackText("Burning Track %d of %d on Video CD ...", track, trackCount()));

    const vcd::MpegTrackSource::Track place{static_cast<std::uint8_t>(i + 1), *start, entry.dataStart, budget};
    vcd::MpegTrackSource mpeg(file, place, context_.transferBuffer, Stepper());
    const WriteEnd end = burn_.Write(mpeg);
    if (spanning_) written_ += mpeg.taken();
    if (end == WriteEnd::SourceFailed) {
      return Fail("Can't read source file " + files()[i] + ": " + mpeg.failure() + "." +
                  vcdjobtext::kTerminated);
    }
    changes_.AfterTrack(files()[source], file, sizes_[source], mpeg.missing());
    if (end != WriteEnd::Written) return false;
    progress_.SetStatus(TrackText("Closing Track %d of %d ...", track, trackCount()));
    return CloseTrack(static_cast<std::int32_t>(track));
  }

  // Flushes the track and closes it, so that the next track starts where the
  // drive places it.
  bool CloseTrack(std::int32_t track) {
    if (burn_.SynchronizeCache() && burn_.CloseTrack(track)) return true;
    return Fail(burn_.WithAnswer("The drive could not close track " + std::to_string(track) + ".") +
                vcdjobtext::kTerminated);
  }

  WriteMode Track1Mode() const {
    WriteMode mode;
    mode.sessionFormat = kSessionFormatCdRomXa;
    mode.dataBlockType = 10;
    mode.multiSessionBits = context_.inputs.multiSession != 0 ? WriteMode::kMultiSessionAllowed : kMultiSessionClosed;
    mode.trackMode = kTrackModeData;
    mode.subheader = std::array<std::uint8_t, 4>{};
    return mode;
  }

  WriteMode MpegMode() const {
    WriteMode mode = Track1Mode();
    mode.dataBlockType = 13;
    mode.subheader = std::array<std::uint8_t, 4>{kMpegSubheader[0], kMpegSubheader[1], kMpegSubheader[2],
                                                 kMpegSubheader[3]};
    return mode;
  }

  // Closes the session and ejects the disc whether or not the writing
  // completed; the last status says which.
  JobEnd Finish(bool written) {
    progress_.SetStatus("Closing Disk Session...");
    // Each failure says why, with the drive's answer.
    const bool synced = burn_.SynchronizeCache() ||
                        Fail(burn_.WithAnswer("The drive could not write the data from its cache to the disc."));
    const bool closed = burn_.CloseSession() || Fail(burn_.WithAnswer("The drive could not close the session."));
    // Zeros written for bytes a file lost leave the disc short of what was asked.
    bool burned = written && synced && closed && !changes_.anyMissing();
    changes_.TellMissingAtEnd();
    progress_.SetStatus(burned ? vcdjobtext::kDone : vcdjobtext::kFailed);
    std::optional<VerifyReport> verified;
    if (burned && context_.inputs.verify) verified = VerifyWrittenTracks();
    if (!burn_.EjectKeepingDisc(burned)) {
      progress_.SetStatus(vcdjobtext::kFailed);
      burned = false;
    }
    burn_.Close();
    return EndWithVerify(context_, burned, verified, burn_.keptImage());
  }

  // Every written sector read back: track 1 (the file system) as Mode 2
  // Form 1 user data, each MPEG track with its subheaders. Each track was
  // written as one run of blocks.
  VerifyReport VerifyWrittenTracks() {
    std::vector<VerifyItem> items;
    const auto& extents = burn_.written().extents();
    for (std::size_t i = 0; i < extents.size(); ++i) {
      if (i == 0) {
        items.push_back(TrackItem(extents[i], "track 1 (the file system)", ReadBackKind::UserData));
        continue;
      }
      // A file spread over discs is the one MPEG track of each.
      const std::string& file = files()[std::min(i - 1, files().size() - 1)];
      items.push_back(
          TrackItem(extents[i], "track " + std::to_string(i + 1) + " (" + file + ")", ReadBackKind::Mode2WithSubheader));
    }
    return VerifyTracks(context_, burn_.handle(), burn_.written(), items);
  }

  JobEnd FailAndFinish(const std::string& text) {
    Fail(text);
    return Finish(false);
  }

  bool Fail(const std::string& text) {
    prompt_.ShowMessage(text, MessageIcon::Error);
    return false;
  }

  JobEnd StopWithAnswer(const std::string& text, JobEnd result) {
    return context_.Stop(burn_.WithAnswer(text) + vcdjobtext::kTerminated, result);
  }

  std::string NotWrittenText(std::uint64_t left) const {
    return "The last " + std::to_string(left) + " bytes of " + files()[0] + " were not written.";
  }

  vcd::BlocksWritten Stepper() {
    return [this](std::uint32_t blocks) {
      for (std::uint32_t i = 0; i < blocks; ++i) progress_.StepIt();
    };
  }

  static std::optional<std::uint64_t> OpenForSize(platform::File& file, const std::string& path) {
    if (!file.OpenSource(platform::PathFromUtf8(path))) return std::nullopt;
    const auto status = file.Status();
    // A pipe or a device has no size to plan the disc with: only a regular
    // file is burned, not an empty track in its place.
    if (!status || status->kind != platform::FileKind::Regular) return std::nullopt;
    return status->size;
  }

  JobContext& context_;
  ProgressSink& progress_;
  UserPrompt& prompt_;
  BurnSequence burn_;
  // The files of the list, open since they were checked, and their sizes then.
  std::vector<platform::File> sources_;
  std::vector<std::uint64_t> sizes_;
  bool spanning_ = false;
  std::uint64_t total_ = 0;
  std::uint64_t written_ = 0;
  SourceChanges changes_{context_, "zeros"};
};

}  // namespace

JobEnd VcdJob(JobContext& context) { return VcdBurn(context).Run(); }

}  // namespace brenmark
