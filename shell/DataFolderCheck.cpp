#include "shell/DataFolderCheck.h"

#include <filesystem>
#include <optional>

#include "platform/FileStatus.h"
#include "platform/FileSystem.h"
#include "platform/PrivateFolder.h"
#include "platform/Utf8Path.h"

namespace brenmark {

DataFolderCheck CheckDataFolder(const std::string& folder, const std::string& option) {
  using Verdict = DataFolderCheck::Verdict;
  if (folder.empty()) return {Verdict::Empty, option + " needs a folder, not an empty name"};
  const std::filesystem::path path = platform::PathFromUtf8(folder);
  const std::string named = option + " " + folder;
  // Through the platform layer, which names every entry exactly: a name
  // ending in a dot on Windows is that folder, not the one without the dot.
  std::string reason;
  std::optional<platform::FileStatus> status = platform::ReadFileStatus(path);
  if (!status) {
    if (!platform::CreatePrivateFolders(path, reason)) return {Verdict::Unusable, named + ": " + reason};
    status = platform::ReadFileStatus(path);
  }
  if (!status || !status->isDirectory()) {
    return {Verdict::Unusable, named + " is not a folder"};
  }
  if (!platform::CanWriteInFolder(path, reason)) {
    return {Verdict::Unusable, named + ": cannot write in the folder: " + reason};
  }
  // Another user who can change the folder could plant links where the
  // recorders write their discs.
  if (const std::string problem = platform::CheckPrivateFolder(path, true); !problem.empty()) {
    return {Verdict::Unusable, option + ": " + problem};
  }
  return {};
}

}  // namespace brenmark
