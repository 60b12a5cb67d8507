// `brenmark-cli tray`: shows and works a virtual recorder's tray.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Terminal.h"
#include "platform/Utf8Path.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"
#include "shell/cli/PathLine.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::cli {
namespace {

// The recorder the tray command works: the named drive (--drive, else
// BRENMARK_DRIVE), else the virtual CD recorder.
virtualdrive::VirtualRecorder* ChooseRecorder(CliSession& session, int& drive) {
  const bool named = session.DriveNamed();
  const auto chosen = session.SelectDrive();
  if (!chosen) return nullptr;
  drive = *chosen;
  if (auto* recorder = drive >= 0 ? session.VirtualRecorderAt(drive) : nullptr) return recorder;
  session.Complain(named ? "drive " + std::to_string(drive) +
                               " is not a virtual recorder; only those have a tray to work"
                         : "there is no virtual recorder");
  return nullptr;
}

int Report(CliSession& session, const virtualdrive::TrayResult& result) {
  // The path of a finished image is printed by the eject observer.
  if (result.ok) return kExitDone;
  session.Complain(result.message);
  return kExitFailed;
}

}  // namespace

int RunTray(CliSession& session, const std::vector<std::string>& arguments) {
  const std::string action = arguments.empty() ? "show" : arguments[0];
  const bool blankOfAKind = action == "blank" && arguments.size() == 2;
  const std::size_t expected = action == "insert" || action == "pace" || blankOfAKind ? 2 : (arguments.empty() ? 0 : 1);
  const std::optional<virtualdrive::Pace> pace =
      action == "pace" && arguments.size() == 2 ? virtualdrive::PaceNamed(arguments[1]) : std::nullopt;
  if (arguments.size() != expected || (action == "pace" && !pace) ||
      (action != "show" && action != "blank" && action != "insert" && action != "eject" && action != "empty" &&
       action != "pace")) {
    session.Complain(
        "usage: tray [show | blank [cd-r | cd-rw | dvd-r | dvd-rw | dvd+r | dvd+rw] [--minutes N] | insert IMAGE|last | "
        "eject | empty | pace real|fast]");
    return kExitUsage;
  }
  const std::optional<int> minutes = session.options().minutes;
  if (minutes && (action != "blank" || !virtualdrive::IsCdSizeOffered(*minutes))) {
    session.Complain("--minutes goes with tray blank and is one of " + virtualdrive::CdSizesText());
    return kExitUsage;
  }
  int drive = -1;
  virtualdrive::VirtualRecorder* recorder = ChooseRecorder(session, drive);
  if (recorder == nullptr) return kExitFailed;
  // The tray stays shut while a job uses the recorder. Programs holding its
  // exposed device open leave it to the user between their commands: the
  // tray action then takes its turn among them (a new pace applies from
  // their next command), and the tray is shown as they left it.
  const auto lease = session.leases().TryAcquire(drive);
  const std::optional<std::string> held =
      !lease && action == "show" ? recorder->DescribeHeldTray() : std::nullopt;
  const bool besideHolders = !lease && (held || (action != "show" && recorder->HeldThroughDevice()));
  if (!lease && !besideHolders) {
    session.prompt().ShowMessage(session.leases().RefusalMessage(drive), MessageIcon::Warning);
    return kExitFailed;
  }

  if (action == "show") {
    // The description names the image, whose path may hold terminal controls.
    platform::PrintText(session.out(), "%s\npace: %s\n",
                        TerminalText(held.value_or(recorder->DescribeTray())).c_str(),
                        std::string(virtualdrive::PaceName(recorder->CurrentPace())).c_str());
    return kExitDone;
  }
  if (action == "pace") return Report(session, recorder->SetPace(*pace));
  if (action == "blank") {
    virtualdrive::MediumKind kind = recorder->model().blankKind;
    if (blankOfAKind) {
      // Any recordable medium the recorder writes: the CD recorder takes no DVD.
      const auto named = virtualdrive::MediumNamed(arguments[1]);
      if (!named || !virtualdrive::IsRecordable(*named) ||
          (virtualdrive::IsCdMedium(kind) && !virtualdrive::IsCdMedium(*named))) {
        session.Complain(recorder->model().shortName + " takes blank " +
                         (virtualdrive::IsCdMedium(kind) ? "cd-r or cd-rw" : "dvd-r, dvd-rw, dvd+r, dvd+rw, cd-r or cd-rw") + ", not " +
                         arguments[1]);
        return kExitUsage;
      }
      kind = *named;
    }
    if (minutes && !virtualdrive::IsCdMedium(kind)) {
      session.Complain(recorder->model().shortName + " takes DVD blanks; --minutes sizes a CD-R");
      return kExitUsage;
    }
    return Report(session, recorder->InsertBlank(kind, minutes.value_or(0)));
  }
  if (action == "insert" && arguments[1] == "last") {
    // The disc this recorder burned last, as the desktop's tray offers it.
    const std::filesystem::path last = session.trays().LastBurnedDisc(*recorder);
    if (last.empty()) {
      session.Complain("no disc burned on " + recorder->model().shortName + " was found in " +
                       platform::Utf8FromPath(session.trays().burnedFolder()));
      return kExitFailed;
    }
    return Report(session, recorder->InsertImage(last));
  }
  if (action == "insert") return Report(session, recorder->InsertImage(platform::PathFromUtf8(arguments[1])));
  if (action == "empty") return Report(session, recorder->RemoveDisc());
  return Report(session, recorder->Eject());
}

}  // namespace brenmark::cli
