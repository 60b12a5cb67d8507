#pragma once

#include <string>
#include <vector>

#include "shell/win32/FileChooser.h"
#include "shell/win32/ModalDialog.h"

namespace brenmark::win32 {

// The audio and video file list dialogs: a "Filename" list, "Add Files..."
// (a new choice replaces the list, the first chosen file at the bottom), and
// OK storing the list from the top as the job's source files.
class SourceFilesDlg final : public ModalDialog {
 public:
  enum class Kind { Audio, Video };

  SourceFilesDlg(Kind kind, FileChooser& files, std::vector<std::string>& sourceFiles)
      : kind_(kind), files_(files), sourceFiles_(sourceFiles) {}

  // True for OK (the source files are then stored).
  bool Choose(HWND owner);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void AddFiles();
  void StoreList();

  Kind kind_;
  FileChooser& files_;
  std::vector<std::string>& sourceFiles_;
};

}  // namespace brenmark::win32
