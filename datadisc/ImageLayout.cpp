#include "datadisc/ImageLayout.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_set>

#include "datadisc/CollisionResolver.h"
#include "datadisc/DirectoryRecords.h"
#include "datadisc/IsoBytes.h"

namespace brenmark::datadisc {
namespace {

constexpr std::uint64_t kLargestFile = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t kSystemAreaSectors = 16;

// Gives the entries of one list their ISO identifiers, renaming the second
// and later of equal ones. Names an earlier session recorded stay as they
// were; a new entry that would take one of them is renamed.
void NameIsoEntries(const EntryList& list, const SourceTree& tree) {
  for (const auto& node : list) {
    if (!node->previousIsoName().empty()) {
      node->isoName = node->previousIsoName();
      continue;
    }
    node->isoName = node->discName;
    tree.MakeIsoName(node->isoName);
  }
  if (list.size() < 2) return;

  std::unordered_set<std::string_view> kept;
  kept.reserve(list.size());
  for (const auto& node : list) {
    if (!node->previousIsoName().empty()) kept.insert(node->isoName);
  }
  std::vector<SourceNode*> duplicates;
  for (const auto& node : list) {
    if (!node->previousIsoName().empty()) continue;
    if (!kept.insert(node->isoName).second) duplicates.push_back(node.get());
  }
  if (duplicates.empty()) return;

  std::unordered_set<std::string> renamed;
  CollisionResolver resolver(NameLength{tree.IsoNameLimit(), LengthUnit::Bytes});
  for (SourceNode* node : duplicates) {
    resolver.Resolve(node->isoName, [&](const std::string& name) {
      return kept.contains(name) || renamed.contains(name);
    });
    renamed.insert(node->isoName);
  }
}

}  // namespace

ImageLayout::ImageLayout(SourceTree& tree, std::uint32_t sessionStart_)
    : sessionStart(sessionStart_), tree_(tree) {}

LayoutResult ImageLayout::Prepare() {
  if (tree_.entries().empty()) return {LayoutStatus::NoEntries, {}};

  std::vector<const EntryList*> pending{&tree_.entries()};
  while (!pending.empty()) {
    const EntryList& list = *pending.back();
    pending.pop_back();
    for (const auto& node : list) {
      if (node->isDirectory) {
        pending.push_back(&node->children());
      } else if (node->fileSize > kLargestFile) {
        return {LayoutStatus::FileTooLarge,
                "The file \"" + node->SourcePath() +
                    "\" is 4 GB or larger; files of that size cannot be burned yet."};
      }
    }
    NameIsoEntries(list, tree_);
  }
  return {};
}

LayoutResult ImageLayout::BuildPathTables(const std::function<void(std::uint32_t)>& afterLevel) {
  if (!pathTables_.BuildLevels(tree_, afterLevel)) {
    return {LayoutStatus::TooManyDirectories, "The folder holds more than " +
                                                  std::to_string(PathTableList::kMaxDirectories) +
                                                  " directories, the most a disc can hold."};
  }
  isoPathTableSize = pathTables_.IsoPathTableSize();
  jolietPathTableSize = tree_.joliet() ? pathTables_.JolietPathTableSize() : 0;
  return {};
}

void ImageLayout::AssignPathTableSectors() {
  primaryDescriptor = sessionStart + kSystemAreaSectors;
  if (tree_.joliet()) {
    jolietDescriptor = primaryDescriptor + 1;
    terminator = jolietDescriptor + 1;
  } else {
    terminator = primaryDescriptor + 1;
  }
  next_ = terminator + 1ULL;

  const std::uint64_t isoSectors = SectorsFor(isoPathTableSize);
  isoLTable = static_cast<std::uint32_t>(next_);
  isoMTable = static_cast<std::uint32_t>(next_ + isoSectors);
  next_ += 2 * isoSectors;
  if (tree_.joliet()) {
    const std::uint64_t jolietSectors = SectorsFor(jolietPathTableSize);
    jolietLTable = static_cast<std::uint32_t>(next_);
    jolietMTable = static_cast<std::uint32_t>(next_ + jolietSectors);
    next_ += 2 * jolietSectors;
  }
}

void ImageLayout::AssignIsoDirectories(const std::function<void()>& afterDirectory) {
  isoRootExtent = static_cast<std::uint32_t>(next_);
  isoRootSize = IsoDirectorySize(tree_.entries(), tree_.xaRecords);
  next_ += SectorsFor(isoRootSize);
  if (afterDirectory) afterDirectory();

  auto& entries = pathTables_.entries();
  isoSizes_.assign(entries.size(), 0);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    isoSizes_[i] = IsoDirectorySize(entries[i].node->children(), tree_.xaRecords);
    entries[i].isoExtent = static_cast<std::uint32_t>(next_);
    next_ += SectorsFor(isoSizes_[i]);
    if (afterDirectory) afterDirectory();
  }
}

