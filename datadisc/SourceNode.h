#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brenmark::datadisc {

class SourceNode;

// An entry list: the tree's top-level entries or a directory's children, in
// ascending order of discName under CompareNames, no two names equal.
using EntryList = std::vector<std::unique_ptr<SourceNode>>;

// One file or directory of the source tree.
class SourceNode {
 public:
  std::string sourcePath;  // where the entry is read from, as it was added
  // The entry's name in its folder: the last component of sourcePath (at the
  // top level, of its real path when sourcePath ends in "." or "..").
  std::string sourceName;
  std::string discName;    // sourceName after the tree's naming rule and any collision rename
  bool isDirectory = false;

  std::uint32_t isoExtent = 0;     // first sector of the ISO 9660 extent
  std::uint32_t jolietExtent = 0;  // first sector of the Joliet extent (a file: same as isoExtent)
  // A file: low 32 bits of its size. A directory: byte size of its ISO 9660
  // records, rounded up to whole sectors (set by the layout).
  std::uint32_t dataLength = 0;
  std::uint32_t jolietDirLength = 0;  // a directory: Joliet records, rounded up to whole sectors
  std::int64_t creationTime = 0;      // seconds since 1970
  std::uint64_t fileSize = 0;         // a file: its full size in bytes when it was scanned

  // The ISO 9660 identifier of this entry in its directory (without ";1"),
  // unique among its siblings. Set by the layout of each burn.
  std::string isoName;

  // Recorded by an earlier session of the disc: a file keeps its extent there
  // and is not read again. A directory is written anew either way.
  bool fromPreviousSession = false;
  // The ISO 9660 identifier an earlier session gave the entry, kept by every
  // later one; empty when the entry is new or its ISO 9660 record was not found.
  std::string previousIsoName;

  SourceNode* parent = nullptr;  // the directory holding this entry; null at the top level

  // The directory's entries in sibling order (empty for files and empty folders).
  const EntryList& children() const { return children_; }
  SourceNode* firstChild() const { return children_.empty() ? nullptr : children_.front().get(); }

 private:
  friend class SourceTree;
  EntryList children_;
};

}  // namespace brenmark::datadisc
