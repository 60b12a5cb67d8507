#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/ScsiTransport.h"
#include "platform/FolderLock.h"
#include "virtualdrive/DiscGeometry.h"
#include "virtualdrive/DiscImage.h"
#include "virtualdrive/DrivePace.h"
#include "virtualdrive/FaultInjector.h"
#include "virtualdrive/HolderTurns.h"
#include "virtualdrive/MediaChanges.h"
#include "virtualdrive/RecorderModel.h"
#include "virtualdrive/Sense.h"
#include "virtualdrive/SessionCueSheet.h"
#include "virtualdrive/TrayRecord.h"
#include "virtualdrive/TrayRestore.h"
#include "virtualdrive/WriteParameters.h"

namespace brenmark::virtualdrive {

// The outcome of a tray action.
struct TrayResult {
  bool ok = true;
  std::string message;                   // why it failed
  std::filesystem::path finishedImage;  // the image kept by the eject, if any
};

// An MMC CD/DVD recorder in software. It answers the command blocks a real
// recorder answers, keeps disc state as MMC describes it, and records discs
// as images: raw 2352-byte sectors in a .bin with a .cue for CD, an .iso for
// DVD, each with a sidecar state file.
//
// The disc in the tray lives in `workFolder` while it is written, so that a
// recorder created on the same folder picks up where the last one stopped.
// What the tray holds otherwise (a blank, a user's image, nothing) is recorded
// there too, so the next recorder on the folder finds the same tray.
// Ejecting a written disc moves it into `burnedFolder` as a finished image and
// loads a fresh blank; the recorder never runs out of blanks.
//
// All members may be called from any thread; commands and tray actions are
// serialised.
class VirtualRecorder {
 public:
  // Told the .cue or .iso path of every finished image, after the eject that
  // produced it, on the thread that ejected.
  using FinishedImageObserver = std::function<void(const std::filesystem::path&)>;
  // Told why a command failed when the recorder could not write its own files
  // (the folder, the system's reason), on the thread that sent the command.
  using WriteProblemObserver = std::function<void(const std::string&)>;

  // Refused: the recorder's folders cannot be trusted or the work folder's
  // lock cannot be taken at all (ClaimRefusal says why); such a lock is never
  // taken for one held.
  enum class ClaimResult : std::uint8_t { Claimed, Busy, Refused };

  // `dataFolders` are the folders that hold `workFolder` and `burnedFolder`.
  // Any of them all that another user owns or can write in is refused: the
  // recorder then has no disc, touches nothing in its folders, refuses every
  // tray action and tells why as its start-up problem.
  VirtualRecorder(RecorderModel model, std::filesystem::path workFolder, std::filesystem::path burnedFolder,
                  const std::vector<std::filesystem::path>& dataFolders = {});
  ~VirtualRecorder();
  VirtualRecorder(const VirtualRecorder&) = delete;
  VirtualRecorder& operator=(const VirtualRecorder&) = delete;

  // Runs one command: Good, or DeviceFailure with its sense (also in
  // LastSense()), and the residual of a data-in command whose response was
  // shorter than the transfer. A request without a CDB or with a data length
  // but no buffer cannot be delivered: TransportFailure. An injected transport
  // failure carries the host adapter status the fault names.
  CommandOutcome Execute(const ScsiRequest& request);

  const RecorderModel& model() const { return model_; }

  // Holds the recorder for this process: its work folder is locked (the
  // system releases the lock when the process ends, however it ends) and the
  // tray is read again, as another process may have changed it. Busy while
  // another process holds it. Claims nest; each Claimed needs one Release.
  // Tray actions claim by themselves; commands rely on their caller's claim.
  ClaimResult Claim();
  // Why the last Refused claim was refused, naming the lock file: the
  // message the user is told.
  std::string ClaimRefusal() const;
  void Release();
  // The claim of a caller that holds the work folder's lock itself, on a
  // descriptor it may share with other processes (an exposed device): the
  // tray is read again as by Claim, without taking the lock. Release ends it.
  void ClaimLocked();
  // For processes that share one claim and take turns between commands:
  // ReadTrayAgain reads the tray from the work folder, as another process left
  // it; HandOver writes what this one changed there (the image's pending
  // sectors, its cue sheet and disc state) and tells whether anything changed
  // since the last hand-over or reading.
  void ReadTrayAgain();
  bool HandOver();
  // The removal lock and the changes not yet reported, which such processes
  // share as one drive has them.
  HeldDriveState HeldState() const;
  void AdoptHeldState(const HeldDriveState& state);
  // Lets the tray actions change the disc while other processes hold the
  // recorder through a device that takes turns, between two of its commands.
  void SetHolderTurns(std::shared_ptr<HolderTurns> turns);
  // Whether processes taking turns hold the recorder now.
  bool HeldThroughDevice() const;
  // While such processes hold the recorder (and this process does not): the
  // tray as DescribeTray tells it, read in a turn between two of their
  // commands as they left it, and a line saying that a program holds it;
  // kBeingWrittenMessage while one keeps the turn. Nothing otherwise.
  std::optional<std::string> DescribeHeldTray();

