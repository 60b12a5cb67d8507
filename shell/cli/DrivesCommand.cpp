// `brenmark-cli drives`: the drive table, one line per drive with its index.
#include <cstdio>

#include "platform/Terminal.h"
#include "shell/DriveNames.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"

namespace brenmark::cli {

int RunDrives(CliSession& session, const std::vector<std::string>& arguments) {
  if (!arguments.empty()) {
    session.Complain("drives takes no arguments");
    return kExitUsage;
  }
  // A drive name (--drive, BRENMARK_DRIVE) no drive answers to is an error here as for every other command.
  if (session.DriveNamed() && !session.SelectDrive()) return kExitFailed;
  DriveRegistry& registry = session.registry();
  for (int i = 0; i < registry.driveCount; ++i) {
    platform::PrintText(session.out(), "%d\t%s\n", i, ListedDriveName(registry.drive(i)).c_str());
  }
  return kExitDone;
}

}  // namespace brenmark::cli
