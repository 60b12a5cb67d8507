#pragma once

#include <string>
#include <vector>

#include "jobs/DiscAtOnce.h"
#include "shell/desktop/SourceFileCheck.h"
#include "shell/win32/FileChooser.h"
#include "shell/win32/ModalDialog.h"

namespace brenmark::win32 {

// The audio and video file list dialogs: a "Filename" list, "Add Files..."
// (a new choice replaces the list, the first chosen file at the bottom; a
// choice larger than a list takes is cut, saying so), each file checked as
// it is added (its length or size, or why it cannot be burned, beside it and
// whole in the row's tooltip; the totals against an 80-minute CD below the
// list), Remove (Delete), Move Up (Alt+Up) and Move Down (Alt+Down) on the
// selected file, and OK, enabled only for a list with files and none
// refused, storing the list from the top as the job's source files. The file
// dialog opens in the folder it is given, which becomes the folder of the
// files chosen last.
// The audio dialog also offers a disc at once with its album title and
// performer (editable only when chosen), stored with the list on OK.
class SourceFilesDlg final : public ModalDialog {
 public:
  enum class Kind { Audio, Video };

  SourceFilesDlg(Kind kind, FileChooser& files, std::vector<std::string>& sourceFiles, std::string& dialogFolder,
                 DiscAtOnce* discAtOnce = nullptr)
      : kind_(kind), files_(files), sourceFiles_(sourceFiles), dialogFolder_(dialogFolder), discAtOnce_(discAtOnce) {}

  // True for OK (the source files are then stored).
  bool Choose(HWND owner);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void OnNotify(NMHDR& header) override;
  // Delete, Alt+Up and Alt+Down on the list press Remove, Move Up and Move Down.
  static LRESULT CALLBACK ListKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR dialog);
  void AddFiles();
  // Draws the list from checked_, `selected` (if a row) selected.
  void ShowList(int selected);
  int SelectedRow() const;
  void RemoveSelected();
  void MoveSelected(int step);
  void ShowTotals();
  void StoreList();
  void EnableCdText();
  desktop::JobKind jobKind() const { return kind_ == Kind::Audio ? desktop::JobKind::AudioCd : desktop::JobKind::VideoCd; }

  Kind kind_;
  FileChooser& files_;
  std::vector<std::string>& sourceFiles_;
  std::string& dialogFolder_;
  DiscAtOnce* discAtOnce_;
  // The checks of the list's files, top item first.
  std::vector<desktop::CheckedFile> checked_;
};

}  // namespace brenmark::win32
