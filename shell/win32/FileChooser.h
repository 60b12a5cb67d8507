#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace brenmark::win32 {

// The folder browser and the open-file dialogs of the program, as UTF-8 paths.
// Tests script the answers.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // A folder, or nothing when the user cancels; the browser opens on
  // `startFolder` (the system's choice when empty).
  virtual std::optional<std::string> ChooseFolder(HWND owner, const std::string& title,
                                                  const std::string& startFolder) = 0;
  // Existing files matching `filter` ("description|pattern|...||"), in the
  // order the dialog returns them, or nothing when the user cancels; the
  // dialog opens in `startFolder`.
  virtual std::optional<std::vector<std::string>> ChooseFiles(HWND owner, const std::string& filter,
                                                              const std::string& startFolder) = 0;
  // A disc image (.iso or .cue) to load, or nothing when the user cancels.
  virtual std::optional<std::string> ChooseDiscImage(HWND owner) = 0;
};

// The system's folder browser and open-file dialog.
class SystemFileChooser final : public FileChooser {
 public:
  std::optional<std::string> ChooseFolder(HWND owner, const std::string& title, const std::string& startFolder) override;
  std::optional<std::vector<std::string>> ChooseFiles(HWND owner, const std::string& filter,
                                                      const std::string& startFolder) override;
  std::optional<std::string> ChooseDiscImage(HWND owner) override;
};

}  // namespace brenmark::win32
