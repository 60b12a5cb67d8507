#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "datadisc/PathTableList.h"
#include "datadisc/SourceTree.h"

namespace brenmark::datadisc {

// Why a layout cannot be made.
enum class LayoutStatus {
  Ok,
  NoEntries,           // the tree has no entries
  FileTooLarge,        // a file of 4 GiB or more
  TooManyDirectories,  // more than 65535 directories, the root included
  StructureError,      // a directory without a path table entry
  ImageTooLarge,       // addresses beyond 32 bits
};

struct LayoutResult {
  LayoutStatus status = LayoutStatus::Ok;
  // For FileTooLarge, TooManyDirectories and ImageTooLarge: a sentence for
  // the user naming the problem (and the file). Empty otherwise.
  std::string message;
  bool ok() const { return status == LayoutStatus::Ok; }
};

// Where everything of one burn's image lies. All sector numbers are absolute
// logical block addresses starting at the session start.
//
// The steps, in the order the burning job runs them (Run does all at once):
//   tree.ComputeDepth() (and, in ISO-only mode, the depth limit) by the caller;
//   Prepare, BuildPathTables, AssignPathTableSectors, AssignIsoDirectories,
//   AssignJolietDirectories (Joliet mode), AssignEntryExtents.
// The nodes of the tree receive their ISO names, extents and directory sizes.
class ImageLayout {
 public:
  // In ISO-only mode a burn lowers a deeper tree's depth to this, so that
  // levels 1 to 9 get path table entries; a directory deeper still then
  // stops AssignEntryExtents with StructureError.
  static constexpr std::uint32_t kMaxIsoOnlyDepth = 8;
  // Readers take the first 64 KiB of a session in one read to find its
  // descriptors; on a shorter session that read runs past the track's end and
  // fails, so a smaller image is filled up with zeros to this size.
  static constexpr std::uint32_t kMinimumSessionSectors = 32;

  ImageLayout(SourceTree& tree, std::uint32_t sessionStart);

  SourceTree& tree() const { return tree_; }
  const PathTableList& pathTables() const { return pathTables_; }

  // Refuses a tree without entries or with a file of 4 GiB or more, then
  // gives every entry an ISO 9660 identifier unique within its directory
  // (equal ones renamed by the collision rule, the first in sibling order
  // keeping its name, no renamed one taking a name another entry has by
  // itself). Joliet names and sibling order stay. Runs before any size is
  // computed; records, path tables and sizes all use these names.
  LayoutResult Prepare();
  // Numbers the directories level by level; `afterLevel` runs after each level.
  LayoutResult BuildPathTables(const std::function<void(std::uint32_t level)>& afterLevel = {});
  void AssignPathTableSectors();
  // `afterDirectory` runs once per directory, the root included.
  void AssignIsoDirectories(const std::function<void()>& afterDirectory = {});
  void AssignJolietDirectories(const std::function<void()>& afterDirectory = {});
  // Gives every entry its extent (files in sibling order, the root's list
  // first, then each path table entry's list; files of an earlier session
  // keep theirs) and every directory node its
  // rounded sizes. `afterList` runs once per list.
  LayoutResult AssignEntryExtents(const std::function<void()>& afterList = {});

  // All steps after ComputeDepth.
  LayoutResult Run();

  // Raw (unrounded) byte sizes of a path table entry's directory records.
  std::uint64_t IsoDirectorySizeOf(std::size_t entryIndex) const { return isoSizes_[entryIndex]; }
  std::uint64_t JolietDirectorySizeOf(std::size_t entryIndex) const {
    return jolietSizes_[entryIndex];
  }

  std::uint32_t sessionStart;
  std::uint32_t primaryDescriptor = 0;
  std::uint32_t jolietDescriptor = 0;  // Joliet mode only
  std::uint32_t terminator = 0;
  std::uint64_t isoPathTableSize = 0;
  std::uint64_t jolietPathTableSize = 0;
  std::uint32_t isoLTable = 0;
  std::uint32_t isoMTable = 0;
  std::uint32_t jolietLTable = 0;
  std::uint32_t jolietMTable = 0;
  std::uint32_t isoRootExtent = 0;
  std::uint64_t isoRootSize = 0;
  std::uint32_t jolietRootExtent = 0;
  std::uint64_t jolietRootSize = 0;
  std::uint32_t fileDataStart = 0;
  // First sector after the last file extent written in this session.
  std::uint32_t fileDataEnd = 0;
  // The end of the image: the volume space size, and the size to reserve on a
  // DVD. At least kMinimumSessionSectors past the session start; the sectors
  // from fileDataEnd to here are zeros.
  std::uint32_t imageEnd = 0;

 private:
  LayoutResult AssignListExtents(const EntryList& list, std::uint16_t number, std::size_t start);

  SourceTree& tree_;
  PathTableList pathTables_;
  std::vector<std::uint64_t> isoSizes_;
  std::vector<std::uint64_t> jolietSizes_;
  std::uint64_t next_ = 0;  // next free sector
};

}  // namespace brenmark::datadisc
