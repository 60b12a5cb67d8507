#include "shell/desktop/TrayDialogLogic.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "drive/UserPrompt.h"
#include "platform/PrivateFolder.h"
#include "platform/Utf8Path.h"
#include "shell/VirtualTrays.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::desktop {

namespace {

namespace geometry = virtualdrive::geometry;
using virtualdrive::MediumKind;

// The blank media the DVD recorder takes, in the order the dialog lists them.
constexpr std::array kDvdBlanks = {MediumKind::DvdR, MediumKind::DvdRw, MediumKind::DvdPlusR, MediumKind::DvdPlusRw};

}  // namespace

void TrayDialogLogic::Open() {
  ShowContents();
  // CD-R blanks come in several sizes; the DVD recorder's blanks in each
  // kind of DVD it writes.
  std::vector<std::string> blanks;
  int selected = -1;
  const MediumKind kind = recorder_.model().blankKind;
  if (virtualdrive::IsCdMedium(kind)) {
    for (const int minutes : geometry::kCdMinutes) {
      if (minutes == geometry::kDefaultCdMinutes) selected = static_cast<int>(blanks.size());
      blanks.push_back(std::to_string(minutes) + " min");
    }
  } else {
    for (const MediumKind blank : kDvdBlanks) {
      if (blank == kind) selected = static_cast<int>(blanks.size());
      blanks.push_back(virtualdrive::MediumName(blank));
    }
  }
  view_.ShowBlankSizes(blanks, selected);
}

void TrayDialogLogic::InsertBlank() {
  MediumKind kind = recorder_.model().blankKind;
  // Nothing chosen: the recorder's default blank (0 minutes its default size).
  int minutes = 0;
  const int chosen = view_.ChosenBlankSize();
  const auto index = static_cast<std::size_t>(chosen);
  if (chosen >= 0 && virtualdrive::IsCdMedium(kind) && index < geometry::kCdMinutes.size()) {
    minutes = geometry::kCdMinutes[index];
  } else if (chosen >= 0 && !virtualdrive::IsCdMedium(kind) && index < kDvdBlanks.size()) {
    kind = kDvdBlanks[index];
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

void TrayDialogLogic::ShowContents() {
  // Opened beside programs holding the recorder: as they left it, and saying so.
  const std::optional<std::string> held = recorder_.DescribeHeldTray();
  view_.ShowContents(held ? *held : recorder_.DescribeTray());
}

void TrayDialogLogic::Report(const virtualdrive::TrayResult& result) {
  ShowContents();
  if (!result.finishedImage.empty()) {
    view_.ShowNote("The written disc taken out is kept as " + platform::Utf8FromPath(result.finishedImage) + ".");
  }
  if (!result.ok) prompt_.ShowMessage(result.message, MessageIcon::Error);
}

}  // namespace brenmark::desktop