  // The tray: what is in it as text (with a second line saying why, when the
  // tray is not as it was left), and the user's actions. Each takes out the
  // disc in the tray first (keeping it when it was written); each is refused
  // while another process holds the recorder, unless it holds it through a
  // device that takes turns (see SetHolderTurns) and neither locks the disc
  // in nor is writing it.
  std::string DescribeTray() const;
  // A blank CD of `minutes` (one of the offered sizes; 0 for the usual 80)
  // or DVD, remembered for the blanks that later ejects load.
  TrayResult InsertBlank(MediumKind kind, int minutes = 0);
  // A .cue/.bin or .iso image; it is read, never written: appending a session
  // writes to the recorder's own copy, which the eject keeps.
  TrayResult InsertImage(const std::filesystem::path& path);
  // Takes the disc out and loads a fresh blank of the recorder's kind and of
  // the size last chosen.
  TrayResult Eject();
  // Takes the disc out and leaves the tray empty: the media commands then
  // answer "medium not present" until a blank or an image is inserted.
  TrayResult RemoveDisc();

  // How long reads and writes take, kept in the work folder for every program
  // using the recorder (see DrivePace); read again with each first claim.
  TrayResult SetPace(Pace pace);
  Pace CurrentPace() const;

  void SetFinishedImageObserver(FinishedImageObserver observer);
  void SetWriteProblemObserver(WriteProblemObserver observer);

  // Why the last eject or tray action kept no image of the written disc in
  // the tray (the burned discs folder cannot take it, or the tray could not
  // be recorded); the disc then stays in the tray, and the next eject that
  // can keeps it. Empty when that one kept it or there was nothing to keep.
  std::string DiscNotKeptReason() const;
  // The image the last eject or tray action kept of a written disc, in the
  // burned discs folder; empty before any was kept.
  std::filesystem::path LastKeptImage() const;

  // Why the tray could not be restored at start-up: a disc in work that
  // cannot be resumed (its files set aside, or why they could not be) or a
  // user's image that can no longer be read (the tray keeps its place and
  // reports no disc); empty when there was no problem.
  std::string StartupProblem() const;

  // The message of a tray action refused because another process holds the recorder.
  static constexpr const char* kBusyMessage =
      "The selected device is busy with another job.\nPlease wait until that job has finished.";
  // The message of a tray action refused while a program holding the
  // recorder prevents the disc's removal.
  static constexpr const char* kLockedMessage =
      "the disc is locked in the tray by a program using the recorder; it is released when that program closes it";
  // The message of a tray action refused while a program holding the
  // recorder is writing the disc: a track or session is open, or changes of
  // the program's are not yet handed over.
  static constexpr const char* kBeingWrittenMessage =
      "the disc is being written by a program using the recorder; the tray opens once it has finished and closed "
      "the recorder";
  // The line under the tray's contents while a program holds the recorder open.
  static constexpr const char* kHeldNote = "a program holds the recorder open; the tray is changed between its commands";

  // Test facilities.
  void ArmFault(const FaultSpec& spec);
  void ClearFaults();
  // The places, in arming order, of the armed faults no command has met.
  std::vector<std::size_t> FaultsNeverMet() const;
  std::optional<Sense> LastSense() const;
  // The clock reads and writes wait on at the real pace.
  void SetPaceClock(std::shared_ptr<PaceClock> clock);

  // The opcode of a command name as `--fault` takes it (WRITE10, READCD, ...;
  // case-blind) or an opcode in hex (0x2A).
  static std::optional<std::uint8_t> OpcodeNamed(std::string_view name);
  // The sense a fault on the command ends with unless told otherwise.
  static Sense DefaultFaultSense(std::uint8_t opcode);

