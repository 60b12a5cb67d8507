#include "shell/qt/DesktopSession.h"

#include "drive/PlatformDevices.h"
#include "shell/qt/CMainDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/JobWindows.h"

namespace brenmark::gui {

DesktopSession::DesktopSession(MessagePresenter& presenter, FileBrowser& files,
                               const Options& options)
    : files_(files),
      prompt_(presenter),
      trays_(options.virtualDiscFolder.toStdString()),
      registry_(prompt_, sleeper_,
                trays_.MakeProviders(options.realDrives ? MakePlatformDeviceProvider(prompt_, "") : nullptr)),
      jobs_(registry_, prompt_, leases_),
      window_(std::make_unique<CMainDlg>(MainDlgServices{registry_, leases_, jobs_, jobState_,
                                                         prompt_, presenter, files_, trays_})) {
  prompt_.SetOwnerWindow(window_.get());
  leases_.HoldVirtualRecorders([this](int drive) { return trays_.RecorderAt(registry_, drive); });
  window_->FillDriveList();
  for (const std::string& problem : trays_.StartupProblems()) prompt_.ShowMessage(problem, MessageIcon::Error);
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
  // window that says so; their boxes are still shown, now without an owner.
  prompt_.SetOwnerWindow(nullptr);
  window_->jobWindows().FinishRunningJobs();
  return 0;
}

}  // namespace brenmark::gui
