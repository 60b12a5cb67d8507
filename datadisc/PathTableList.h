#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "datadisc/SourceTree.h"

// The directories of an image numbered for the path tables, level by level,
// and the L and M path tables written from that numbering.
namespace brenmark::datadisc {

// One directory of the path tables.
struct PathTableEntry {
  SourceNode* node = nullptr;
  std::string jolietName;          // the node's discName
  std::string isoName;             // the node's ISO 9660 identifier
  std::uint16_t number = 0;        // position in the path table, the root being 1
  std::uint16_t parentNumber = 0;  // 1 for directories directly under the root
  std::uint32_t isoExtent = 0;
  std::uint32_t jolietExtent = 0;
};

// The numbered directories of one burn, in path table order: by level, then
// by parent number, then in sibling order. The disc root is number 1 and is
// not in the list.
class PathTableList {
 public:
  // Directory numbers are 16 bits wide: at most this many directories, the
  // root included.
  static constexpr std::uint32_t kMaxDirectories = 65535;

  const std::vector<PathTableEntry>& entries() const { return entries_; }
  std::vector<PathTableEntry>& entries() { return entries_; }

  // Appends a directory: the next number, and the number of the entry that
  // holds the node's parent (1 when none does). The ISO name is the node's
  // isoName when set, else its discName made an ISO name by the tree's rule.
  PathTableEntry& AppendDirectory(SourceNode& node, const SourceTree& tree);

  // Builds the list afresh: for levels 1 to tree.depth + 1, every directory of that level:
  // level 1 is the tree's entries, level L + 1 the children of level L's
  // directories in the order they were appended. `afterLevel` runs after each.
  // False, with the list stopped at kMaxDirectories, when there are more.
  bool BuildLevels(const SourceTree& tree,
                   const std::function<void(std::uint32_t level)>& afterLevel = {});

  // 1 + the number of entries (the root counts).
  std::uint32_t DirectoryCount() const { return static_cast<std::uint32_t>(entries_.size()) + 1; }

  std::uint64_t IsoPathTableSize() const;
  std::uint64_t JolietPathTableSize() const;

  // The first entry at index `start` or later with the given parent number
  // and Joliet name; null when none.
  const PathTableEntry* FindPath(std::uint16_t parentNumber, std::string_view name,
                                 std::size_t start) const;
  // The entry with the given number; null when none.
  const PathTableEntry* FindByNumber(std::uint32_t number) const;

  void Clear();

 private:
  struct Key {
    std::uint16_t parentNumber;
    std::string_view name;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const {
      return std::hash<std::string_view>()(key.name) * 31 + key.parentNumber;
    }
  };

  std::vector<PathTableEntry> entries_;
  std::unordered_map<const SourceNode*, std::uint16_t> numberOfNode_;
  // Indexes of the entries with each (parent number, name), ascending. The
  // names view the nodes' discName, which stays put while the list grows.
  std::unordered_map<Key, std::vector<std::uint32_t>, KeyHash> byName_;
};

// Fill `out` (zeroed, whole sectors of the table size) with one path table:
// the root record, then one record per entry. `bigEndian` makes the M table.
void WriteIsoPathTable(const PathTableList& list, std::uint32_t rootExtent, bool bigEndian,
                       std::span<std::uint8_t> out);
void WriteJolietPathTable(const PathTableList& list, std::uint32_t rootExtent, bool bigEndian,
                          std::span<std::uint8_t> out);

}  // namespace brenmark::datadisc
