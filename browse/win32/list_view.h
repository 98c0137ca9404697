// ListView1 over a real SysListView32, the shell and locale date services, the tree port over the
// tree view mirror, and the routing of the two controls' notifications to the Browser.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "browse/browser.h"
#include "platform/win32/handles.h"
#include "platform/win32/win.h"
#include "platform/win32/window.h"
#include "targets/win32/tree_view.h"

namespace mv::win {

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ImageList_Destroy(h); }
};
using ScopedImageList = Scoped<ImageListTraits>;

struct ShellFolderTraits {
  using Handle = IShellFolder*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { h->Release(); }
};
using ScopedShellFolder = Scoped<ShellFolderTraits>;

struct ShellEnumTraits {
  using Handle = IEnumIDList*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { h->Release(); }
};
using ScopedShellEnum = Scoped<ShellEnumTraits>;

struct PidlTraits {
  using Handle = LPITEMIDLIST;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ILFree(h); }
};
using ScopedPidl = Scoped<PidlTraits>;

// One of the shell's icons kept for a batch, with the bitmaps of its face: an image list takes
// those many times faster than the icon.
struct SharedIcon {
  ScopedIcon icon;
  ScopedGdi color, mask;  // null when the face is not a plain colour bitmap
  int width = 0, height = 0;
};

// An icon of its own (freed with it), or one of the shell's batch cache.
class Win32ShellIcon : public ShellIcon {
 public:
  explicit Win32ShellIcon(HICON icon) : owned_(icon), icon_(icon) {}
  explicit Win32ShellIcon(const SharedIcon& shared) : icon_(shared.icon.Get()), shared_(&shared) {}
  HICON Get() const { return icon_; }
  const SharedIcon* Shared() const { return shared_; }

 private:
  ScopedIcon owned_;
  HICON icon_ = nullptr;
  const SharedIcon* shared_ = nullptr;
};

// The file list control: report style, several selected rows, selection kept visible, no
// sorting, no label editing, and two image lists it owns (filled per fill, one image per icon).
// A list of owner data (LVS_OWNERDATA): the control holds the number of rows and their states,
// nothing else; captions, cells and images are asked of the browser by the control's callbacks,
// in Unicode where the parent answers the list's notify-format query with AnswerNotifyFormat (a
// caption the code page cannot hold is shown as the shell gives it).
class ListView1 : public ListViewPort {
 public:
  ListView1() = default;
  ~ListView1() override;
  ListView1(const ListView1&) = delete;
  ListView1& operator=(const ListView1&) = delete;

  // Creates the control as a child of the parent; false when the window cannot be made.
  bool Create(HWND parent, int id);
  // Takes over a list view made elsewhere with LVS_OWNERDATA (a style a list takes only when it
  // is made): the other styles, columns and image lists are set up here.
  void Attach(HWND list);
  HWND Handle() const { return list_; }

  // Mouse buttons and key releases inside the control go to the browser's rules.
  void Connect(Browser* browser) { browser_ = browser; }

  void SetViewStyle(ViewStyle style);
  ViewStyle GetViewStyle() const;
  HIMAGELIST SmallImages() const { return small_.Get(); }
  HIMAGELIST LargeImages() const { return large_.Get(); }

  size_t RowCount() const override;
  void DeleteAll() override;
  void ClearImages() override;
  void ReserveRows(size_t rows) override;
  int AddImages(const ShellIcon* small, const ShellIcon* large) override;
  void AppendRows(size_t count) override;
  // A row's text as the browser gives it (the caption in the code page), or the control's.
  std::string Cell(size_t row, int column) const;
  bool IsSelected(size_t row) const override;
  void SetSelected(size_t row, bool selected) override;
  void SelectAll() override;
  size_t SelectedCount() const override;
  std::vector<size_t> SelectedRows() const override;
  void DeleteRow(size_t row) override;
  std::optional<size_t> FirstSelected() const override;
  void SuspendRedraw() override;
  void ResumeRedraw() override;

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void Detach();
  void AfterInput(bool range);
  void MakeImageLists(int capacity, int grow);

