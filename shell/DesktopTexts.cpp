#include "shell/DesktopTexts.h"

namespace brenmark::desktoptext {

std::string JobName(int commandId) {
  switch (commandId) {
    case 1003:
      return "Burn CD";
    case 1004:
      return "Burn DVD";
    case 1005:
      return "Burn Audio CD";
    case 1006:
      return "Burn Video CD";
    case 1007:
      return "Grab Audio CD";
    default:
      return "Job";
  }
}

std::string OutcomeText(JobEnd result) { return result == JobEnd::Done ? "Finished." : "Ended without completing."; }

std::string NotAFolderMessage(const std::string& typed) { return typed + " is not a folder."; }

std::string DocumentationMissingMessage(const std::string& expected) {
  return "The documentation of Brenmark was not found; it belongs at " + expected + ".";
}

}  // namespace brenmark::desktoptext
