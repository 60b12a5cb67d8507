#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace brenmark::desktop {

// What the tray dialog's logic asks of the toolkit that draws it. Texts are
// UTF-8. Called on the user-interface thread.
class TrayView {
 public:
  virtual ~TrayView() = default;

  // What the tray holds now.
  virtual void ShowContents(const std::string& text) = 0;
  // The blanks offered (CD-R sizes, or DVD kinds), the one at `selected`
  // chosen; an empty list hides the choice.
  virtual void ShowBlankSizes(const std::vector<std::string>& sizes, int selected) = 0;
  // Where in that list the user's choice is; -1 for none.
  virtual int ChosenBlankSize() const = 0;
  // The line under the tray's contents.
  virtual void ShowNote(const std::string& text) = 0;
  // A disc image (.iso or .cue) from the file dialog; nothing when cancelled.
  virtual std::optional<std::string> ChooseDiscImage() = 0;
  // Shows a folder on the desktop (saying so when nothing can).
  virtual void OpenFolder(const std::filesystem::path& folder) = 0;
};

}  // namespace brenmark::desktop
