#pragma once

#include <cstdint>
#include <deque>

namespace brenmark::virtualdrive {

// What a drive tells its host after the disc in its tray changed: one unit
// attention (6/28/00, "medium may have changed") on the next command that
// reports it, and the media events GET EVENT STATUS NOTIFICATION gives one
// at a time, the removal of the old disc before the arrival of the new.
class MediaChanges {
 public:
  static constexpr std::uint8_t kNoChange = 0;
  static constexpr std::uint8_t kNewMedia = 2;
  static constexpr std::uint8_t kMediaRemoval = 3;

  // A change of the disc; `byHost` when the host itself ejected it, which
  // it knows of: then only the media events tell it, with no unit attention,
  // as a drive whose tray the host opened has no new medium to announce.
  void TrayChanged(bool discBefore, bool discAfter, bool byHost = false);

  // True once after a change when `opcode` is a command that reports it:
  // all but INQUIRY, REQUEST SENSE, GET CONFIGURATION and GET EVENT STATUS
  // NOTIFICATION, which a host sends to find out what happened.
  bool TakeUnitAttention(std::uint8_t opcode);
  // The oldest media event not yet reported, or kNoChange.
  std::uint8_t TakeEvent();

  // What is still to be reported, in the 24 low bits of a number (the unit
  // attention, then the events in order), for processes that share a drive.
  std::uint32_t Packed() const;
  static MediaChanges FromPacked(std::uint32_t packed);

 private:
  bool unitAttention_ = false;
  std::deque<std::uint8_t> events_;
};

}  // namespace brenmark::virtualdrive
