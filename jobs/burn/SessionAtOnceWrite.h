#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drive/CdCueSheet.h"
#include "drive/CdTextPacks.h"
#include "jobs/burn/BurnSequence.h"

namespace brenmark {

// How writing a session at once ended.
enum class SessionWriteEnd : std::uint8_t {
  Written,           // every block sent and the cache written to the disc
  WriteModeRefused,  // the drive refused session at once in its write parameters
  CueSheetRefused,   // the drive refused the cue sheet; nothing was written
  NotWritten,        // a write was given up or a source failed (it has said why)
  NotSynchronized,   // every block sent, but the drive could not write its cache
};

// What the drive is told before the writes of a session at once.
struct SessionAtOncePlan {
  cdcue::SessionCue cue;
  std::vector<cdtext::Pack> cdText;  // the lead-in's packs; none without CD-TEXT
  bool audio = true;                  // the first track holds audio
};

// The CD-TEXT packs of texts given in UTF-8, each text turned into the ISO
// 8859-1 the packs declare: a character beyond it becomes '?'; bytes that are
// not UTF-8 are taken as ISO 8859-1 already.
std::vector<cdtext::Pack> EncodeCdText(std::vector<cdtext::Entry> entries);

// Writes one session at once on the blank CD of the open drive, in this
// order: Prepare sends the write parameters (session at once, the disc
// closed) and the cue sheet; WriteLeadIn writes the CD-TEXT into the lead-in
// from its start (read from the disc information); Write takes the sources
// from LBA -150 on in order; Finish synchronizes the cache, which ends the
// session (no track or session is closed by command).
class SessionAtOnceWrite {
 public:
  SessionAtOnceWrite(BurnSequence& burn, std::vector<std::uint8_t>& buffer) : burn_(burn), buffer_(buffer) {}

  SessionWriteEnd Prepare(const SessionAtOncePlan& plan);
  // After Prepare: the lead-in's CD-TEXT, when the plan has any.
  bool WriteLeadIn(const SessionAtOncePlan& plan);
  bool Write(SectorSource& source) { return burn_.Write(source) == WriteEnd::Written; }
  bool Finish() { return burn_.SynchronizeCache(); }

 private:
  BurnSequence& burn_;
  std::vector<std::uint8_t>& buffer_;
};

}  // namespace brenmark
