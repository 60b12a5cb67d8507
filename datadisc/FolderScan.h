#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Directory.h"

namespace brenmark::datadisc {

class SourceNode;
class SourceTree;

// The scan of a chosen folder into a tree: every entry below it (hidden ones
// included), with its name, size, time and kind from one status per entry.
// Each folder is opened relative to its parent, so depth is not limited by
// the length of a path, and walked with a stack of its own, not recursion.
// What cannot be read (a link whose target cannot be reached, a file with
// contents that cannot be opened, a folder that cannot be opened or listed)
// is noted in the tree's unreadable() instead of added; a folder that is its
// own ancestor through a symbolic link is not entered again.
class FolderScan {
 public:
  explicit FolderScan(SourceTree& tree) : tree_(tree) {}

  // SourceTree::AddPath.
  SourceNode* AddPath(const std::string& path, SourceNode* parent);

 private:
  struct Identity {
    std::uint64_t device;
    std::uint64_t inode;
    bool operator==(const Identity&) const = default;
  };
  struct Subfolder {
    SourceNode* node;
    Identity identity;
  };
  // One folder being walked: open while folders below it are.
  struct Level {
    platform::Directory folder;
    SourceNode* node;
    std::string path;
    Identity identity;
    std::vector<Subfolder> subfolders;  // in the order the listing gave them
    std::size_t next = 0;
  };

  void Walk(Level top);
  // Adds the entries of the level's folder and finds its subfolders.
  void AddEntriesOf(Level& level);
  void NoteUnreadable(std::string path, const std::string& reason);

  SourceTree& tree_;
  std::vector<std::string> names_;  // of the folder being listed
};

}  // namespace brenmark::datadisc
