#pragma once

#include <QDialog>

#include <memory>

#include "virtualdrive/VirtualRecorder.h"

namespace Ui {
class CTrayDlg;
}

namespace brenmark {
class UserPrompt;
class VirtualTrays;
}

namespace brenmark::gui {

class FileBrowser;

// The tray of a virtual recorder: what disc it holds, a fresh blank, any .iso
// or .cue image, the disc it burned last, an eject or an empty tray, and the
// folder where ejected discs are kept.
class CTrayDlg final : public QDialog {
  Q_OBJECT

 public:
  CTrayDlg(virtualdrive::VirtualRecorder& recorder, const QString& driveName,
           VirtualTrays& trays, FileBrowser& files, UserPrompt& prompt,
           QWidget* parent = nullptr);
  ~CTrayDlg() override;

  QString Contents() const;

 public slots:
  void InsertBlank();
  void InsertImage();
  void InsertLastBurned();
  void Eject();
  void EmptyTray();
  void OpenBurnedDiscs();

 private:
  void Report(const virtualdrive::TrayResult& result);

  std::unique_ptr<Ui::CTrayDlg> ui_;
  virtualdrive::VirtualRecorder& recorder_;
  VirtualTrays& trays_;
  FileBrowser& files_;
  UserPrompt& prompt_;
};

}  // namespace brenmark::gui
