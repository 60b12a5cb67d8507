#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "jobs/JobState.h"
#include "jobs/grab/GrabSettings.h"
#include "shell/desktop/JobKind.h"

namespace brenmark::virtualdrive {
class VirtualRecorder;
}

namespace brenmark::desktop {

// The main window's controls whose state the logic decides.
enum class MainControl {
  DriveList,
  TrayButton,
  BurnCd,
  BurnDvd,
  ScanIndicator,  // "Scanning the folder..." with its Cancel
  DiscInfo,
  DeviceInfo,
  JobsMenu,
  AudioCdTest,  // the audio CD's Run Test
  VideoCdTest,  // the Video CD's Run Test
  FolderField,  // the folder to burn: its field and its browse button
};

// The speed dialog's answer: the chosen line, whether a data disc stays open,
// and whether the burn reads its disc back ("Verify written data").
struct SpeedChoice {
  int index = 0;
  bool leaveDiscOpen = false;
  bool verify = false;
};

// The track dialog's answer.
struct TrackChoice {
  std::array<std::uint8_t, JobState::kTrackSlots> trackSelected{};
  audio::GrabSettings settings;
};

// What the main window's logic asks of the toolkit that draws it. Texts are
// UTF-8; paths are as the user sees them. Called on the user-interface thread.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;

  virtual void ShowDrives(const std::vector<std::string>& names, int selected) = 0;
  virtual std::string FolderText() const = 0;
  virtual void SetFolderText(const std::string& text) = 0;
  virtual std::string OutputText() const = 0;
  virtual void SetOutputText(const std::string& text) = 0;
  virtual void Enable(MainControl control, bool enabled) = 0;
  // Why a control is disabled (its tooltip); empty when it is enabled.
  virtual void ExplainDisabled(MainControl control, const std::string& reason) = 0;
  virtual void Show(MainControl control, bool shown) = 0;
  // The window works in the background (a scan or a report): the busy cursor.
  virtual void ShowBusy(bool busy) = 0;

  // The dialogs; nothing (or false) when the user cancelled. A folder
  // browser opens in `startFolder` (the system's choice when empty).
  virtual std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) = 0;
  // The audio or video file list, edited in place. Its file dialog opens in
  // `dialogFolder` and leaves there the folder the files were last chosen in.
  virtual bool ChooseFiles(JobKind kind, std::vector<std::string>& files, std::string& dialogFolder) = 0;
  // The audio file list with the disc-at-once choice, its album title and
  // performer; a dialog without that choice leaves `discAtOnce` as it is.
  virtual bool ChooseAudioFiles(std::vector<std::string>& files, std::string& dialogFolder, DiscAtOnce& discAtOnce) {
    (void)discAtOnce;
    return ChooseFiles(JobKind::AudioCd, files, dialogFolder);
  }
  // An .iso or .cue image to burn; nothing when the user cancelled.
  virtual std::optional<std::string> ChooseImageToBurn() { return std::nullopt; }
  // `burning` names what is burned (a folder and its size, the files, the
  // image); line `selected` is chosen as the dialog opens.
  virtual std::optional<SpeedChoice> ChooseSpeed(const std::vector<std::string>& speeds, bool dataDisc,
                                                 const std::string& burning, int selected) = 0;
  // The format and bit rate start as `settings` say.
  virtual std::optional<TrackChoice> ChooseTracks(const std::vector<std::string>& lines,
                                                  const audio::GrabSettings& settings) = 0;
  virtual void OpenTray(virtualdrive::VirtualRecorder& recorder, const std::string& driveName) = 0;
  virtual void OpenDocument(const std::filesystem::path& document) = 0;
  // Yes/No: leave although jobs are running.
  virtual bool ConfirmLeaving(const std::string& question) = 0;
};

}  // namespace brenmark::desktop