  HWND list_ = nullptr;
  Subclass hook_;
  ScopedImageList small_, large_;
  // Within one fill, the index each pair of the shell's shared icons went to: rows showing the
  // same icons show the same image.
  std::map<std::pair<const SharedIcon*, const SharedIcon*>, int> sharedImages_;
  int redrawDepth_ = 0;
  Browser* browser_ = nullptr;
};

// Icons and display names as SHGetFileInfoA gives them; ShellExecuteA "OPEN" owned by the main
// window. SHGetFileInfoA binds the path's folder afresh on every call, which costs time in
// proportion to the folder's size; inside a batch the folder is bound once and each name is
// looked up in it, with the system image list's icons shared per image.
class ShellWin32 : public ShellPort {
 public:
  explicit ShellWin32(HWND owner = nullptr) : owner_(owner) {}
  ShellWin32(const ShellWin32&) = delete;
  ShellWin32& operator=(const ShellWin32&) = delete;
  void SetOwner(HWND owner) { owner_ = owner; }
  ShellInfo Describe(const std::string& path, bool smallIcon) override;
  void Open(const std::string& path) override;
  void BeginBatch() override { ++batchDepth_; }
  void EndBatch() override;

 private:
  // What the bound folder knows of one path; image -1 when it could not answer.
  struct Known {
    std::string path;
    std::string displayName;
    std::wstring wideName;
    int image = -1;
  };
  Known LookUp(const std::string& path);
  // The display name in the code page, or the path's own name and the wide one beside it.
  static void Name(Known& known, const std::string& path, const std::wstring& display);
  const SharedIcon* SystemIcon(int image, bool smallIcon);
  // The bound folder's item of this name: from one listing of the folder once many of its
  // names have been asked for (parsing each name costs more than listing them all), else parsed.
  LPITEMIDLIST ChildOf(const std::wstring& name);

  HWND owner_;
  int batchDepth_ = 0;
  std::string folderPath_;  // the folder folder_ was bound to (or failed to bind to)
  ScopedShellFolder folder_;
  int parsed_ = 0;                                       // names parsed in the bound folder
  std::unordered_map<std::wstring, ScopedPidl> listed_;  // its listing, by name
  std::optional<Known> last_;  // each row asks for its large icon, then its small one
  HIMAGELIST systemLarge_ = nullptr, systemSmall_ = nullptr;  // the shell's: never freed
  std::map<int, SharedIcon> largeIcons_, smallIcons_;
};

// The user's short date and long time formats.
class DateFormatWin32 : public DateFormatter {
 public:
  std::string ShortDate(uint32_t dos) override;
  std::string LongTime(uint32_t dos) override;
  std::string FileTimeText(uint64_t fileTime) override;
};

// The tree port over the tree view mirror: removals go through the target tree, which tells the
// mirror, so the control and the model never part.
class DirTreePort : public TreeViewPort {
 public:
  DirTreePort(TargetTree& tree, TreeViewMirror& mirror) : tree_(tree), mirror_(mirror) {}
  Node* Selected() const override { return mirror_.Selected(); }
  void Select(Node* node) override { mirror_.Select(node); }
  Node* FirstNode() const override { return tree_.FirstNode(); }
  void Remove(Node& node) override { tree_.Remove(node); }
  void RemoveAll() override { tree_.Clear(); }
  void ExpandAll(bool expand) override { mirror_.ExpandAll(expand); }

 private:
  TargetTree& tree_;
  TreeViewMirror& mirror_;
};

// Hands a WM_NOTIFY of the list or the tree to the browser: the list's requests for a row's texts
// and image (LVN_GETDISPINFOA/W), LVN_ITEMCHANGED and LVN_ODSTATECHANGED (state changes),
// LVN_ODFINDITEMA/W (typing), NM_CLICK, NM_DBLCLK, LVN_KEYDOWN and TVN_SELCHANGED, with result
// the answer the window returns. False when the notification is not one of these; the caller
// then gives it to DefWindowProc.
bool RouteBrowseNotify(Browser& browser, const ListView1& list, const TreeViewMirror& mirror,
                       NMHDR& header, LRESULT& result);
// WM_NOTIFYFORMAT of the parent: the list's notifications come in Unicode, so a caption the code
// page cannot hold reaches the control whole. False when the message is not the list's query.
bool AnswerNotifyFormat(const ListView1& list, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

}  // namespace mv::win
