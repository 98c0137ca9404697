// DirTreeView: the tree view control that shows the target tree. It mirrors the model through
// TreeObserver; each item's lParam is its Node.
#pragma once

#include <unordered_map>

#include "platform/win32/win.h"
#include "targets/tree.h"

namespace mv::win {

class TreeViewMirror : public TreeObserver {
 public:
  void Attach(HWND tree) { tree_ = tree; }
  HWND Handle() const { return tree_; }
  void SetFolderIcons(int closed, int open, HIMAGELIST systemSmall);

  void NodeAdded(Node& node) override;
  void NodeRemoving(Node& node) override;
  void Cleared() override;
  void NodeChanged(Node& node) override;

  Node* Selected() const;
  Node* NodeOf(HTREEITEM item) const;
  HTREEITEM ItemOf(const Node* node) const;
  void Select(Node* node);  // null clears the selection
  void ExpandAll(bool expand);
  void BeginUpdate();
  void EndUpdate();

 private:
  void Forget(Node& node);

  HWND tree_ = nullptr;
  int closedIcon_ = 0, openIcon_ = 0;
  HIMAGELIST imageList_ = nullptr;
  int updateDepth_ = 0;
  std::unordered_map<const Node*, HTREEITEM> items_;
};

}  // namespace mv::win
