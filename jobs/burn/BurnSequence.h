#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "drive/DriveHandle.h"
#include "drive/SectorSource.h"
#include "drive/WriteMode.h"
#include "jobs/Job.h"
#include "jobs/burn/WrittenDigests.h"

namespace brenmark {


// What the disc in the drive allows.
enum class DiscCheck : std::uint8_t {
  Blank,        // write from track 1
  Appendable,   // write the disc's next track (its last, still empty one)
  NotWritable,  // neither blank nor appendable (or the drive did not say)
  NoDisc,       // the drive answered that no medium is present
  Unknown,      // the drive did not answer whether the disc takes more
};

// How writing a source ended.
enum class WriteEnd : std::uint8_t {
  Written,       // every run was written
  GivenUp,       // a write failed and the user declined to try again
  SourceFailed,  // the source could not give its next run (it has said why)
  Stopped,       // the user asked to stop and agreed to what becomes of the disc
};

// What a burn stopped midway leaves of a disc that cannot be erased.
enum class StoppedDisc : std::uint8_t {
  Unusable,      // what was written stays, unusable (a file system cut short)
  ClosedAsItIs,  // closed with the tracks written so far, the last one cut short
};

// Which write command carries the blocks.
enum class WriteCommand : std::uint8_t { Write10, Write12 };

// Texts the burning jobs share.
namespace burntext {
inline constexpr const char* kNoDrive =
    "Error occure while retrieving current writer device.\nBurning process will be terminated.";
inline constexpr const char* kNoDisc = "There is no disc in the drive.\nBurning process will be terminated.";
inline constexpr const char* kNoDeviceAccess = "Can't get access to CD/DVD Device.\nBurning process will be terminated.";
inline constexpr const char* kNoTrackInformation = "Can't read the track information of the disc.";
inline constexpr const char* kNoDiscInformation = "Can't read the disc information.";
inline constexpr const char* kTerminated = "\nBurning process will be terminated.";
inline constexpr const char* kBurnFailed = "Disc burning failed.";
// A virtual recorder's eject that could not keep the written disc as an image; %s says why.
inline constexpr const char* kDiscNotKept =
    "The disc was written, but the virtual recorder could not keep its image in the burned discs folder: %s.\n"
    "The disc is still in the recorder's tray: the next eject keeps it once the folder can take it (brenmark-cli "
    "tray eject, or Tray... > Eject in the desktop programs).";
// The same after a burn that failed.
inline constexpr const char* kFailedDiscNotKept =
    "The burn failed, and the virtual recorder could not keep its image in the burned discs folder: %s.\n"
    "The disc is still in the recorder's tray: the next eject keeps it once the folder can take it (brenmark-cli "
    "tray eject, or Tray... > Eject in the desktop programs).";
// A disc whose last session was left open, as a burn that was stopped midway leaves it.
inline constexpr const char* kUnfinishedDisc =
    "The disc in the drive holds a session that was never closed (a burn stopped midway), so nothing more can "
    "be written on it.\nInsert a blank disc (for a virtual recorder: brenmark-cli tray blank, or Tray... > Insert "
    "Blank in the desktop programs).\nBurning process will be terminated.";
// The question asked of a written rewritable disc before it is blanked.
inline constexpr const char* kBlankQuestion =
    "The disc in the drive is a rewritable disc that is not empty.\nBlank it (what it holds is lost) and burn on it?";
// Its answers besides cancelling, fast blanking first.
inline constexpr const char* kBlankFast = "Fast";
inline constexpr const char* kBlankFull = "Full";
// The question asked when the user stops a burn; what follows it says what becomes of the disc.
inline constexpr const char* kStopQuestion = "Stop the burn?\n";
inline constexpr const char* kStopBeforeWriting = "Nothing has been written on the disc yet.";
inline constexpr const char* kStopLeavesUnusable = "What was written so far stays on the disc, which is left unusable";
inline constexpr const char* kStopLeavesClosed =
    "The disc is closed as it is, with the tracks written so far (the last one cut short)";
inline constexpr const char* kStopWriteOnce = "; this disc cannot be erased or written again.";
inline constexpr const char* kStopRewritable = "; this disc is rewritable: it can be blanked afterwards and written again.";
inline constexpr const char* kNotACd =
    "The disc in the recorder is not a CD, or the recorder cannot write CDs: audio and Video CD tracks can be "
    "written on a CD-R or CD-RW only.";
}

// The drive steps every burning job is made of, on the job's drive
// (inputs.currentDrive), each one MMC operation or a short fixed series.
// A job calls them in its own order and decides with its own texts what a
// failure means; the operations never talk to the user, except the writes
// through the retry question of the sector transfers and the eject of a
// written disc a virtual recorder could not keep.
//
// A job with several tracks in one session, track at once:
//   BurnSequence burn(context);
//   if (!burn.Open()) ...;
//   std::int32_t first = 1;
//   if (burn.CheckDisc(first) == DiscCheck::NoDisc) ...;
//   if (!burn.SetSpeed()) ...warn;
//   if (!burn.SetWriteMode({.dataBlockType = source.dataBlockType(), ...})) ...;
//   for each track t from `first`:
//     auto start = burn.TrackStart(t);               // next writable address
//     MySource source(file, *start);                  // runs from *start on
//     burn.Write(source);                             // retries, question, progress hooks
//     burn.SynchronizeCache(); burn.CloseTrack(t);
//   burn.CloseSession(); burn.EjectKeepingDisc(written); burn.Close();
class BurnSequence {
 public:
  explicit BurnSequence(JobContext& context);
  // Closes the drive when the job did not.
  ~BurnSequence();
  BurnSequence(const BurnSequence&) = delete;
  BurnSequence& operator=(const BurnSequence&) = delete;

