#include "shell/DataFolderCheck.h"

#include <filesystem>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/Utf8Path.h"

namespace brenmark {

DataFolderCheck CheckDataFolder(const std::string& folder, const std::string& option) {
  using Verdict = DataFolderCheck::Verdict;
  if (folder.empty()) return {Verdict::Empty, option + " needs a folder, not an empty name"};
  const std::filesystem::path path = platform::PathFromUtf8(folder);
  const std::string named = option + " " + folder;
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error) {
    std::filesystem::create_directories(path, error);
    if (error) return {Verdict::Unusable, named + ": cannot create the folder: " + error.message()};
  }
  if (!std::filesystem::is_directory(path, error)) {
    return {Verdict::Unusable, named + " is not a folder"};
  }
  std::string reason;
  if (!platform::CanWriteInFolder(path, reason)) {
    return {Verdict::Unusable, named + ": cannot write in the folder: " + reason};
  }
  return {};
}

}  // namespace brenmark
