#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace brenmark::datadisc {

class SourceNode;

// An entry list: the tree's top-level entries or a directory's children, in
// ascending order of discName under CompareNames, no two names equal.
using EntryList = std::vector<std::unique_ptr<SourceNode>>;

// The path of the entry `name` of the folder at `folder`.
std::string JoinSourcePath(std::string folder, std::string_view name);

// One file or directory of the source tree. A tree holds one per entry of the
// folders it scans, so a node keeps only what every entry needs; what few
// entries have (a name on the disc other than the source's, a path that is
// not its parent's and its name, an earlier session's ISO name) lives apart.
class SourceNode {
 public:
  SourceNode();
  ~SourceNode();
  SourceNode(const SourceNode&) = delete;
  SourceNode& operator=(const SourceNode&) = delete;

  // The entry's name in its folder: the last component of SourcePath() (at
  // the top level, of its real path when that path ends in "." or "..").
  const std::string& sourceName() const;
  // Where the entry is read from: a top-level entry's path as it was added;
  // below it, the parent's path and the entry's name.
  std::string SourcePath() const;

  // sourceName after the tree's naming rule and any collision rename. The
  // tree sets it; renaming it elsewhere would change sourceName too.
  std::string discName;
  // The ISO 9660 identifier of this entry in its directory (without ";1"),
  // unique among its siblings. Set by the layout of each burn.
  std::string isoName;

  SourceNode* parent = nullptr;  // the directory holding this entry; null at the top level

  std::int64_t creationTime = 0;  // seconds since 1970
  std::uint64_t fileSize = 0;     // a file: its full size in bytes when it was scanned
  std::uint32_t isoExtent = 0;     // first sector of the ISO 9660 extent
  std::uint32_t jolietExtent = 0;  // first sector of the Joliet extent (a file: same as isoExtent)
  // A file: low 32 bits of its size. A directory: byte size of its ISO 9660
  // records, rounded up to whole sectors (set by the layout).
  std::uint32_t dataLength = 0;
  std::uint32_t jolietDirLength = 0;  // a directory: Joliet records, rounded up to whole sectors
  bool isDirectory = false;
  // Recorded by an earlier session of the disc: a file keeps its extent there
  // and is not read again. A directory is written anew either way.
  bool fromPreviousSession = false;

  // The ISO 9660 identifier an earlier session gave the entry, kept by every
  // later one; empty when the entry is new or its ISO 9660 record was not found.
  const std::string& previousIsoName() const;
  void SetPreviousIsoName(const std::string& name);

  // The directory's entries in sibling order (empty for files and empty folders).
  const EntryList& children() const;
  SourceNode* firstChild() const { return children().empty() ? nullptr : children().front().get(); }

 private:
  friend class SourceTree;
  friend class FolderScan;

  // What only some entries have.
  struct Apart {
    std::string sourceName;       // when it is not discName
    std::string sourcePath;       // when it is not the parent's path and sourceName
    std::string previousIsoName;
  };
  Apart& apart();
  // Keeps sourceName as it is before discName changes.
  void KeepSourceName();
  EntryList& ownChildren();

  std::unique_ptr<Apart> apart_;
  std::unique_ptr<EntryList> children_;  // a directory's, once it has any
};

}  // namespace brenmark::datadisc