  int drive() const { return drive_; }
  // The open drive; only between a successful Open and Close.
  DriveHandle& handle() { return *handle_; }
  // When the job verifies (inputs.verify): the digest of every block written
  // since the drive was last opened.
  const WrittenDigests& written() const { return written_; }
  // The image a virtual recorder's eject kept of the disc, since the drive
  // was last opened.
  const std::optional<std::filesystem::path>& keptImage() const { return keptImage_; }

  // Opens the job's drive; when it fails, OpenFailureText tells why.
  bool Open();
  void Close();
  // After a failed Open: the text for a drive another program holds, else `otherwise`.
  const char* OpenFailureText(const char* otherwise) const;
  // Opens the drive, runs `body` on it and closes it; a job without a drive
  // (told `noDriveText`) or whose drive cannot be opened stops before it.
  JobEnd OnOpenDrive(const char* noDriveText, const std::function<JobEnd()>& body);

  // Blank: firstTrack 1; appendable: the disc's last track number, the empty
  // track to write. Reads the disc information up to twice.
  DiscCheck CheckDisc(std::int32_t& firstTrack);
  // Done for a blank or appendable disc; otherwise tells the user (no disc, a
  // disc left unfinished, or `notWritableText`) and returns how the job ends.
  JobEnd StopUnlessWritable(DiscCheck disc, const char* notWritableText);
  // Whether CD tracks (audio, Mode 2) can go on the disc, from what is known
  // without asking the drive again: its capability page, read when the drives
  // were listed, names CD-R or CD-RW writing, and the disc's `freeBlocks` are
  // no more than a CD holds (a DVD has several times more).
  bool TakesCdTracks(std::int32_t freeBlocks) const;
  // The start address and the free blocks of a track; nothing when the drive
  // could not say (a start of 0 would then be a guess).
  std::optional<std::int32_t> TrackStart(std::int32_t track);
  std::optional<std::int32_t> TrackFreeBlocks(std::int32_t track);

  // The job's chosen write speed, rotation control 0; false when refused.
  bool SetSpeed();
  // Reads the Write Parameters page and writes it back with `mode`.
  bool SetWriteMode(const WriteMode& mode);
  bool ReserveTrack(std::int32_t blocks);
  // The cue sheet of a session at once, before its first write.
  bool SendCueSheet(std::span<const std::uint8_t> sheet);

  // Writes every run of the source in order, at most 255 blocks per command,
  // through the sector transfers' buffer wait, retries and question; when the
  // job verifies, the digests of every run sent are recorded before it returns.
  // Before each command it looks for the user's stop request: the user is asked
  // (the question says what becomes of the disc) and, agreeing, the write ends
  // Stopped, as does every later one; otherwise it goes on.
  WriteEnd Write(SectorSource& source, WriteCommand command = WriteCommand::Write10);

  // What the question of a stop says a disc that cannot be erased becomes.
  void SetStoppedDisc(StoppedDisc stoppedDisc) { stoppedDisc_ = stoppedDisc; }
  // The user stopped the burn at a write.
  bool stopped() const { return context_.stopping; }
  // A write reached the disc since the drive was last opened.
  bool wroteAny() const { return wroteAny_; }
  // Stopped before its first write: the disc is as it was, with nothing to close.
  bool stoppedBeforeWriting() const { return stopped() && !wroteAny_; }

  bool SynchronizeCache();
  bool CloseTrack(std::int32_t track);
  bool CloseSession();
  // Ejects the disc. False only when a virtual recorder could not keep the
  // written disc as an image: the user has then been told why and that the
  // disc is still in the tray, and the burn has failed. A real drive's eject,
  // carried out or refused, leaves the burn as it stood. `written` says
  // whether the burn wrote the disc whole, for the words of that message.
  bool EjectKeepingDisc(bool written);

  // The text followed by what the drive answered to the last step that
  // failed, e.g. "... The drive answered: 3/0C/00 write error.".
  std::string WithAnswer(const std::string& text) const;

 private:
  // True when the user asked to stop and agreed to the question.
  bool StopAgreed();
  std::string StopQuestion();
  // The disc holds a session that was written in part and never closed.
  bool IsLastSessionOpen();
  // A written, closed rewritable disc blanked, as the job's inputs say or
  // after the user agreed; true when it is blank now.
  bool BlankRewritableDisc();
  // Notes a step's answer for WithAnswer; true when the step succeeded.
  template <typename T>
  bool Noted(const DriveResult<T>& result) {
    lastAnswer_ = result.outcome();
    return result.ok();
  }

  JobContext& context_;
  const int drive_;
  const std::int32_t writeSpeed_;
  std::optional<DriveHandle> handle_;
  CommandOutcome openFailure_;
  CommandOutcome lastAnswer_;
  WrittenDigests written_;
  std::optional<std::filesystem::path> keptImage_;
  StoppedDisc stoppedDisc_ = StoppedDisc::Unusable;
  bool wroteAny_ = false;
};

}  // namespace brenmark
