#include "datadisc/FolderScan.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "datadisc/SourceTree.h"
#include "platform/File.h"
#include "platform/Utf8Path.h"

namespace brenmark::datadisc {

SourceNode* FolderScan::AddPath(const std::string& path, SourceNode* parent) {
  if (Stopped()) return nullptr;
  const std::filesystem::path where = platform::PathFromUtf8(path);
  std::string reason;
  const auto status = platform::ReadFileStatus(where, &reason);
  if (!status || LeftOut(*status, reason)) {
    NoteUnreadable(path, reason);
    return nullptr;
  }
  if (status->kind == platform::FileKind::Regular) {
    platform::File probe;
    if (!probe.OpenSource(where)) {
      NoteUnreadable(path, probe.lastError());
      return nullptr;
    }
  }
  SourceNode* node = tree_.AddEntry(parent, path, *status);
  if (status->isDirectory()) {
    platform::Directory folder;
    if (!folder.Open(where)) {
      NoteUnreadable(path, folder.lastError());
      return node;
    }
    Level top{std::move(folder), node, path, {status->device, status->inode}, {}};
    if (ShouldEnter(top, nullptr)) Walk(std::move(top));
    EnterLinkedFolders();
  }
  return node;
}

void FolderScan::EnterLinkedFolders() {
  for (std::size_t i = 0; i < linkedFolders_.size() && !Stopped(); ++i) {
    Subfolder linked = linkedFolders_[i];
    if (entered_.contains(linked.identity)) {
      NoteRepeat(std::move(linked.path), linked.identity, linked.node);
      continue;
    }
    platform::Directory folder;
    if (!folder.Open(platform::PathFromUtf8(linked.path))) {
      NoteUnreadable(std::move(linked.path), folder.lastError());
      continue;
    }
    // A link may lead anywhere: its folder is checked as a mount point is.
    Level level{std::move(folder), linked.node, std::move(linked.path), linked.identity, {}};
    if (ShouldEnter(level, nullptr)) Walk(std::move(level));
  }
  linkedFolders_.clear();
}

void FolderScan::NoteRepeat(std::string path, const Identity& identity, const SourceNode* node) {
  const SourceNode* filled = entered_.at(identity);
  for (const SourceNode* above = node; above != nullptr; above = above->parent) {
    if (above == filled) return;
  }
  NoteUnreadable(std::move(path), "the same folder as one scanned before: left empty");
}

bool FolderScan::LeftOut(const platform::FileStatus& status, std::string& reason) {
  switch (status.kind) {
    case platform::FileKind::Regular:
    case platform::FileKind::Directory: return false;
    case platform::FileKind::UnresolvedLink: return true;  // `reason` says why
    case platform::FileKind::NamedPipe:
    case platform::FileKind::Socket:
    case platform::FileKind::Device:
    case platform::FileKind::Other: break;
  }
  // Reading one would block, have effects of its own or give no contents.
  reason = std::string(platform::FileKindText(status.kind)) + ", not a file: skipped";
  return true;
}

bool FolderScan::ShouldEnter(const Level& level, const Identity* parent) {
  // Only a mount point can lie on another file system than its parent.
  if (parent == nullptr || parent->device != level.identity.device) {
    if (const std::string system = level.folder.PseudoFileSystem(); !system.empty()) {
      NoteUnreadable(level.path, "a " + system + " pseudo file system, which describes the running system: not scanned");
      return false;
    }
  }
  return entered_.emplace(level.identity, level.node).second;
}

bool FolderScan::Stopped() {
  if (!stop_.stop_requested()) return false;
  tree_.scanStopped_ = true;
  return true;
}

void FolderScan::Walk(Level top) {
  std::vector<Level> levels;
  levels.push_back(std::move(top));
  AddEntriesOf(levels.back());
  while (!levels.empty() && !Stopped()) {
    Level& level = levels.back();
    if (level.next == level.subfolders.size()) {
      levels.pop_back();
      continue;
    }
    const Subfolder subfolder = level.subfolders[level.next++];
    std::string path = JoinSourcePath(level.path, subfolder.node->sourceName());
    // A folder met before is not entered again, so that links can neither
    // make the scan loop nor multiply it.
    if (entered_.contains(subfolder.identity)) {
      NoteRepeat(std::move(path), subfolder.identity, subfolder.node);
      continue;
    }
    platform::Directory inner;
    if (!inner.OpenAt(level.folder, subfolder.node->sourceName())) {
      NoteUnreadable(std::move(path), inner.lastError());
      continue;
    }
    Level next{std::move(inner), subfolder.node, std::move(path), subfolder.identity, {}};
    if (!ShouldEnter(next, &level.identity)) continue;
    levels.push_back(std::move(next));
    AddEntriesOf(levels.back());
  }
}

void FolderScan::AddEntriesOf(Level& level) {
  if (folderEntered_) folderEntered_(level.path);
  if (!level.folder.List(names_)) {
    NoteUnreadable(level.path, level.folder.lastError());
    return;
  }
  EntryList fresh;
  fresh.reserve(names_.size());
  std::vector<Subfolder> linked;
  std::string reason;
  for (const std::string& name : names_) {
    if (Stopped()) break;
    const auto status = level.folder.StatusOf(name, &reason);
    if (!status || LeftOut(*status, reason)) {
      NoteUnreadable(JoinSourcePath(level.path, name), reason);
      continue;
    }
    // Only regular files with contents are opened to find out: an empty file
    // is never read.
    if (status->kind == platform::FileKind::Regular && status->size > 0) {
      platform::File probe;
      if (!probe.OpenSourceAt(level.folder, name)) {
        NoteUnreadable(JoinSourcePath(level.path, name), probe.lastError());
        continue;
      }
    }
    fresh.push_back(tree_.MakeNode(level.node, name, *status));
    if (!status->isDirectory()) continue;
    const Identity identity{status->device, status->inode};
    if (status->throughLink) {
      linked.push_back({fresh.back().get(), identity, JoinSourcePath(level.path, name)});
    } else {
      level.subfolders.push_back({fresh.back().get(), identity, {}});
    }
  }
  // By name, so that which of two names of one folder is filled does not
  // depend on the listing's order.
  const auto byName = [](const Subfolder& a, const Subfolder& b) {
    return a.node->sourceName() < b.node->sourceName();
  };
  std::sort(level.subfolders.begin(), level.subfolders.end(), byName);
  std::sort(linked.begin(), linked.end(), byName);
  linkedFolders_.insert(linkedFolders_.end(), std::make_move_iterator(linked.begin()),
                        std::make_move_iterator(linked.end()));
  tree_.InsertAll(tree_.ListOf(level.node), std::move(fresh));
}

void FolderScan::NoteUnreadable(std::string path, const std::string& reason) {
  tree_.unreadable_.push_back({std::move(path), reason});
}

}  // namespace brenmark::datadisc
