#include "targets/win32/tree_view.h"

#include <functional>

#include "platform/text.h"
#include "platform/win32/fs_win32.h"
#include "targets/entry.h"

namespace mv::win {

void TreeViewMirror::SetFolderIcons(int closed, int open, HIMAGELIST systemSmall) {
  closedIcon_ = closed;
  openIcon_ = open;
  imageList_ = systemSmall;
}

void TreeViewMirror::NodeAdded(Node& node) {
  node.image = closedIcon_;
  node.selectedImage = openIcon_;
  // The same list every time: setting it again would only make the control repaint.
  if (imageList_ && TreeView_GetImageList(tree_, TVSIL_NORMAL) != imageList_) {
    // The control moves its indent to the icons' width when they are wider than 19 (a display
    // above 96 DPI under Wine): the window's own indent stays.
    const UINT indent = TreeView_GetIndent(tree_);
    TreeView_SetImageList(tree_, imageList_, TVSIL_NORMAL);
    TreeView_SetIndent(tree_, indent);
  }
  TVINSERTSTRUCTA ins{};
  ins.hParent = node.parent ? ItemOf(node.parent) : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  // Every build ends with the whole tree expanded; a node that arrives expanded costs nothing,
  // where expanding a built tree node by node lays the whole view out again for each one.
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  ins.item.state = TVIS_EXPANDED;
  ins.item.stateMask = TVIS_EXPANDED;
  ins.item.pszText = const_cast<char*>(node.text.c_str());
  ins.item.lParam = reinterpret_cast<LPARAM>(&node);
  ins.item.iImage = node.image;
  ins.item.iSelectedImage = node.selectedImage;
  HTREEITEM item = reinterpret_cast<HTREEITEM>(
      SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  if (item) items_[&node] = item;
}

void TreeViewMirror::Forget(Node& node) {
  items_.erase(&node);
  for (auto& child : node.children) Forget(*child);
}

void TreeViewMirror::NodeRemoving(Node& node) {
  HTREEITEM item = ItemOf(&node);
  Forget(node);
  if (item) TreeView_DeleteItem(tree_, item);
}

void TreeViewMirror::Cleared() {
  items_.clear();
  TreeView_DeleteAllItems(tree_);
}

void TreeViewMirror::NodeChanged(Node& node) {
  HTREEITEM item = ItemOf(&node);
  if (!item) return;
  // Told once per folder as a build finishes it, mostly with nothing new: an item set anew is
  // measured and repainted, so only a real change is passed on.
  char text[1024] = {};
  TVITEMA now{};
  now.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  now.hItem = item;
  now.pszText = text;
  now.cchTextMax = sizeof text;
  const bool same = SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&now)) &&
                    node.text.size() < sizeof text - 1 && node.text == text &&
                    now.iImage == node.image && now.iSelectedImage == node.selectedImage;
  if (!same) {
    TVITEMA tvi{};
    tvi.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    tvi.hItem = item;
    tvi.pszText = const_cast<char*>(node.text.c_str());
    tvi.iImage = node.image;
    tvi.iSelectedImage = node.selectedImage;
    SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
  }
  // A folder held by its short name shows its long one; the node keeps the short name, which
  // rows and entries are matched by.
  if (!node.parent || !MayBeShortName(node.text)) return;
  const size_t i = node.IndexInParent();
  if (i >= node.parent->entries.size()) return;
  const std::string path = EntryPath(node.parent->entries[i]);
  if (PathName(path) != node.text) return;
  if (std::optional<std::wstring> longName = LongNameOutsideCodePage(path)) {
    TVITEMW wide{};
    wide.mask = TVIF_HANDLE | TVIF_TEXT;
    wide.hItem = item;
    wide.pszText = longName->data();
    SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&wide));
  }
}

Node* TreeViewMirror::NodeOf(HTREEITEM item) const {
  if (!item) return nullptr;
  TVITEMA tvi{};
  tvi.mask = TVIF_HANDLE | TVIF_PARAM;
  tvi.hItem = item;
  if (!SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi))) return nullptr;
  Node* node = reinterpret_cast<Node*>(tvi.lParam);
  return items_.count(node) ? node : nullptr;  // never trust an item we no longer own
}

HTREEITEM TreeViewMirror::ItemOf(const Node* node) const {
  auto it = items_.find(node);
  return it == items_.end() ? nullptr : it->second;
}

Node* TreeViewMirror::Selected() const { return NodeOf(TreeView_GetSelection(tree_)); }

void TreeViewMirror::Select(Node* node) {
  TreeView_SelectItem(tree_, node ? ItemOf(node) : nullptr);
}

void TreeViewMirror::ExpandAll(bool expand) {
  // Painting stays off throughout, and the view is laid out once at the end.
  BeginUpdate();
  if (expand) {
    // The state is set item by item, with no layout in between; the order does not matter.
    for (const auto& [node, item] : items_) {
      if (node->children.empty() ||
          (TreeView_GetItemState(tree_, item, TVIS_EXPANDED) & TVIS_EXPANDED))
        continue;
      TVITEMA tvi{};
      tvi.mask = TVIF_HANDLE | TVIF_STATE;
      tvi.hItem = item;
      tvi.state = TVIS_EXPANDED;
      tvi.stateMask = TVIS_EXPANDED;
      SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
    }
  } else {
    // Outermost first, so that a selection inside a folded node moves up to it, as a click on
    // the node's button would move it.
    std::function<void(HTREEITEM)> walk = [&](HTREEITEM item) {
      for (; item; item = TreeView_GetNextSibling(tree_, item)) {
        HTREEITEM child = TreeView_GetChild(tree_, item);
        if (child && (TreeView_GetItemState(tree_, item, TVIS_EXPANDED) & TVIS_EXPANDED))
          TreeView_Expand(tree_, item, TVE_COLLAPSE);
        walk(child);
      }
    };
    walk(TreeView_GetRoot(tree_));
  }
  EndUpdate();
}

void TreeViewMirror::BeginUpdate() {
  if (updateDepth_++ == 0) SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
}

void TreeViewMirror::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) {
    SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree_, nullptr, TRUE);
  }
}

}  // namespace mv::win
