#include "datadisc/PathTableList.h"

#include <algorithm>

#include "bytes/ByteOrder.h"
#include "datadisc/Utf16.h"

namespace brenmark::datadisc {
namespace {

constexpr std::uint32_t kRootRecordSize = 10;

std::uint32_t IsoRecordSize(const PathTableEntry& entry) {
  const auto n = static_cast<std::uint32_t>(entry.isoName.size());
  return 8 + n + n % 2;
}

std::uint32_t JolietRecordSize(const PathTableEntry& entry) {
  return 8 + 2 * static_cast<std::uint32_t>(Utf16Units(entry.jolietName));
}

std::uint8_t* PutRecordHead(std::uint8_t* out, std::uint32_t identifierLength, std::uint32_t extent,
                            std::uint16_t parent, bool bigEndian) {
  out[0] = static_cast<std::uint8_t>(identifierLength);
  out[1] = 0;
  if (bigEndian) {
    bytes::WriteBe32(out + 2, extent);
    bytes::WriteBe16(out + 6, parent);
  } else {
    bytes::WriteLe32(out + 2, extent);
    bytes::WriteLe16(out + 6, parent);
  }
  return out + 8;
}

// The root record: identifier 00h and one padding byte.
std::uint8_t* PutRootRecord(std::uint8_t* out, std::uint32_t rootExtent, bool bigEndian) {
  std::uint8_t* identifier = PutRecordHead(out, 1, rootExtent, 1, bigEndian);
  identifier[0] = 0;
  identifier[1] = 0;
  return out + kRootRecordSize;
}

}  // namespace

PathTableEntry& PathTableList::AppendDirectory(SourceNode& node, const SourceTree& tree) {
  PathTableEntry entry;
  entry.node = &node;
  entry.number = static_cast<std::uint16_t>(entries_.size() + 2);
  const auto parent = numberOfNode_.find(node.parent);
  entry.parentNumber = parent == numberOfNode_.end() ? 1 : parent->second;
  entry.jolietName = node.discName;
  entry.isoName = node.isoName;
  if (entry.isoName.empty()) {
    entry.isoName = node.discName;
    tree.MakeIsoName(entry.isoName);
  }
  numberOfNode_.emplace(&node, entry.number);
  byName_[Key{entry.parentNumber, node.discName}].push_back(
      static_cast<std::uint32_t>(entries_.size()));
  entries_.push_back(std::move(entry));
  return entries_.back();
}

bool PathTableList::BuildLevels(const SourceTree& tree,
                                const std::function<void(std::uint32_t)>& afterLevel) {
  auto appendDirectoriesOf = [&](const EntryList& list) {
    for (const auto& node : list) {
      if (!node->isDirectory) continue;
      if (DirectoryCount() >= kMaxDirectories) return false;
      AppendDirectory(*node, tree);
    }
    return true;
  };

  Clear();
  std::size_t levelBegin = 0;
  for (std::uint32_t level = 1; level <= tree.depth + 1; ++level) {
    const std::size_t levelEnd = entries_.size();
    bool fits = true;
    if (level == 1) {
      fits = appendDirectoriesOf(tree.entries());
    } else {
      for (std::size_t i = levelBegin; i < levelEnd && fits; ++i) {
        fits = appendDirectoriesOf(entries_[i].node->children());
      }
    }
    if (!fits) return false;
    levelBegin = levelEnd;
    if (afterLevel) afterLevel(level);
  }
  return true;
}

std::uint64_t PathTableList::IsoPathTableSize() const {
  std::uint64_t size = kRootRecordSize;
  for (const auto& entry : entries_) size += IsoRecordSize(entry);
  return size;
}

std::uint64_t PathTableList::JolietPathTableSize() const {
  std::uint64_t size = kRootRecordSize;
  for (const auto& entry : entries_) size += JolietRecordSize(entry);
  return size;
}

const PathTableEntry* PathTableList::FindPath(std::uint16_t parentNumber, std::string_view name,
                                              std::size_t start) const {
  const auto found = byName_.find(Key{parentNumber, name});
  if (found == byName_.end()) return nullptr;
  const auto& indexes = found->second;
  const auto at = std::lower_bound(indexes.begin(), indexes.end(), start);
  return at == indexes.end() ? nullptr : &entries_[*at];
}

const PathTableEntry* PathTableList::FindByNumber(std::uint32_t number) const {
  if (number < 2 || number - 2 >= entries_.size()) return nullptr;
  return &entries_[number - 2];
}

void PathTableList::Clear() {
  entries_.clear();
  numberOfNode_.clear();
  byName_.clear();
}

void WriteIsoPathTable(const PathTableList& list, std::uint32_t rootExtent, bool bigEndian,
                       std::span<std::uint8_t> out) {
  std::uint8_t* at = PutRootRecord(out.data(), rootExtent, bigEndian);
  for (const auto& entry : list.entries()) {
    const auto n = static_cast<std::uint32_t>(entry.isoName.size());
    at = PutRecordHead(at, n, entry.isoExtent, entry.parentNumber, bigEndian);
    std::copy(entry.isoName.begin(), entry.isoName.end(), at);
    if (n % 2 != 0) at[n] = 0;
    at += n + n % 2;
  }
}

void WriteJolietPathTable(const PathTableList& list, std::uint32_t rootExtent, bool bigEndian,
                          std::span<std::uint8_t> out) {
  std::uint8_t* at = PutRootRecord(out.data(), rootExtent, bigEndian);
  for (const auto& entry : list.entries()) {
    const auto n = static_cast<std::uint32_t>(2 * Utf16Units(entry.jolietName));
    at = PutRecordHead(at, n, entry.jolietExtent, entry.parentNumber, bigEndian);
    at += WriteUtf16Be(entry.jolietName, at);
  }
}

}  // namespace brenmark::datadisc
