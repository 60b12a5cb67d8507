#include "shell/desktop/TrayDialogLogic.h"

#include <cstddef>
#include <string>
#include <vector>

#include "drive/UserPrompt.h"
#include "platform/PrivateFolder.h"
#include "platform/Utf8Path.h"
#include "shell/VirtualTrays.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::desktop {

namespace geometry = virtualdrive::geometry;

void TrayDialogLogic::Open() {
  view_.ShowContents(recorder_.DescribeTray());
  // CD-R blanks come in several sizes; the DVD recorder's DVD-R in one.
  std::vector<std::string> sizes;
  int selected = -1;
  if (virtualdrive::IsCdMedium(recorder_.model().blankKind)) {
    for (const int minutes : geometry::kCdMinutes) {
      if (minutes == geometry::kDefaultCdMinutes) selected = static_cast<int>(sizes.size());
      sizes.push_back(std::to_string(minutes) + " min");
    }
  }
  view_.ShowBlankSizes(sizes, selected);
}

void TrayDialogLogic::InsertBlank() {
  const virtualdrive::MediumKind kind = recorder_.model().blankKind;
  // No size chosen: the recorder's default (0).
  int minutes = 0;
  const int chosen = view_.ChosenBlankSize();
  if (virtualdrive::IsCdMedium(kind) && chosen >= 0 && static_cast<std::size_t>(chosen) < geometry::kCdMinutes.size()) {
    minutes = geometry::kCdMinutes[static_cast<std::size_t>(chosen)];
  }
  Report(recorder_.InsertBlank(kind, minutes));
}

void TrayDialogLogic::InsertImage() {
  if (const auto image = view_.ChooseDiscImage()) Report(recorder_.InsertImage(platform::PathFromUtf8(*image)));
}

void TrayDialogLogic::InsertLastBurned() {
  const std::filesystem::path last = trays_.LastBurnedDisc(recorder_);
  if (last.empty()) {
    prompt_.ShowMessage("No disc burned on this recorder was found in " + platform::Utf8FromPath(trays_.burnedFolder()) +
                            ".",
                        MessageIcon::Warning);
    return;
  }
  Report(recorder_.InsertImage(last));
}

void TrayDialogLogic::Eject() { Report(recorder_.Eject()); }

void TrayDialogLogic::EmptyTray() { Report(recorder_.RemoveDisc()); }

void TrayDialogLogic::OpenBurnedDiscs() {
  // Private like every folder the recorders keep discs in: they refuse one others can write in.
  std::string ignored;
  platform::CreatePrivateFolders(trays_.burnedFolder(), ignored);
  view_.OpenFolder(trays_.burnedFolder());
}

void TrayDialogLogic::Report(const virtualdrive::TrayResult& result) {
  view_.ShowContents(recorder_.DescribeTray());
  if (!result.finishedImage.empty()) {
    view_.ShowNote("The written disc taken out is kept as " + platform::Utf8FromPath(result.finishedImage) + ".");
  }
  if (!result.ok) prompt_.ShowMessage(result.message, MessageIcon::Error);
}

}  // namespace brenmark::desktop
