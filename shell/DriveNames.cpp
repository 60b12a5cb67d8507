#include "shell/DriveNames.h"

namespace brenmark {

std::string ListedDriveName(const Drive& drive) {
  const std::string& name = drive.displayName;
  const std::size_t end = name.find_last_not_of(" \t");
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

std::string ShortDriveName(const Drive& drive) {
  const std::size_t colon = drive.displayName.find(": ");
  if (colon == std::string::npos || colon == 0) return ListedDriveName(drive);
  return drive.displayName.substr(0, colon);
}

}  // namespace brenmark
