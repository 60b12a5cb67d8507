#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Directory.h"
#include "platform/FileStatus.h"

namespace brenmark::datadisc {

class SourceNode;
class SourceTree;

// The scan of a chosen folder into a tree: every entry below it (hidden ones
// included), with its name, size, time and kind from one status per entry.
// Each folder is opened relative to its parent, so depth is not limited by
// the length of a path, and walked with a stack of its own, not recursion.
// What cannot be read (a link whose target cannot be reached, a file with
// contents that cannot be opened, a folder that cannot be opened or listed)
// and what is not a file or a folder (a named pipe, a socket, a device) is
// noted in the tree's unreadable() instead of added. A folder on a pseudo
// file system (/proc, /sys, /dev, ...) is not entered, and each folder is
// entered once. Folders are entered by name, real ones before those reached
// through symbolic links, so a folder keeps its content and a link to a
// folder already scanned stays empty, whatever order the system lists them
// in. So a scan holds no more than the real files below the folder, even
// from "/".
// A stop request ends the scan before the next entry; the tree then says so.
// Whoever started the scan may be told each folder as it is entered.
class FolderScan {
 public:
  FolderScan(SourceTree& tree, std::stop_token stop, std::function<void(const std::string&)> entered)
      : tree_(tree), stop_(std::move(stop)), folderEntered_(std::move(entered)) {}

  // SourceTree::AddPath.
  SourceNode* AddPath(const std::string& path, SourceNode* parent);

 private:
  struct Identity {
    std::uint64_t device;
    std::uint64_t inode;
    bool operator==(const Identity&) const = default;
  };
  struct IdentityHash {
    std::size_t operator()(const Identity& identity) const {
      return std::hash<std::uint64_t>()(identity.inode * 31 + identity.device);
    }
  };
  struct Subfolder {
    SourceNode* node;
    Identity identity;
    std::string path;  // kept for a subfolder reached through a link, entered after the walk
  };
  // One folder being walked: open while folders below it are.
  struct Level {
    platform::Directory folder;
    SourceNode* node;
    std::string path;
    Identity identity;
    std::vector<Subfolder> subfolders;  // real ones, by name
    std::size_t next = 0;
  };

  void Walk(Level top);
  // Enters the folders reached through links, once the real ones are all
  // known; each may add more.
  void EnterLinkedFolders();
  // Notes a folder met again as left empty, unless it is an ancestor of
  // `node` (how a tree refers to itself).
  void NoteRepeat(std::string path, const Identity& identity, const SourceNode* node);
  // Whether a folder just opened is to be listed: false (noted) when it is a
  // pseudo file system's, or when it was entered before.
  bool ShouldEnter(const Level& level, const Identity* parent);
  // Adds the entries of the level's folder and finds its subfolders.
  void AddEntriesOf(Level& level);
  // Whether an entry of this kind is noted instead of added (why, in `reason`).
  static bool LeftOut(const platform::FileStatus& status, std::string& reason);
  bool Stopped();
  void NoteUnreadable(std::string path, const std::string& reason);

  SourceTree& tree_;
  std::stop_token stop_;
  std::function<void(const std::string&)> folderEntered_;  // told each folder as it is listed
  std::vector<std::string> names_;  // of the folder being listed
  std::unordered_map<Identity, const SourceNode*, IdentityHash> entered_;  // with the node it filled
  std::vector<Subfolder> linkedFolders_;  // waiting for the walk of the real ones to end
};

}  // namespace brenmark::datadisc
