#include "platform/PrivateFolder.h"

#include <windows.h>

#include <system_error>

#include "platform/Utf8Path.h"
#include "platform/windows/WideText.h"

namespace brenmark::platform {

// Windows folders take their access from the folder above them (a user's
// profile is private already); only a link in a folder's place is refused.
std::string CheckPrivateFolder(const std::filesystem::path& folder, bool linkAllowed) {
  const DWORD attributes = GetFileAttributesW(ExtendedPath(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  FolderOwnership facts;
  facts.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return PrivateFolderProblem(Utf8FromPath(folder), facts, facts.owner, linkAllowed);
}

bool CreatePrivateFolders(const std::filesystem::path& folder, std::string& error) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (!code && std::filesystem::is_directory(folder, code)) return true;
  error = "cannot create " + Utf8FromPath(folder) + ": " + (code ? code.message() : std::string("not a folder"));
  return false;
}

}  // namespace brenmark::platform
