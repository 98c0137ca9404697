#include "targets/tree.h"

#include <algorithm>

#include "targets/entry.h"

namespace mv {

size_t Node::IndexInParent() const {
  if (!parent) return 0;
  for (size_t i = 0; i < parent->children.size(); ++i)
    if (parent->children[i].get() == this) return i;
  return 0;
}

void TargetTree::Clear() {
  if (observer_) observer_->Cleared();
  roots_.clear();
}

Node& TargetTree::AddRoot(std::string text) {
  roots_.push_back(std::make_unique<Node>());
  Node& node = *roots_.back();
  node.text = std::move(text);
  if (observer_) observer_->NodeAdded(node);
  return node;
}

Node& TargetTree::AddChild(Node& parent, std::string text) {
  parent.children.push_back(std::make_unique<Node>());
  Node& node = *parent.children.back();
  node.text = std::move(text);
  node.parent = &parent;
  if (observer_) observer_->NodeAdded(node);
  return node;
}

void TargetTree::Remove(Node& node) {
  if (observer_) observer_->NodeRemoving(node);
  auto& siblings = node.parent ? node.parent->children : roots_;
  for (auto it = siblings.begin(); it != siblings.end(); ++it) {
    if (it->get() == &node) {
      siblings.erase(it);
      return;
    }
  }
}

void TargetTree::Changed(Node& node) {
  if (observer_) observer_->NodeChanged(node);
}

namespace {
void Walk(Node& node, const std::function<void(Node&)>& fn) {
  fn(node);
  for (auto& child : node.children) Walk(*child, fn);
}
}  // namespace

void TargetTree::ForEachNode(const std::function<void(Node&)>& fn) const {
  for (auto& root : roots_) Walk(*root, fn);
}

size_t TargetTree::NodeCount() const {
  size_t n = 0;
  ForEachNode([&](Node&) { ++n; });
  return n;
}

std::string FolderPathOf(const Node& node) {
  if (!node.parent) return {};
  const size_t i = node.IndexInParent();
  return i < node.parent->entries.size() ? EntryPath(node.parent->entries[i]) : std::string();
}

std::string FindErrLine(int code, std::string_view path) {
  std::string line = "FindErr ErrCode = " + std::to_string(code) + " FileName = ";
  line += path;
  return line;
}

void InsertFolderEntry(Node& node, std::string entry) {
  size_t at = std::min(node.children.size(), node.entries.size());
  node.entries.insert(node.entries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

void AppendFileEntry(Node& node, std::string entry) { node.entries.push_back(std::move(entry)); }

}  // namespace mv
