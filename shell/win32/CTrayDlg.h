#pragma once

#include <string>

#include "shell/win32/FileChooser.h"
#include "shell/win32/ModalDialog.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark {
class UserPrompt;
class VirtualTrays;
}  // namespace brenmark

namespace brenmark::win32 {

// The tray of a virtual recorder: what disc it holds, a fresh blank, any .iso
// or .cue image, the disc it burned last, an eject or an empty tray, and the
// folder where ejected discs are kept.
class CTrayDlg final : public ModalDialog {
 public:
  CTrayDlg(virtualdrive::VirtualRecorder& recorder, std::string driveName, VirtualTrays& trays,
           FileChooser& files, UserPrompt& prompt)
      : recorder_(recorder), driveName_(std::move(driveName)), trays_(trays), files_(files), prompt_(prompt) {}

  void Show(HWND owner);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void InsertBlank();
  void InsertImage();
  void InsertLastBurned();
  void Report(const virtualdrive::TrayResult& result);

  virtualdrive::VirtualRecorder& recorder_;
  std::string driveName_;
  VirtualTrays& trays_;
  FileChooser& files_;
  UserPrompt& prompt_;
};

}  // namespace brenmark::win32