 private:
  struct Outcome {
    TransportResult result = TransportResult::Good;
    std::optional<Sense> sense;
    std::uint8_t hostStatus = 0;
  };
  struct Call;
  // One row of the command set: everything the recorder knows of an opcode.
  struct Command {
    std::uint8_t opcode;
    std::uint8_t cdbLength;
    bool needsMedium;  // without a disc the answer is "medium not present"
    Outcome (VirtualRecorder::*handler)(Call&);
    std::string_view faultNames;  // for --fault, separated by spaces
    Sense faultSense;
    // The block count of a transfer: its byte offset and width (0: not a
    // transfer); the block address is bytes 2-5.
    std::uint8_t countAt;
    std::uint8_t countBytes;
  };
  static const Command* CommandOf(std::uint8_t opcode);

  static Outcome Refuse(const Sense& sense) { return {TransportResult::DeviceFailure, sense}; }

  Outcome Dispatch(Call& call);
  Outcome TestUnitReady(Call& call);
  Outcome StartStopUnit(Call& call);
  Outcome Inquiry(Call& call);
  Outcome GetConfiguration(Call& call);
  Outcome ReadDiscInformation(Call& call);
  Outcome ReadTrackInformation(Call& call);
  Outcome ReadToc(Call& call);
  Outcome ReadCapacity(Call& call);
  Outcome ModeSense(Call& call);
  Outcome ModeSelect(Call& call);
  Outcome SetCdSpeed(Call& call);
  Outcome SetStreaming(Call& call);
  void SelectWriteSpeed(std::uint32_t requested);
  // The model as it answers with the disc in the tray (a DVD recorder holding
  // a CD offers CD speeds), and the speed chosen as one of that disc's.
  RecorderModel ModelForMedium() const;
  std::uint16_t CurrentWriteSpeed() const;
  Outcome ReserveTrack(Call& call);
  Outcome SynchronizeCache(Call& call);
  Outcome CloseTrackSession(Call& call);
  Outcome ReadCd(Call& call);
  Outcome ReadData(Call& call);
  Outcome ReadDvdUserData(Call& call, std::int64_t end, std::size_t wanted);
  Outcome PreventAllowRemoval(Call& call);
  Outcome Write(Call& call);
  Outcome BlankDisc(Call& call);
  Outcome ReadBufferCapacity(Call& call);
  Outcome GetPerformance(Call& call);
  Outcome GetEventStatus(Call& call);
  Outcome SendOpcInformation(Call& call);
  Outcome ReadHeader(Call& call);
  Outcome ReadSubChannel(Call& call);
  Outcome ReadCurrentPosition(Call& call);
  // When the answer to a command that ended as `outcome` is due at the
  // recorder's pace; nothing for at once.
  std::optional<PaceClock::TimePoint> AnswerDue(const Call& call, const Outcome& outcome);
  Outcome SendCueSheet(Call& call);
  Outcome WriteSessionAtOnce(Call& call);
  std::optional<std::int32_t> PassGeneratedBlocks(std::int32_t lba);
  bool RecordSessionProgress(DiscState& state);
  Outcome FormatUnit(Call& call);
  Outcome ReadFormatCapacities(Call& call);
  Outcome ReadDvdStructure(Call& call);

  const DiscState& CurrentState() const;
  DiscState& StateForWriting();
  bool WriteEncoded(std::int32_t lba, std::uint32_t count, const std::uint8_t* data);
  bool ApplyFills(const std::vector<DriveFill>& fills);
  // Writes the cue sheet and state file of a written disc; false (with the
  // problem noted) when they could not be written. See DiscImage::SaveDescription.
  bool SaveDisc(bool durable = true);
  void NoteWriteProblem(const std::string& detail);
  // A write error for a failed write to the disc's image file.
  Outcome FileFailure();
  std::string DescribeDisc() const;
  // Takes the folder lock; Busy only when another holder has it, Refused
  // (with lockRefusal_ set) when it cannot be taken.
  ClaimResult LockFolder();
  // Reads the tray from the work folder again, unless its files are as this
  // recorder last left or read them.
  void Reload();
  // What the tray holds, in the words of its files: which image, and the disc's state.
  std::string TraySignature() const;
  std::string DescribeTrayUnlocked() const;
  // A claim for the length of one tray action: the recorder's own, or a turn
  // beside the processes holding it through a shared device. An action that
  // leaves the disc in (the pace) may take its turn while the disc is written.
  class TrayClaim {
   public:
    explicit TrayClaim(VirtualRecorder& recorder, bool changesDisc = true)
        : recorder_(recorder), result_(recorder.Claim()) {
      if (result_ == ClaimResult::Busy) besideHolders_ = recorder.ClaimBesideHolders(refusal_, changesDisc);
      // The last holder let the recorder go meanwhile: it is free for the recorder's own claim.
      if (result_ == ClaimResult::Busy && !besideHolders_ && refusal_.empty()) result_ = recorder.Claim();
    }
    ~TrayClaim() {
      if (besideHolders_) {
        recorder_.ReleaseBesideHolders();
      } else if (result_ == ClaimResult::Claimed) {
        recorder_.Release();
      }
    }
    TrayClaim(const TrayClaim&) = delete;
    TrayClaim& operator=(const TrayClaim&) = delete;
    explicit operator bool() const { return result_ == ClaimResult::Claimed || besideHolders_; }
    // The tray action's result when the claim was not had.
    TrayResult Refusal() const {
      if (!refusal_.empty()) return {false, refusal_, {}};
      return {false, result_ == ClaimResult::Refused ? recorder_.ClaimRefusal() : kBusyMessage, {}};
    }

