#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "datadisc/Names.h"
#include "datadisc/PreviousSession.h"
#include "datadisc/SourceNode.h"
#include "platform/FileStatus.h"

namespace brenmark::datadisc {

using platform::FileStatus;

// An entry the scan found but cannot read: a symbolic link whose target
// cannot be reached, a file that cannot be opened, a folder that cannot be
// listed. The entry is left out of the tree (a folder stays, empty).
struct UnreadableEntry {
  std::string path;
  std::string reason;  // the system's text
};

// Which name sets the image carries, and how long its ISO 9660 names may be.
enum class NamingMode : std::int32_t { IsoOnly = 1, IsoAndJoliet = 2 };
enum class IsoLevel : std::uint32_t { Names83 = 0, Names30 = 1 };

// The folder chosen for a data disc: every entry with its names, sizes and
// times, the volume label and the options that decide what the image holds.
// The layout of a burn writes addresses and sizes into the nodes.
class SourceTree {
 public:
  static constexpr NamingMode kIsoOnly = NamingMode::IsoOnly;
  static constexpr NamingMode kIsoAndJoliet = NamingMode::IsoAndJoliet;
  static constexpr IsoLevel kIso83Names = IsoLevel::Names83;
  static constexpr IsoLevel kIso30Names = IsoLevel::Names30;
  // The label the main window gives every new tree.
  static constexpr std::string_view kDefaultVolumeLabel = "TestDisc";
  // The name given to a chosen folder whose real path has no last component
  // (the file system root "/").
  static constexpr std::string_view kUnnamedFolderName = "root";

  SourceTree(NamingMode namingMode, IsoLevel isoLevel, bool useFileTimes, bool xaRecords);
  ~SourceTree();
  SourceTree(const SourceTree&) = delete;
  SourceTree& operator=(const SourceTree&) = delete;

  std::string volumeLabel;
  std::uint32_t depth = 1;  // nested entry lists, set by ComputeDepth
  NamingMode namingMode;
  IsoLevel isoLevel;
  bool useFileTimes;        // file records carry the file's creation time
  bool xaRecords;           // records carry the CD-XA system use field

  bool joliet() const { return namingMode != kIsoOnly; }

  // The disc root directory's entries in sibling order.
  const EntryList& entries() const { return entries_; }

  // What AddPath could not read or left out, in the order they met it.
  const std::vector<UnreadableEntry>& unreadable() const { return unreadable_; }
  // True when a stop request ended an AddPath before it had scanned everything.
  bool scanStopped() const { return scanStopped_; }

  // Sets the label; in ISO-only mode it is made an 8.3 name.
  void SetVolumeLabel(std::string_view text);

  // Adds the entry at `path` to `parent`'s children (the top level when
  // `parent` is null), reading its status from the file system. A path that
  // cannot be examined gives a file of 0 bytes. Returns the new node. A path
  // ending in "." or ".." is named by the last component of its real path.
  SourceNode* AddEntry(SourceNode* parent, const std::string& path);
  // The same with the status given by the caller.
  SourceNode* AddEntry(SourceNode* parent, const std::string& path, const FileStatus& status);

  // Told the path of each folder as the scan enters it, on the scanning thread.
  using FolderEntered = std::function<void(const std::string& path)>;

  // AddEntry; for a folder, then every entry below it (see FolderScan). What
  // cannot be read is noted in unreadable() instead of added (the path
  // itself: null is returned). A request on `stop` ends the scan at the next
  // entry, leaving scanStopped() true.
  SourceNode* AddPath(const std::string& path, SourceNode* parent, std::stop_token stop = {},
                      FolderEntered entered = {});

  // Adds the entries an earlier session recorded, so that the tree is the
  // union of both: directories of equal names are merged; an entry whose name
  // a new one already has is left out and its path on the disc ("/a/b.txt")
  // added to `replaced`. Returns how many previous entries the tree now holds.
  std::size_t MergePreviousSession(std::vector<PreviousEntry>& previous, std::vector<std::string>& replaced);

  // Computes and stores `depth`: the deepest nesting of entry lists, at least 1.
  std::uint32_t ComputeDepth();

  // Frees every node and forgets what could not be read.
  void Clear();

  // A deep copy with every node's names, sizes, times and extents, so that a
  // burn can lay out its own tree while the original stays as it was.
  std::unique_ptr<SourceTree> Clone() const;

  // How long discName may be under the tree's naming rule.
  NameLength DiscNameLength() const;
  // The discName rule of the tree's mode, applied in place.
  void MakeDiscName(std::string& name) const;
  // The ISO 9660 rule of the tree's isoLevel, applied in place.
  void MakeIsoName(std::string& name) const;
  // The byte limit of ISO 9660 identifiers under the tree's isoLevel.
  std::size_t IsoNameLimit() const;

 private:
  friend class FolderScan;

  EntryList& ListOf(SourceNode* parent) { return parent ? parent->ownChildren() : entries_; }
  // A node named `name` under the tree's naming rule.
  std::unique_ptr<SourceNode> MakeNode(SourceNode* parent, std::string_view name, const FileStatus& status) const;
  // Inserts nodes in the given order, renaming each one that meets an equal
  // name, as if each had been added on its own.
  void InsertAll(EntryList& list, EntryList fresh) const;
  std::unique_ptr<SourceNode> MakePreviousNode(const PreviousEntry& entry, SourceNode* parent) const;

  EntryList entries_;
  std::vector<UnreadableEntry> unreadable_;
  bool scanStopped_ = false;
};

}  // namespace brenmark::datadisc
