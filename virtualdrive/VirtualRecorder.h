#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "drive/ScsiTransport.h"
#include "virtualdrive/CommandLog.h"
#include "virtualdrive/DiscImage.h"
#include "virtualdrive/FaultInjector.h"
#include "virtualdrive/RecorderModel.h"
#include "virtualdrive/Sense.h"
#include "virtualdrive/TrayRecord.h"
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

  VirtualRecorder(RecorderModel model, std::filesystem::path workFolder, std::filesystem::path burnedFolder);
  ~VirtualRecorder();
  VirtualRecorder(const VirtualRecorder&) = delete;
  VirtualRecorder& operator=(const VirtualRecorder&) = delete;

  // Runs one command: Good, or DeviceFailure with its sense (also in
  // LastSense() and in the command log), and the residual of a data-in command
  // whose response was shorter than the transfer. A request without a CDB or
  // with a data length but no buffer cannot be delivered: TransportFailure.
  CommandOutcome Execute(const ScsiRequest& request);

  const RecorderModel& model() const { return model_; }

  // The tray: what is in it as text, and the user's actions. Each takes out
  // the disc in the tray first (keeping it when it was written).
  std::string DescribeTray() const;
  TrayResult InsertBlank(MediumKind kind);
  // A .cue/.bin or .iso image; it is read, never written: appending a session
  // writes to the recorder's own copy, which the eject keeps.
  TrayResult InsertImage(const std::filesystem::path& path);
  // Takes the disc out and loads a fresh blank of the recorder's kind.
  TrayResult Eject();
  // Takes the disc out and leaves the tray empty: the media commands then
  // answer "medium not present" until a blank or an image is inserted.
  TrayResult RemoveDisc();

  void SetFinishedImageObserver(FinishedImageObserver observer);

  // Why the tray could not be restored at start-up: a disc in work that
  // cannot be resumed (its files are kept aside) or a user's image that can no
  // longer be read. A blank is loaded instead; empty when there was no problem.
  std::string StartupProblem() const;

  // Test facilities.
  std::vector<CommandRecord> CommandHistory() const;
  void ClearCommandHistory();
  void ArmFault(const FaultSpec& spec);
  void ClearFaults();
  std::optional<Sense> LastSense() const;

 private:
  struct Outcome {
    TransportResult result = TransportResult::Good;
    std::optional<Sense> sense;
  };
  struct Call;

  static Outcome Refuse(const Sense& sense) { return {TransportResult::DeviceFailure, sense}; }

  Outcome Dispatch(Call& call);
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
  Outcome ReserveTrack(Call& call);
  Outcome SynchronizeCache(Call& call);
  Outcome CloseTrackSession(Call& call);
  Outcome ReadCd(Call& call);
  Outcome Write(Call& call, std::int32_t lba, std::uint32_t count);
  Outcome ReadBufferCapacity(Call& call);

  const DiscState& CurrentState() const;
  DiscState& StateForWriting();
  bool WriteEncoded(std::int32_t lba, std::uint32_t count, const std::uint8_t* data);
  bool ApplyFills(const std::vector<DriveFill>& fills);
  void SaveDisc();
  // Puts back what the tray record of the work folder names, when no disc is in work.
  void RestoreTray();
  // Records `record`, moves a written disc to the burned discs and loads
  // `next` (nothing for an empty tray); an empty path when nothing was kept.
  TrayResult Replace(std::optional<DiscImage> next, const TrayRecord& record);
  std::string UniqueBurnedName() const;
  void NotifyFinished(const TrayResult& result);

  RecorderModel model_;
  std::filesystem::path workFolder_;
  std::filesystem::path burnedFolder_;

  mutable std::mutex mutex_;
  std::optional<DiscImage> disc_;  // nothing while the tray is empty
  std::optional<DiscState> simulation_;  // the disc as a test write sees it
  WriteParameters writeParameters_;
  std::uint16_t writeSpeed_ = 0;
  CommandLog log_;
  FaultInjector faults_;
  std::optional<Sense> lastSense_;
  std::string startupProblem_;
  FinishedImageObserver observer_;
  std::vector<std::uint8_t> scratch_;  // encoded sectors of one write
};

}  // namespace brenmark::virtualdrive
