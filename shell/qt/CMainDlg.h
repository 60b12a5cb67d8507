#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>
#include <vector>

#include "shell/desktop/MainWindowLogic.h"
#include "shell/desktop/MainWindowView.h"

namespace Ui {
class CMainDlg;
}

namespace brenmark {
class EngineSession;
class UserPrompt;
}  // namespace brenmark

namespace brenmark::gui {

class CProgressDlg;
class FileBrowser;
class JobWindows;
class MessagePresenter;
class QtUserPrompt;

// What the main window works with; all of it outlives the window.
struct MainDlgServices {
  EngineSession& engine;
  QtUserPrompt& prompt;
  MessagePresenter& presenter;
  FileBrowser& files;
  desktop::SettingsStore& settings;
};

// The main window: draws what the shared main-window logic decides and
// forwards the user's commands to it. Jobs run on their own threads, each
// with its own progress window; folder scans and reports run on threads of
// their own too, so the window stays responsive.
class CMainDlg final : public QDialog, private desktop::MainWindowView {
  Q_OBJECT

 public:
  explicit CMainDlg(MainDlgServices services, QWidget* parent = nullptr);
  ~CMainDlg() override;

  // Lists the drives found by enumeration and selects the current one.
  void FillDriveList();
  // The progress windows of the jobs started so far, oldest first.
  std::vector<QPointer<CProgressDlg>> progressWindows() const;
  JobWindows& jobWindows() { return *jobWindows_; }
  desktop::JobBoard& jobBoard() { return logic_->board(); }
  bool IsJobRunning() const { return logic_->RunningJobs() > 0; }
  bool IsScanning() const { return logic_->IsScanning(); }
  bool IsReportRunning() const { return logic_->IsReportRunning(); }
  // Serves the user-interface thread's events until every job, scan and
  // report has ended.
  void WaitForJobs() { logic_->WaitForJobs(); }
  // Leaving while a job runs needs the user's consent.
  void done(int result) override;

 public slots:
  void ShowAboutBox();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The view the logic draws on.
  void ShowDrives(const std::vector<std::string>& names, int selected) override;
  std::string FolderText() const override;
  void SetFolderText(const std::string& text) override;
  std::string OutputText() const override;
  void SetOutputText(const std::string& text) override;
  void Enable(desktop::MainControl control, bool enabled) override;
  void ExplainDisabled(desktop::MainControl control, const std::string& reason) override;
  void Show(desktop::MainControl control, bool shown) override;
  void ShowBusy(bool busy) override;
  std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) override;
  bool ChooseFiles(desktop::JobKind kind, std::vector<std::string>& files, std::string& dialogFolder) override;
  bool ChooseAudioFiles(std::vector<std::string>& files, std::string& dialogFolder, DiscAtOnce& discAtOnce) override;
  std::optional<std::string> ChooseImageToBurn() override;
  std::optional<desktop::SpeedChoice> ChooseSpeed(const std::vector<std::string>& speeds, bool dataDisc,
                                                  const std::string& burning, int selected) override;
  std::optional<desktop::TrackChoice> ChooseTracks(const std::vector<std::string>& lines,
                                                   const audio::GrabSettings& settings) override;
  void OpenTray(virtualdrive::VirtualRecorder& recorder, const std::string& driveName) override;
  void OpenDocument(const std::filesystem::path& document) override;
  bool ConfirmLeaving(const std::string& question) override;

  QWidget* ControlOf(desktop::MainControl control) const;
  void NameControlsForScreenReaders();

  std::unique_ptr<Ui::CMainDlg> ui_;
  MainDlgServices services_;
  JobWindows* jobWindows_;
  std::unique_ptr<desktop::MainWindowLogic> logic_;
};

}  // namespace brenmark::gui
