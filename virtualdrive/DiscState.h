#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/CdTextPacks.h"
#include "virtualdrive/DiscGeometry.h"
#include "virtualdrive/Sense.h"

// A disc as MMC describes it: blank, incomplete or complete, its sessions and
// tracks. A CD is written track at once, the drive recording each track's
// pregap and run-out (a track ends at CLOSE TRACK, or at SYNCHRONIZE CACHE,
// on which burning programs rely), or session at once after a cue sheet (the
// recorder puts those tracks here as the writes reach them); a DVD session
// at once after RESERVE TRACK.
// A CD's size (21 to 99 minutes) sets its capacity and lead-out.
//
// DVD-R, sequential DVD-RW and DVD+R also take tracks written incrementally
// at the next writable address, closed into sessions. A formatted DVD+RW, and
// a DVD-RW formatted for restricted overwrite, is one closed track over the
// whole disc that any write may overwrite.
namespace brenmark::virtualdrive {

enum class MediumKind : std::uint8_t { CdR, CdRw, CdRom, DvdR, DvdRom, DvdRw, DvdPlusR, DvdPlusRw };

bool IsCdMedium(MediumKind kind);
bool IsRecordable(MediumKind kind);
bool IsErasable(MediumKind kind);
// DVD-R and DVD-RW: written by write type (disc at once or incremental) and
// closed by the multi-session field of the write parameters.
bool IsDashDvd(MediumKind kind);
// Media FORMAT UNIT turns into a medium written anywhere: DVD-RW, DVD+RW.
bool IsFormattable(MediumKind kind);
// "CD-R", "CD-RW", "CD-ROM", "DVD-R", "DVD-ROM", "DVD-RW", "DVD+R", "DVD+RW".
std::string MediumName(MediumKind kind);
// The medium of one of those names, compared case-blind ("cd-rw").
std::optional<MediumKind> MediumNamed(std::string_view name);

// What the sectors of a track hold, as a cue sheet names it.
enum class TrackKind : std::uint8_t { Audio, Mode1, Mode2 };

struct DiscTrack {
  int number = 0;
  int session = 0;
  TrackKind kind = TrackKind::Mode1;
  std::int32_t pregapStart = 0;  // equals start when no pregap is recorded
  std::int32_t start = 0;
  std::int32_t end = 0;     // one past the last block written by the host
  std::int32_t runOut = 0;  // blocks the drive added after the data when it closed the track
  bool closed = false;
  // Written session at once: where index 2, 3, ... begin, and the ISRC (12
  // characters, or empty).
  std::vector<std::int32_t> indexes = {};
  std::string isrc = {};

  std::int32_t ExtentEnd() const { return end + runOut; }
  std::int32_t Control() const { return kind == TrackKind::Audio ? 0 : 4; }
};

struct DiscSession {
  int number = 0;
  std::int32_t leadOutStart = 0;
  bool nextSessionAllowed = false;
  std::uint8_t format = 0;  // disc type: 00h CD-DA/CD-ROM, 10h CD-I, 20h CD-ROM XA
};

// Where the next track goes: the invisible track of a disc that can still be written.
struct NextTrack {
  int number = 0;
  int session = 0;
  std::int32_t pregapStart = 0;
  std::int32_t start = 0;
};

enum class DiscStatus : std::uint8_t { Blank = 0, Incomplete = 1, Complete = 2 };
enum class SessionState : std::uint8_t { Empty = 0, Incomplete = 1, Complete = 3 };

// A block range the drive records by itself (pregaps, run-out, the gap between
// sessions, the unwritten rest of a reservation), in the mode of `kind`.
struct DriveFill {
  TrackKind kind = TrackKind::Mode1;
  std::int32_t from = 0;
  std::int32_t to = 0;  // exclusive
};

// The recorded structure of one disc and the MMC rules for changing it. Pure
// state: the recorder applies the files' side of each change.
class DiscState {
 public:
  static DiscState Blank(MediumKind kind);

  MediumKind kind = MediumKind::CdR;
  int minutes = geometry::kDefaultCdMinutes;  // size of a CD: its capacity and ATIP follow it
  std::vector<DiscTrack> tracks;
  std::vector<DiscSession> sessions;  // closed sessions, in order
  bool finalized = false;
  std::int32_t reservedBlocks = 0;  // DVD: the track reserved for session at once
  // Written session at once: the media catalogue number (13 digits, or empty)
  // and the CD-TEXT packs of the lead-in.
  std::string catalog;
  std::vector<cdtext::Pack> cdText;
  // DVD+RW formatted, or DVD-RW in restricted overwrite: written anywhere.
  bool formatted = false;

  // Last possible lead-out start as a block address.
  std::int32_t Capacity() const;
  DiscStatus Status() const;
  SessionState LastSessionState() const;
  // Sessions including the open or empty last one of a disc that is not complete.
  int SessionCount() const;
  int FirstTrackInLastSession() const;
  int LastTrackInLastSession() const;

  const DiscTrack* OpenTrack() const;
  const DiscTrack* TrackNumbered(int number) const;
  // The track whose pregap, data or run-out holds the block.
  const DiscTrack* TrackContaining(std::int32_t lba) const;
  std::optional<NextTrack> Invisible() const;
  // Next writable address; nullopt when nothing can be written.
  std::optional<std::int32_t> NextWritableAddress() const;
  // Blocks still writable in the open or invisible track.
  std::int32_t FreeBlocks() const;
  // Last block holding data: the last lead-out minus one on a complete disc
  // or a CD whose last track is in a closed session, else the last written
  // block; 0 when nothing is written.
  std::int32_t LastRecordedBlock() const;
  std::uint8_t DiscType() const;

  // Checks a write of `count` blocks of `kind` at `lba`; nullopt when allowed.
  std::optional<Sense> CheckWrite(std::int32_t lba, std::int32_t count, TrackKind kind) const;
  // Applies a write CheckWrite allowed; returns what the drive records before
  // the data when the write opens a track (gap to a new session, pregap).
  std::vector<DriveFill> ApplyWrite(std::int32_t count, TrackKind kind);

  std::optional<Sense> CheckReserve(std::int32_t blocks) const;
  void ApplyReserve(std::int32_t blocks);

  // CLOSE TRACK: the open track gets its run-out (CD) or the rest of its
  // reservation (DVD). Closing the still empty invisible track changes nothing.
  std::optional<Sense> CheckCloseTrack(int number) const;
  std::vector<DriveFill> ApplyCloseTrack();

  // CLOSE SESSION: closes the open track, then the session; with multi-session
  // field 11b a CD stays appendable, otherwise the disc is complete.
  std::optional<Sense> CheckCloseSession() const;
  std::vector<DriveFill> ApplyCloseSession(std::uint8_t multiSessionField, std::uint8_t format);

  // A DVD track written to the end of its reservation is closed with its
  // session by SYNCHRONIZE CACHE, as a disc-at-once recorder does.
  bool ReservationFullyWritten() const;

  // FORMAT UNIT of a DVD+RW or DVD-RW: the whole disc becomes one
  // overwritable track, its former content gone.
  void ApplyFormat();
  // Finalizing a DVD+R whose last session is already closed: no more sessions.
  std::optional<Sense> CheckFinalize() const;
  void ApplyFinalize();
};

}  // namespace brenmark::virtualdrive
