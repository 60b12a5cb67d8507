#pragma once

#include "shell/desktop/TrayView.h"

namespace brenmark {
class UserPrompt;
class VirtualTrays;
namespace virtualdrive {
class VirtualRecorder;
struct TrayResult;
}  // namespace virtualdrive
}  // namespace brenmark

namespace brenmark::desktop {

// The tray dialog's decisions, whatever toolkit draws it: the blank sizes a
// CD recorder offers and the DVD kinds of the DVD recorder, what each button does to the recorder's tray (a fresh
// blank, any .iso or .cue image, the disc it burned last, an eject or an
// empty tray), where ejected discs are kept, and what the dialog says after
// each action. Failures are told through `prompt`. While programs hold the
// recorder's exposed device, the dialog works between their commands.
class TrayDialogLogic {
 public:
  TrayDialogLogic(virtualdrive::VirtualRecorder& recorder, VirtualTrays& trays, UserPrompt& prompt,
                  TrayView& view)
      : recorder_(recorder), trays_(trays), prompt_(prompt), view_(view) {}

  // Fills the dialog as it opens.
  void Open();
  void InsertBlank();
  void InsertImage();
  void InsertLastBurned();
  void Eject();
  void EmptyTray();
  // The burned discs' folder, made first when it is missing.
  void OpenBurnedDiscs();

 private:
  void ShowContents();
  void Report(const virtualdrive::TrayResult& result);

  virtualdrive::VirtualRecorder& recorder_;
  VirtualTrays& trays_;
  UserPrompt& prompt_;
  TrayView& view_;
};

}  // namespace brenmark::desktop