void ImageLayout::AssignJolietDirectories(const std::function<void()>& afterDirectory) {
  jolietRootExtent = static_cast<std::uint32_t>(next_);
  jolietRootSize = JolietDirectorySize(tree_.entries(), tree_.xaRecords);
  next_ += SectorsFor(jolietRootSize);
  if (afterDirectory) afterDirectory();

  auto& entries = pathTables_.entries();
  jolietSizes_.assign(entries.size(), 0);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    jolietSizes_[i] = JolietDirectorySize(entries[i].node->children(), tree_.xaRecords);
    entries[i].jolietExtent = static_cast<std::uint32_t>(next_);
    next_ += SectorsFor(jolietSizes_[i]);
    if (afterDirectory) afterDirectory();
  }
}

LayoutResult ImageLayout::AssignListExtents(const EntryList& list, std::uint16_t number,
                                            std::size_t start) {
  const auto& entries = pathTables_.entries();
  for (const auto& node : list) {
    if (node->isDirectory) {
      const PathTableEntry* entry = pathTables_.FindPath(number, node->discName, start);
      if (entry == nullptr) return {LayoutStatus::StructureError, {}};
      const auto index = static_cast<std::size_t>(entry - entries.data());
      node->isoExtent = entry->isoExtent;
      node->jolietExtent = entry->jolietExtent;
      node->dataLength = static_cast<std::uint32_t>(RoundToSectors(isoSizes_[index]));
      node->jolietDirLength = index < jolietSizes_.size()
                                  ? static_cast<std::uint32_t>(RoundToSectors(jolietSizes_[index]))
                                  : 0;
    } else if (!node->fromPreviousSession) {
      node->isoExtent = static_cast<std::uint32_t>(next_);
      node->jolietExtent = node->isoExtent;
      next_ += SectorsFor(node->dataLength);
    }
  }
  return {};
}

LayoutResult ImageLayout::AssignEntryExtents(const std::function<void()>& afterList) {
  if (!tree_.joliet()) jolietSizes_.clear();
  fileDataStart = static_cast<std::uint32_t>(next_);
  LayoutResult result = AssignListExtents(tree_.entries(), 1, 0);
  if (!result.ok()) return result;
  if (afterList) afterList();

  const auto& entries = pathTables_.entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    result = AssignListExtents(entries[i].node->children(), entries[i].number, i);
    if (!result.ok()) return result;
    if (afterList) afterList();
  }
  const std::uint64_t end = std::max<std::uint64_t>(next_, std::uint64_t{sessionStart} + kMinimumSessionSectors);
  if (end > std::numeric_limits<std::uint32_t>::max()) {
    return {LayoutStatus::ImageTooLarge,
            "The image would be larger than the 4294967295 sectors a disc can address."};
  }
  fileDataEnd = static_cast<std::uint32_t>(next_);
  imageEnd = static_cast<std::uint32_t>(end);
  return {};
}

LayoutResult ImageLayout::Run() {
  LayoutResult result = Prepare();
  if (!result.ok()) return result;
  result = BuildPathTables();
  if (!result.ok()) return result;
  AssignPathTableSectors();
  AssignIsoDirectories();
  if (tree_.joliet()) AssignJolietDirectories();
  return AssignEntryExtents();
}

}  // namespace brenmark::datadisc
