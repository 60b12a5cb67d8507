#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/JobState.h"
#include "shell/win32/ModalDialog.h"

namespace brenmark::win32 {

// The track dialog: one line per track (each click toggles a line), the file
// format and the MP3 bit rate; "Grab" stores the choice.
class CTestGrabDlg final : public ModalDialog {
 public:
  // The format and bit rate start as `initial` says.
  explicit CTestGrabDlg(std::vector<std::string> trackLines, const audio::GrabSettings& initial = {})
      : lines_(std::move(trackLines)), settings_(initial) {}

  // True for "Grab"; the selected tracks and the settings are then set.
  bool Choose(HWND owner);

  const std::array<std::uint8_t, JobState::kTrackSlots>& selectedTracks() const { return selected_; }
  const audio::GrabSettings& settings() const { return settings_; }

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void ShowBitrateForFormat();
  void EnableGrabForSelection();
  void StoreChoice();

  std::vector<std::string> lines_;
  std::array<std::uint8_t, JobState::kTrackSlots> selected_{};
  audio::GrabSettings settings_;
};

}  // namespace brenmark::win32
