#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace brenmark::platform {

// What decides whether a folder can safely hold files only its user may
// change: where another user could replace or plant an entry in it, a file
// written there could be turned into a write elsewhere.
struct FolderOwnership {
  bool isFolder = false;
  bool isLink = false;         // the entry itself is a symbolic link
  std::uint32_t owner = 0;     // user id of the owner
  std::uint32_t mode = 0;      // permission bits (07777)
};

// Why `facts` make a folder unsafe for `user`, naming `shown` and how to mend
// it; empty when the folder is the user's own and no one else can write in
// it. A link is acceptable only where `linkAllowed`.
std::string PrivateFolderProblem(const std::string& shown, const FolderOwnership& facts, std::uint32_t user,
                                 bool linkAllowed);

// PrivateFolderProblem for the folder at `folder` and the current user (the
// facts of the link's target where a link is allowed). A missing folder is
// no problem. On Windows only a link in the folder's place is refused.
std::string CheckPrivateFolder(const std::filesystem::path& folder, bool linkAllowed);

// Creates `folder` and each missing folder above it, readable and writable
// by the current user alone (0700); folders that exist are left as they are.
bool CreatePrivateFolders(const std::filesystem::path& folder, std::string& error);

}  // namespace brenmark::platform