   private:
    VirtualRecorder& recorder_;
    ClaimResult result_;
    bool besideHolders_ = false;
    std::string refusal_;
  };
  // The claim of a tray action while processes that take turns hold the
  // recorder: their turn, the tray read as they left it and their state
  // adopted. False when there are none (busy), or with `refusal` when the
  // disc may not be changed now.
  bool ClaimBesideHolders(std::string& refusal, bool changesDisc);
  // Writes the tray and hands it over to the holders with their state.
  void ReleaseBesideHolders();
  // Records `record`, moves a written disc to the burned discs and loads
  // `next` (nothing for an empty tray); an empty path when nothing was kept.
  TrayResult Replace(std::optional<DiscImage> next, const TrayRecord& record);
  // Replace for a change of disc the host did not ask for by a command of
  // its own (BLANK keeps the disc in): refused while removal is prevented,
  // and reported to the host as a medium change.
  TrayResult SwapDisc(std::optional<DiscImage> next, const TrayRecord& record, bool byHost = false);
  std::string UniqueBurnedName() const;
  // Why one of the recorder's folders cannot be trusted with its files.
  static std::string CheckFolders(const std::vector<std::filesystem::path>& dataFolders,
                                  const std::filesystem::path& workFolder, const std::filesystem::path& burnedFolder);
  void NotifyFinished(const TrayResult& result);

  RecorderModel model_;
  std::filesystem::path workFolder_;
  std::filesystem::path burnedFolder_;

  mutable std::mutex mutex_;
  std::optional<DiscImage> disc_;  // nothing while the tray is empty
  std::optional<DiscState> simulation_;  // the disc as a test write sees it
  // A session at once announced by SEND CUE SHEET and not yet written to its end.
  struct SessionInWriting {
    SessionCueSheet sheet;
    std::optional<std::int32_t> next;  // the block the host writes next; unset before the first write
    std::size_t tracksBefore = 0;
    int sessionNumber = 0;
    std::map<std::uint8_t, cdtext::Pack> packs;  // CD-TEXT of the lead-in, by sequence number
  };
  std::optional<SessionInWriting> sessionAtOnce_;
  WriteParameters writeParameters_;
  std::uint16_t writeSpeed_ = 0;
  FaultInjector faults_;
  std::optional<Sense> lastSense_;
  std::string startupProblem_;
  std::string folderProblem_;  // why the folders cannot be trusted; empty when they can
  std::string trayProblem_;   // why the tray is not as it was left
  std::string writeProblem_;  // of the command running, told to the observer
  std::string discNotKept_;   // see DiscNotKeptReason
  std::filesystem::path lastKept_;  // see LastKeptImage
  int blankMinutes_ = geometry::kDefaultCdMinutes;
  platform::FolderLock folderLock_;
  std::string lockRefusal_;  // see ClaimRefusal
  int claims_ = 0;
  bool removalPrevented_ = false;  // by PREVENT ALLOW MEDIUM REMOVAL, until the last claim ends
  MediaChanges mediaChanges_;
  std::shared_ptr<HolderTurns> holderTurns_;
  DrivePace pace_{SystemPaceClock()};
  bool loaded_ = false;
  TrayFilesSnapshot snapshot_;
  std::string handedOver_;  // the tray as the last hand-over or reading left it; see HandOver
  FinishedImageObserver observer_;
  WriteProblemObserver writeProblemObserver_;
  std::vector<std::uint8_t> scratch_;  // encoded sectors of one write
  std::vector<std::uint8_t> corrupted_;  // a write's blocks with the byte a corrupt fault flips
};

}  // namespace brenmark::virtualdrive
