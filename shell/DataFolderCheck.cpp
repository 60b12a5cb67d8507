#include "shell/DataFolderCheck.h"

#include <filesystem>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/PrivateFolder.h"
#include "platform/Utf8Path.h"

namespace brenmark {

DataFolderCheck CheckDataFolder(const std::string& folder, const std::string& option) {
  using Verdict = DataFolderCheck::Verdict;
  if (folder.empty()) return {Verdict::Empty, option + " needs a folder, not an empty name"};
  const std::filesystem::path path = platform::PathFromUtf8(folder);
  const std::string named = option + " " + folder;
  std::error_code error;
  std::string reason;
  if (!std::filesystem::exists(path, error) && !error && !platform::CreatePrivateFolders(path, reason)) {
    return {Verdict::Unusable, named + ": " + reason};
  }
  if (!std::filesystem::is_directory(path, error)) {
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
