#pragma once

#include <QDialog>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>

#include "jobs/JobState.h"

namespace Ui {
class CTestGrabDlg;
}

namespace brenmark::gui {

// The modal track dialog: one line per track of the disc, any number of them
// selected (each click toggles a line), and the file format and MP3 bit rate.
// "Grab" accepts and "Cancel" rejects.
class CTestGrabDlg final : public QDialog {
  Q_OBJECT

 public:
  CTestGrabDlg(const QStringList& trackLines, QWidget* parent = nullptr);
  ~CTestGrabDlg() override;

  // Slot k is 1 when line k (track k + 1) is selected.
  std::array<std::uint8_t, JobState::kTrackSlots> SelectedTracks() const;
  // Shows the format and bit rate of `settings` as chosen.
  void ShowSettings(const audio::GrabSettings& settings);
  // The grab settings with the chosen format and bit rate.
  audio::GrabSettings Settings() const;

 private:
  void ShowBitrateFor(int formatIndex);

  std::unique_ptr<Ui::CTestGrabDlg> ui_;
};

}  // namespace brenmark::gui
