#include "datadisc/SourceTree.h"

#include <algorithm>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "datadisc/CollisionResolver.h"
#include "datadisc/FolderScan.h"
#include "datadisc/Names.h"
#include "platform/Utf8Path.h"

namespace brenmark::datadisc {
namespace {

// The last component of a path, ignoring trailing separators.
std::string_view LastComponent(std::string_view path) {
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The name of the entry a path leads to. A path ending in "." or ".." names
// a folder whose name is the last component of the path it resolves to;
// "root" stands for the file system root (an empty name here).
std::string EntryNameOf(const std::string& path) {
  const std::string_view last = LastComponent(path);
  if (last != "." && last != "..") return std::string(last);
  namespace fs = std::filesystem;
  const fs::path given = platform::PathFromUtf8(path);
  std::error_code error;
  fs::path real = fs::canonical(given, error);
  if (error) real = fs::absolute(given, error).lexically_normal();
  if (!real.has_filename()) real = real.parent_path();
  return platform::Utf8FromPath(real.filename());
}

bool NodeBefore(const std::unique_ptr<SourceNode>& a, const std::unique_ptr<SourceNode>& b) {
  return CompareNames(a->discName, b->discName) < 0;
}

}  // namespace

SourceTree::SourceTree(NamingMode namingMode_, IsoLevel isoLevel_, bool useFileTimes_,
                       bool xaRecords_)
    : namingMode(namingMode_),
      isoLevel(isoLevel_),
      useFileTimes(useFileTimes_),
      xaRecords(xaRecords_) {}

SourceTree::~SourceTree() { Clear(); }

void SourceTree::SetVolumeLabel(std::string_view text) {
  volumeLabel = std::string(text);
  if (!joliet()) MakeIso83Name(volumeLabel);
}

NameLength SourceTree::DiscNameLength() const {
  return joliet() ? kJolietLength : NameLength{IsoNameLimit(), LengthUnit::Bytes};
}

std::size_t SourceTree::IsoNameLimit() const {
  return isoLevel == kIso83Names ? kIso83Limit : kIso30Limit;
}

void SourceTree::MakeDiscName(std::string& name) const {
  if (joliet()) {
    MakeJolietName(name);
  } else {
    MakeIsoName(name);
  }
}

void SourceTree::MakeIsoName(std::string& name) const {
  if (isoLevel == kIso83Names) {
    MakeIso83Name(name);
  } else {
    MakeIso30Name(name);
  }
}

std::unique_ptr<SourceNode> SourceTree::MakeNode(SourceNode* parent, std::string_view name,
                                                 const FileStatus& status) const {
  auto node = std::make_unique<SourceNode>();
  const std::string_view sourceName = name.empty() ? kUnnamedFolderName : name;
  node->discName = sourceName;
  MakeDiscName(node->discName);
  if (node->discName != sourceName) node->apart().sourceName = sourceName;
  node->isDirectory = status.isDirectory();
  node->fileSize = status.isDirectory() ? 0 : status.size;
  node->dataLength = static_cast<std::uint32_t>(node->fileSize);
  node->creationTime = status.creationTime;
  node->parent = parent;
  return node;
}

SourceNode* SourceTree::AddEntry(SourceNode* parent, const std::string& path) {
  return AddEntry(parent, path,
                  platform::ReadFileStatus(platform::PathFromUtf8(path)).value_or(FileStatus{}));
}

SourceNode* SourceTree::AddEntry(SourceNode* parent, const std::string& path,
                                 const FileStatus& status) {
  auto node = MakeNode(parent, EntryNameOf(path), status);
  // The path is kept unless the parent's path and the name give it.
  if (parent == nullptr || JoinSourcePath(parent->SourcePath(), node->sourceName()) != path) {
    node->apart().sourcePath = path;
  }
  EntryList& list = ListOf(parent);
  int counter = 1;
  for (;;) {
    const auto at = std::lower_bound(list.begin(), list.end(), node, NodeBefore);
    if (at == list.end() || (*at)->discName != node->discName) {
      return list.insert(at, std::move(node))->get();
    }
    node->KeepSourceName();
    ResolveCollision(node->discName, counter++, DiscNameLength());
  }
}

void SourceTree::InsertAll(EntryList& list, EntryList fresh) const {
  std::unordered_set<std::string_view> taken;
  taken.reserve(list.size() + fresh.size());
  for (const auto& node : list) taken.insert(node->discName);
  CollisionResolver resolver(DiscNameLength());
  for (auto& node : fresh) {
    if (taken.insert(node->discName).second) continue;
    node->KeepSourceName();
    resolver.Resolve(node->discName, [&](const std::string& name) { return taken.contains(name); });
    taken.insert(node->discName);
  }
  std::sort(fresh.begin(), fresh.end(), NodeBefore);
  const auto oldSize = static_cast<std::ptrdiff_t>(list.size());
  list.insert(list.end(), std::make_move_iterator(fresh.begin()),
              std::make_move_iterator(fresh.end()));
  std::inplace_merge(list.begin(), list.begin() + oldSize, list.end(), NodeBefore);
}

SourceNode* SourceTree::AddPath(const std::string& path, SourceNode* parent, std::stop_token stop,
                                FolderEntered entered) {
  return FolderScan(*this, std::move(stop), std::move(entered)).AddPath(path, parent);
}

std::unique_ptr<SourceNode> SourceTree::MakePreviousNode(const PreviousEntry& entry, SourceNode* parent) const {
  auto node = std::make_unique<SourceNode>();
  node->fromPreviousSession = true;
  node->SetPreviousIsoName(entry.isoName);
  if (joliet()) {
    node->discName = entry.name;
  } else if (!entry.isoName.empty()) {
    node->discName = entry.isoName;
  } else {
    node->discName = entry.name;
    MakeIsoName(node->discName);
  }
  node->isDirectory = entry.isDirectory;
  if (!entry.isDirectory) {
    node->isoExtent = entry.extent;
    node->jolietExtent = entry.extent;
    node->dataLength = entry.size;
    node->fileSize = entry.size;
  }
  node->creationTime = entry.recordingTime;
  node->parent = parent;
  return node;
}

std::size_t SourceTree::MergePreviousSession(std::vector<PreviousEntry>& previous,
                                             std::vector<std::string>& replaced) {
  struct Pending {
    std::vector<PreviousEntry>* from;
    SourceNode* into;  // null: the top level
    std::string path;
  };
  std::size_t kept = 0;
  std::vector<Pending> pending{{&previous, nullptr, {}}};
  while (!pending.empty()) {
    Pending level = std::move(pending.back());
    pending.pop_back();
    EntryList& list = ListOf(level.into);
    std::unordered_map<std::string_view, SourceNode*> present;
    present.reserve(list.size() + level.from->size());
    for (const auto& node : list) present.emplace(node->discName, node.get());
    EntryList added;
    for (PreviousEntry& entry : *level.from) {
      auto node = MakePreviousNode(entry, level.into);
      std::string path = level.path + "/" + node->discName;
      const auto found = present.find(node->discName);
      if (found == present.end()) {
        ++kept;
        present.emplace(node->discName, node.get());
        if (entry.isDirectory) pending.push_back({&entry.children, node.get(), std::move(path)});
        added.push_back(std::move(node));
        continue;
      }
      SourceNode* same = found->second;
      // Twice the same name in one previous directory: the first one stands.
      if (same->fromPreviousSession) continue;
      if (same->isDirectory && entry.isDirectory) {
        ++kept;
        same->SetPreviousIsoName(entry.isoName);
        pending.push_back({&entry.children, same, std::move(path)});
      } else {
        replaced.push_back(std::move(path));
      }
    }
    std::sort(added.begin(), added.end(), NodeBefore);
    const auto oldSize = static_cast<std::ptrdiff_t>(list.size());
    list.insert(list.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    std::inplace_merge(list.begin(), list.begin() + oldSize, list.end(), NodeBefore);
  }
  return kept;
}

std::uint32_t SourceTree::ComputeDepth() {
  // Iterative, like Clear and Clone, so that a deep tree does not exhaust the stack.
  depth = 1;
  std::vector<std::pair<const EntryList*, std::uint32_t>> pending{{&entries_, 1}};
  while (!pending.empty()) {
    const auto [list, level] = pending.back();
    pending.pop_back();
    depth = std::max(depth, level);
    for (const auto& node : *list) {
      if (!node->children().empty()) pending.push_back({&node->children(), level + 1});
    }
  }
  return depth;
}

void SourceTree::Clear() {
  unreadable_.clear();
  scanStopped_ = false;
  // Children are released before their parents, without deep recursion.
  std::vector<std::unique_ptr<SourceNode>> pending;
  pending.swap(entries_);
  while (!pending.empty()) {
    std::unique_ptr<SourceNode> node = std::move(pending.back());
    pending.pop_back();
    if (node->children_) {
      for (auto& child : *node->children_) pending.push_back(std::move(child));
    }
  }
}

std::unique_ptr<SourceTree> SourceTree::Clone() const {
  auto copy = std::make_unique<SourceTree>(namingMode, isoLevel, useFileTimes, xaRecords);
  copy->volumeLabel = volumeLabel;
  copy->depth = depth;
  copy->unreadable_ = unreadable_;
  copy->scanStopped_ = scanStopped_;
  struct Pending {
    const EntryList* from;
    EntryList* to;
    SourceNode* parent;
  };
  // Iterative, like Clear, so that a deep tree does not exhaust the stack.
  std::vector<Pending> pending{{&entries_, &copy->entries_, nullptr}};
  while (!pending.empty()) {
    const Pending list = pending.back();
    pending.pop_back();
    list.to->reserve(list.from->size());
    for (const auto& node : *list.from) {
      auto twin = std::make_unique<SourceNode>();
      twin->discName = node->discName;
      twin->isoName = node->isoName;
      twin->parent = list.parent;
      twin->creationTime = node->creationTime;
      twin->fileSize = node->fileSize;
      twin->isoExtent = node->isoExtent;
      twin->jolietExtent = node->jolietExtent;
      twin->dataLength = node->dataLength;
      twin->jolietDirLength = node->jolietDirLength;
      twin->isDirectory = node->isDirectory;
      twin->fromPreviousSession = node->fromPreviousSession;
      if (node->apart_) twin->apart_ = std::make_unique<SourceNode::Apart>(*node->apart_);
      SourceNode* placed = list.to->emplace_back(std::move(twin)).get();
      if (!node->children().empty()) pending.push_back({&node->children(), &placed->ownChildren(), placed});
    }
  }
  return copy;
}

}  // namespace brenmark::datadisc
