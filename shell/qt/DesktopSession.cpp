#include "shell/qt/DesktopSession.h"

#include "platform/Utf8Path.h"
#include "shell/qt/CMainDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/DesktopNotifier.h"
#include "shell/qt/JobWindows.h"

namespace brenmark::gui {

namespace {

EngineSession::Options EngineOptions(const DesktopSession::Options& options) {
  EngineSession::Options engine;
  engine.virtualRecorderFolder = platform::PathFromUtf8(options.virtualDiscFolder.toStdString());
  engine.realDrives = options.realDrives;
  return engine;
}

}  // namespace

DesktopSession::DesktopSession(MessagePresenter& presenter, FileBrowser& files, const Options& options)
    : files_(files),
      prompt_(presenter),
      engine_(prompt_, EngineOptions(options)),
      window_(std::make_unique<CMainDlg>(
          MainDlgServices{engine_, prompt_, presenter, files_, options.settings ? *options.settings : runSettings_})) {
  prompt_.SetOwnerWindow(window_.get());
  window_->FillDriveList();
  for (const std::string& problem : engine_.StartupProblems()) prompt_.ShowMessage(problem, MessageIcon::Error);
}

DesktopSession::~DesktopSession() {
  // Jobs still running end without the user: their windows go, no box is shown
  // and every question is answered No. Only then may their drives go away.
  for (const auto& progress : window_->progressWindows()) {
    if (progress) progress->hide();
  }
  prompt_.Dismiss();
  window_->WaitForJobs();
  window_.reset();
}

int DesktopSession::Run() {
  window_->exec();
  // Jobs still running after the user has left are finished first, with a
  // window that says so, and each one's end told by a desktop notification;
  // their boxes are still shown, now without an owner.
  prompt_.SetOwnerWindow(nullptr);
  DesktopNotifier notifier;
  window_->jobWindows().FinishRunningJobs(notifier);
  return 0;
}

}  // namespace brenmark::gui
