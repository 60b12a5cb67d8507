#pragma once

#include <QDialog>

#include <filesystem>
#include <memory>

#include "virtualdrive/VirtualRecorder.h"

namespace Ui {
class CTrayDlg;
}

namespace brenmark {
class UserPrompt;
}

namespace brenmark::gui {

class FileBrowser;

// The tray of a virtual recorder: what disc it holds, a fresh blank, any .iso
// or .cue image, and the folder where ejected discs are kept.
class CTrayDlg final : public QDialog {
  Q_OBJECT

 public:
  CTrayDlg(virtualdrive::VirtualRecorder& recorder, const QString& driveName,
           std::filesystem::path burnedFolder, FileBrowser& files, UserPrompt& prompt,
           QWidget* parent = nullptr);
  ~CTrayDlg() override;

  QString Contents() const;

 public slots:
  void InsertBlank();
  void InsertImage();
  void OpenBurnedDiscs();

 private:
  void Report(const virtualdrive::TrayResult& result);

  std::unique_ptr<Ui::CTrayDlg> ui_;
  virtualdrive::VirtualRecorder& recorder_;
  std::filesystem::path burnedFolder_;
  FileBrowser& files_;
  UserPrompt& prompt_;
};

}  // namespace brenmark::gui
