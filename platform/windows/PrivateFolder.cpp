#include "platform/PrivateFolder.h"

#include <windows.h>

#include <string>

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

// Each missing folder is made by its extended path, so that a name ending in
// a dot or a space is made as given rather than under a shortened name. The
// path's first parts (the drive, a share) cannot be made and are not meant to
// be: only whether the whole path ends up a folder counts, and the last
// failure on the way says why it did not.
bool CreatePrivateFolders(const std::filesystem::path& folder, std::string& error) {
  const std::wstring whole = ExtendedPath(folder);
  DWORD failure = ERROR_SUCCESS;
  for (std::size_t end = whole.find(L'\\', 4); ; end = whole.find(L'\\', end + 1)) {
    const std::wstring part = whole.substr(0, end);
    if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) failure = GetLastError();
    if (end == std::wstring::npos) break;
  }
  const DWORD attributes = GetFileAttributesW(whole.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
  error = "cannot create " + Utf8FromPath(folder) + ": " +
          (failure != ERROR_SUCCESS ? SystemErrorText(failure) : std::string("not a folder"));
  return false;
}

}  // namespace brenmark::platform
