#include "shell/qt/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

#include "shell/DriveNames.h"
#include "jobs/SpeedSelection.h"
#include "shell/qt/AppIcon.h"
#include "shell/qt/CAboutDlg.h"
#include "shell/qt/CAddAudioFilesDlg.h"
#include "shell/qt/CAddVideoFilesDlg.h"
#include "shell/qt/CMainDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/CSpeedSelectDlg.h"
#include "shell/qt/CTestGrabDlg.h"
#include "shell/qt/CTrayDlg.h"
#include "shell/qt/DesktopSession.h"
#include "shell/qt/FinishingJobsDlg.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/qt/MessagePresenter.h"

namespace brenmark::gui {

namespace {

class ShotWriter {
 public:
  explicit ShotWriter(const QDir& folder) : folder_(folder) {}

  void Shoot(QWidget& widget, const QString& name) {
    widget.show();
    QApplication::processEvents();
    Save(widget.grab().toImage(), name);
    widget.hide();
  }

  void Save(const QImage& image, const QString& name) {
    if (!image.save(folder_.filePath(name + QStringLiteral(".png")))) ok_ = false;
  }

  bool ok() const { return ok_; }

 private:
  QDir folder_;
  bool ok_ = true;
};

QStringList SpeedLabels(DesktopSession& session) {
  SpeedSelection speeds;
  DriveRegistry& registry = session.registry();
  speeds.Load(registry, registry.currentDrive, session.leases());
  QStringList labels;
  for (const std::string& entry : speeds.entries()) labels << QString::fromStdString(entry);
  return labels;
}

}  // namespace

bool RenderScreenshots(DesktopSession& session, const QString& folder) {
  if (!QDir().mkpath(folder)) return false;
  ShotWriter shots{QDir(folder)};
  CMainDlg& window = session.window();

  shots.Save(DrawAppIcon(256), QStringLiteral("icon"));
  shots.Shoot(window, QStringLiteral("main-window"));

  CAboutDlg about(&window);
  shots.Shoot(about, QStringLiteral("about-box"));

  CSpeedSelectDlg speed(SpeedLabels(session), /*offerLeaveDiscOpen=*/true, &window);
  shots.Shoot(speed, QStringLiteral("speed-selection"));

  std::vector<std::string> noSources;
  std::string dialogFolder;
  DiscAtOnce trackAtOnce;
  CAddAudioFilesDlg audioFiles(session.files(), noSources, dialogFolder, trackAtOnce, &window);
  shots.Shoot(audioFiles, QStringLiteral("audio-files"));
  CAddVideoFilesDlg videoFiles(session.files(), noSources, dialogFolder, &window);
  shots.Shoot(videoFiles, QStringLiteral("video-files"));

  CTestGrabDlg grab({QStringLiteral("Track 01 - 04:00 -- Size: 40.37 Mb"),
                     QStringLiteral("Track 02 - 03:30 -- Size: 35.33 Mb")},
                    &window);
  shots.Shoot(grab, QStringLiteral("track-selection"));

  CProgressDlg progress(&window);
  shots.Shoot(progress, QStringLiteral("progress-window"));
  progress.SetStatus(QStringLiteral("Writing data tracks..."));
  progress.SetRange(1000);
  progress.SetPos(420);
  progress.EnableClose(false);
  shots.Shoot(progress, QStringLiteral("progress-window-running"));
  progress.NameJob(QStringLiteral("Burn DVD on virtual-dvd"));
  progress.SetStatus(QStringLiteral("Disc burned."));
  progress.SetPos(1000);
  progress.EnableClose(true);
  const QString image = QDir(QString::fromStdString(session.trays().burnedFolder().string()))
                            .filePath(QStringLiteral("virtual-dvd-20261207-041500.iso"));
  progress.ShowEnding(QString::fromStdString(desktoptext::OutcomeText(JobEnd::Done) + " " +
                                             desktoptext::KeptImageText(QDir::toNativeSeparators(image).toStdString())),
                      QFileInfo(image).absolutePath());
  shots.Shoot(progress, QStringLiteral("progress-window-ended"));

  FinishingJobsDlg finishing(&window);
  finishing.SetRunningCount(2);
  shots.Shoot(finishing, QStringLiteral("finishing-jobs"));

  DriveRegistry& registry = session.registry();
  if (registry.currentDrive >= 0) {
    const Drive& drive = registry.drive(registry.currentDrive);
    if (auto* recorder = session.trays().RecorderFor(drive)) {
      CTrayDlg tray(*recorder, QString::fromStdString(ListedDriveName(drive)), session.trays(),
                    session.files(), session.prompt(), &window);
      shots.Shoot(tray, QStringLiteral("virtual-tray"));
    }
  }

  QMessageBox notice(QMessageBox::NoIcon, kApplicationName,
                     QStringLiteral("You have not select a folder to burn on disc."),
                     QMessageBox::Ok, &window);
  shots.Shoot(notice, QStringLiteral("message-box"));
  QMessageBox question(QMessageBox::Critical, kApplicationName,
                       QStringLiteral("Error writing sector 1234.\nTry again?"),
                       QMessageBox::Yes | QMessageBox::No, &window);
  shots.Shoot(question, QStringLiteral("question-box"));
  return shots.ok();
}

}  // namespace brenmark::gui
