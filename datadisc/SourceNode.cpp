#include "datadisc/SourceNode.h"

#include <utility>


namespace brenmark::datadisc {
namespace {

const EntryList kNoEntries;

}  // namespace

std::string JoinSourcePath(std::string folder, std::string_view name) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  folder += name;
  return folder;
}

SourceNode::SourceNode() = default;
SourceNode::~SourceNode() = default;

const std::string& SourceNode::sourceName() const {
  return apart_ && !apart_->sourceName.empty() ? apart_->sourceName : discName;
}

std::string SourceNode::SourcePath() const {
  // An earlier session's entry has no source.
  if (fromPreviousSession) return {};
  const auto stored = [](const SourceNode& node) { return node.apart_ && !node.apart_->sourcePath.empty(); };
  // The names from the nearest node whose path is kept down to this one.
  std::vector<const SourceNode*> below;
  const SourceNode* anchor = this;
  while (!stored(*anchor) && anchor->parent != nullptr) {
    below.push_back(anchor);
    anchor = anchor->parent;
  }
  std::string path = stored(*anchor) ? anchor->apart_->sourcePath : std::string();
  for (auto node = below.rbegin(); node != below.rend(); ++node) {
    path = JoinSourcePath(std::move(path), (*node)->sourceName());
  }
  return path;
}

const std::string& SourceNode::previousIsoName() const {
  static const std::string kNone;
  return apart_ ? apart_->previousIsoName : kNone;
}

void SourceNode::SetPreviousIsoName(const std::string& name) {
  if (name.empty() && !apart_) return;
  apart().previousIsoName = name;
}

const EntryList& SourceNode::children() const { return children_ ? *children_ : kNoEntries; }

SourceNode::Apart& SourceNode::apart() {
  if (!apart_) apart_ = std::make_unique<Apart>();
  return *apart_;
}

void SourceNode::KeepSourceName() {
  if (!apart_ || apart_->sourceName.empty()) apart().sourceName = discName;
}

EntryList& SourceNode::ownChildren() {
  if (!children_) children_ = std::make_unique<EntryList>();
  return *children_;
}

}  // namespace brenmark::datadisc
