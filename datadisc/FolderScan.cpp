#include "datadisc/FolderScan.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "datadisc/SourceTree.h"
#include "platform/File.h"
#include "platform/FileStatus.h"
#include "platform/Utf8Path.h"

namespace brenmark::datadisc {

SourceNode* FolderScan::AddPath(const std::string& path, SourceNode* parent) {
  const std::filesystem::path where = platform::PathFromUtf8(path);
  std::string reason;
  const auto status = platform::ReadFileStatus(where, &reason);
  if (!status || status->kind == platform::FileKind::UnresolvedLink) {
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
    Walk(Level{std::move(folder), node, path, {status->device, status->inode}, {}});
  }
  return node;
}

void FolderScan::Walk(Level top) {
  std::vector<Level> levels;
  levels.push_back(std::move(top));
  AddEntriesOf(levels.back());
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.subfolders.size()) {
      levels.pop_back();
      continue;
    }
    const Subfolder subfolder = level.subfolders[level.next++];
    const bool isAncestor = std::any_of(levels.begin(), levels.end(),
                                        [&](const Level& above) { return above.identity == subfolder.identity; });
    if (isAncestor) continue;
    std::string path = JoinSourcePath(level.path, subfolder.node->sourceName());
    platform::Directory inner;
    if (!inner.OpenAt(level.folder, subfolder.node->sourceName())) {
      NoteUnreadable(std::move(path), inner.lastError());
      continue;
    }
    levels.push_back(Level{std::move(inner), subfolder.node, std::move(path), subfolder.identity, {}});
    AddEntriesOf(levels.back());
  }
}

void FolderScan::AddEntriesOf(Level& level) {
  if (!level.folder.List(names_)) {
    NoteUnreadable(level.path, level.folder.lastError());
    return;
  }
  EntryList fresh;
  fresh.reserve(names_.size());
  std::string reason;
  for (const std::string& name : names_) {
    const auto status = level.folder.StatusOf(name, &reason);
    if (!status || status->kind == platform::FileKind::UnresolvedLink) {
      NoteUnreadable(JoinSourcePath(level.path, name), reason);
      continue;
    }
    // Only regular files with contents are opened to find out: opening a
    // device can have effects of its own, and an empty file is never read.
    if (status->kind == platform::FileKind::Regular && status->size > 0) {
      platform::File probe;
      if (!probe.OpenSourceAt(level.folder, name)) {
        NoteUnreadable(JoinSourcePath(level.path, name), probe.lastError());
        continue;
      }
    }
    fresh.push_back(tree_.MakeNode(level.node, name, *status));
    if (status->isDirectory()) level.subfolders.push_back({fresh.back().get(), {status->device, status->inode}});
  }
  tree_.InsertAll(tree_.ListOf(level.node), std::move(fresh));
}

void FolderScan::NoteUnreadable(std::string path, const std::string& reason) {
  tree_.unreadable_.push_back({std::move(path), reason});
}

}  // namespace brenmark::datadisc
