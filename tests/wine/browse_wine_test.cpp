// The file list on a real list view and tree view in a window of the test's own, over real files.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <ostream>
#include <set>
#include <vector>

#include "browse/win32/list_view.h"
#include "platform/text.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "targets/entry.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

class StatusHost : public BrowseHost {
 public:
  explicit StatusHost(TargetTree& tree) : tree_(tree) {}
  void SetPanel(int panel, const std::string& text) override {
    SendMessageA(status, SB_SETTEXTA, panel, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void ShowTotals() override {
    SetPanel(1, FormatTotal(tree_.TotalCount) + "個");
    SetPanel(2, FormatTotal(tree_.TotalSize) + "ﾊﾞｲﾄ");
  }
  void SetBusy(bool) override {}
  void DisableOperations() override { disabled = true; }
  bool Closing() const override { return false; }
  bool disabled = false;
  HWND status = nullptr;

 private:
  TargetTree& tree_;
};

// Sets a file's last-write time from a local date-time.
void SetLocalTime(const std::string& path, WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
  SYSTEMTIME st{};
  st.wYear = y, st.wMonth = mo, st.wDay = d, st.wHour = h, st.wMinute = mi, st.wSecond = s;
  FILETIME local, utc;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &local));
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  SetFileTime(f, nullptr, nullptr, &utc);
  CloseHandle(f);
}

// An icon's colour and mask pixels: two icons look the same when these are equal.
std::vector<BYTE> Face(HICON icon) {
  std::vector<BYTE> bytes;
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return bytes;
  win::ScopedGdi color(info.hbmColor), mask(info.hbmMask);
  win::ScopedWindowDC dc(nullptr, GetDC(nullptr));
  for (HGDIOBJ bitmap : {color.Get(), mask.Get()}) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) continue;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<BYTE> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight * 4);
    GetDIBits(dc.Get(), static_cast<HBITMAP>(bitmap), 0, bm.bmHeight, pixels.data(), &bi,
              DIB_RGB_COLORS);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
  }
  return bytes;
}

std::vector<BYTE> ImageFace(HIMAGELIST list, int image) {
  win::ScopedIcon icon(ImageList_GetIcon(list, image, ILD_NORMAL));
  return Face(icon.Get());
}

// What SHGetFileInfoA itself says of a path: the answer the list must show.
struct Answer {
  bool found = false;
  std::string name;
  std::vector<BYTE> face;
  bool operator==(const Answer&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Answer& a) {
  return os << (a.found ? "found " : "not found ") << a.name << " (" << a.face.size()
            << " bytes of icon)";
}
Answer ShellSays(const std::string& path, bool smallIcon) {
  SHFILEINFOA info{};
  const UINT flags = SHGFI_ICON | SHGFI_DISPLAYNAME | (smallIcon ? SHGFI_SMALLICON : 0);
  const bool found = SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, flags) != 0;
  win::ScopedIcon icon(info.hIcon);
  if (!found) return {};
  return {true, info.szDisplayName, Face(icon.Get())};
}
Answer PortSays(win::ShellWin32& shell, const std::string& path, bool smallIcon) {
  ShellInfo info = shell.Describe(path, smallIcon);
  if (!info.found) return {};
  auto* icon = dynamic_cast<const win::Win32ShellIcon*>(info.icon.get());
  return {true, info.displayName, Face(icon ? icon->Get() : nullptr)};
}

class BrowseWine;
BrowseWine* g_test = nullptr;

class BrowseWine : public ::testing::Test {
 protected:
  void SetUp() override {
    win::InstallPlatformText();
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BrowseWineHost";
    RegisterClassA(&wc);
    g_test = this;
    frame = CreateWindowExA(0, wc.lpszClassName, "browse", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            700, 400, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(frame);
    treeWnd = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_SHOWSELALWAYS, 0, 0,
                              150, 300, frame, nullptr, wc.hInstance, nullptr);
    status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, frame,
                             nullptr, wc.hInstance, nullptr);
    const int right[7] = {60, 120, 220, 295, 355, 455, -1};
    SendMessageA(status, SB_SETPARTS, 7, reinterpret_cast<LPARAM>(right));
    host.status = status;
    ASSERT_TRUE(list.Create(frame, 200));
    MoveWindow(list.Handle(), 150, 0, 540, 300, TRUE);
    mirror.Attach(treeWnd);
    tree.SetObserver(&mirror);
    list.Connect(&browser);

    // Work\{Sub\{c.txt 5}, a.txt 3 (R S H), mid.txt 4 (midnight), b.txt 6}
    work = tmp / "Work";
    MakeFolder(work);
    MakeFolder(work + "\\Sub");
    WriteFile(work + "\\Sub\\c.txt", "ccccc");
    WriteFile(work + "\\a.txt", "aaa");
    WriteFile(work + "\\mid.txt", "mmmm");
    WriteFile(work + "\\b.txt", "bbbbbb");
    SetLocalTime(work + "\\a.txt", 2021, 3, 4, 5, 6, 8);
    SetLocalTime(work + "\\mid.txt", 2020, 1, 2, 0, 0, 0);
    SetFileAttributesA((work + "\\a.txt").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);

    root = &tree.AddRoot(work + "\\");
    InsertFolderEntry(*root, MakeEntry(0, work + "\\Sub"));
    sub = &tree.AddChild(*root, "Sub");
    AppendFileEntry(*sub, MakeEntry(5, work + "\\Sub\\c.txt"));
    AppendFileEntry(*root, MakeEntry(3, work + "\\a.txt"));
    AppendFileEntry(*root, MakeEntry(4, work + "\\mid.txt"));
    AppendFileEntry(*root, MakeEntry(6, work + "\\b.txt"));
    tree.TotalCount = 5;
    tree.TotalSize = 18;
    mirror.Select(root);  // the control's own notification fills the list
    PumpPending();
  }
  void TearDown() override {
    tree.SetObserver(nullptr);
    if (frame) DestroyWindow(frame);
    g_test = nullptr;
    SetFileAttributesA((work + "\\a.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT format = 0;
    if (g_test && win::AnswerNotifyFormat(g_test->list, msg, wp, lp, format)) return format;
    if (msg == WM_NOTIFY && g_test &&
        win::RouteBrowseNotify(g_test->browser, g_test->list, g_test->mirror,
                               *reinterpret_cast<NMHDR*>(lp), format))
      return format;
    return DefWindowProcA(wnd, msg, wp, lp);
  }

  // A row's text as a program reading the control from outside gets it.
  std::string Cell(int row, int column) {
    char buf[MAX_PATH] = {};
    ListView_GetItemText(list.Handle(), row, column, buf, sizeof buf);
    return buf;
  }
  int Image(int row) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list.Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  std::string Figures() { return StatusText(status, 4) + " " + StatusText(status, 5); }
  void SelectRow(int row, bool on) {  // the message the user's click would cause
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = on ? LVIS_SELECTED : 0;
    SendMessageA(list.Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  std::string ExpectedDate(WORD y, WORD mo, WORD d) {
    SYSTEMTIME st{};
    st.wYear = y, st.wMonth = mo, st.wDay = d;
    char buf[64];
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf);
    return buf;
  }

  TempFolder tmp;
  std::string work;
  HWND frame = nullptr, treeWnd = nullptr, status = nullptr;
  TargetTree tree;
  Node* root = nullptr;
  Node* sub = nullptr;
  win::Win32FileSystem fs;
  win::TreeViewMirror mirror;
  win::ListView1 list;
  win::DirTreePort treePort{tree, mirror};
  win::ShellWin32 shell;
  win::DateFormatWin32 dates;
  StatusHost host{tree};
  Browser browser{tree, fs, list, treePort, shell, dates, host};
};

TEST_F(BrowseWine, FillsTheRealListFromRealFiles) {
  ASSERT_EQ(ListView_GetItemCount(list.Handle()), 4);
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list.Handle())), 7);
  EXPECT_EQ(ListView_GetColumnWidth(list.Handle(), 2), 120);
  EXPECT_EQ(Cell(0, 0), "Sub");
  EXPECT_EQ(Cell(0, 1), "         0");
  EXPECT_EQ(Cell(1, 0), "a.txt");
  EXPECT_EQ(Cell(1, 1), "         3");
  EXPECT_EQ(Cell(1, 2), ExpectedDate(2021, 3, 4) + " 5:06:08");
  EXPECT_EQ(Cell(1, 3) + Cell(1, 4) + Cell(1, 5) + Cell(1, 6), "RASH");
  EXPECT_EQ(Cell(2, 2), ExpectedDate(2020, 1, 2));  // midnight: no time part
  EXPECT_EQ(Cell(2, 3), "");
  // A folder's icon and a text file's: rows that show the same icons share one image.
  EXPECT_EQ(ImageList_GetImageCount(list.SmallImages()), 2);
  EXPECT_EQ(ImageList_GetImageCount(list.LargeImages()), 2);
  const LONG_PTR style = GetWindowLongPtrA(list.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & (LVS_SINGLESEL | LVS_EDITLABELS | LVS_SORTASCENDING | LVS_SORTDESCENDING));
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);

  // Before 1980 the packed form cannot hold the time: the platform's own rendering is shown.
  SetLocalTime(work + "\\mid.txt", 1975, 6, 7, 8, 9, 10);
  browser.FillFileList();
  EXPECT_EQ(Cell(2, 2), ExpectedDate(1975, 6, 7) + " 8:09:10");

  // A path that has gone shows its name and nothing else.
  DeleteFileA((work + "\\b.txt").c_str());
  browser.FillFileList();
  ASSERT_EQ(ListView_GetItemCount(list.Handle()), 4);
  EXPECT_EQ(Cell(3, 0), "b.txt");
  EXPECT_EQ(Cell(3, 1) + Cell(3, 2) + Cell(3, 3), "");
  EXPECT_EQ(Image(3), I_IMAGENONE);
  for (int row = 0; row < 3; ++row) EXPECT_GE(Image(row), 0);
  EXPECT_EQ(ImageList_GetImageCount(list.SmallImages()), 2);
}

// Inside a batch the shell binds a folder once and looks names up in it; every answer must still
// be SHGetFileInfoA's, across folders, for odd names, and for a file deleted mid-batch.
TEST_F(BrowseWine, TheShellsBatchAnswersAsSHGetFileInfoDoes) {
  WriteFile(work + "\\表ソ.txt", "x");
  WriteFile(work + "\\noext", "x");
  WriteFile(work + "\\.dot", "x");
  WriteFile(work + "\\x.y.doc", "x");
  const std::vector<std::string> paths = {work + "\\a.txt",
                                          work + "\\Sub",
                                          work + "\\表ソ.txt",
                                          work + "\\Sub\\c.txt",
                                          work + "\\noext",
                                          work + "\\.dot",
                                          work + "\\x.y.doc",
                                          work + "\\gone.txt",
                                          work,
                                          "C:\\",
                                          work + "\\b.txt"};
  win::ShellWin32 batch;
  batch.BeginBatch();
  for (const std::string& path : paths)
    for (bool smallIcon : {false, true}) {
      SCOPED_TRACE(path + (smallIcon ? " small" : " large"));
      const Answer expected = ShellSays(path, smallIcon);
      EXPECT_EQ(expected.found, path.find("gone") == std::string::npos);
      EXPECT_EQ(PortSays(batch, path, smallIcon), expected);
    }
  // A file deleted after the batch looked it up is gone at the next look.
  ASSERT_TRUE(DeleteFileA((work + "\\b.txt").c_str()));
  EXPECT_TRUE(PortSays(batch, work + "\\a.txt", false).found);
  EXPECT_FALSE(PortSays(batch, work + "\\b.txt", false).found);
  batch.EndBatch();
  EXPECT_EQ(PortSays(batch, work + "\\表ソ.txt", true), ShellSays(work + "\\表ソ.txt", true));
}

// A folder big enough for the lists to be made with room for it: every row shows the shell's
// own icon in both sizes and its name, and the control draws from the lists the port holds.
TEST_F(BrowseWine, ABigFolderShowsTheShellsIconsOnEveryRow) {
  const std::string big = work + "\\Big";
  MakeFolder(big);
  MakeFolder(big + "\\Inner");
  const char* names[] = {"r%d.txt", "表%d.doc", "n%d", "p%d.ini"};
  std::vector<std::string> files;
  for (int i = 0; i < 40; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, names[i % 4], i);
    files.push_back(big + "\\" + name);
    WriteFile(files.back(), std::string(static_cast<size_t>(i), 'x'));
  }
  InsertFolderEntry(*root, MakeEntry(0, big));
  Node& node = tree.AddChild(*root, "Big");
  InsertFolderEntry(node, MakeEntry(0, big + "\\Inner"));
  tree.AddChild(node, "Inner");
  for (const std::string& f : files) AppendFileEntry(node, MakeEntry(0, f));
  AppendFileEntry(node, MakeEntry(0, big + "\\vanished.txt"));
  std::vector<std::string> paths = {big + "\\Inner"};
  paths.insert(paths.end(), files.begin(), files.end());

  for (int pass = 0; pass < 2; ++pass) {  // the selection's fill, then a refill
    if (pass == 0)
      mirror.Select(&node);
    else
      browser.FillFileList();
    PumpPending();
    ASSERT_EQ(ListView_GetItemCount(list.Handle()), 42);
    EXPECT_EQ(SendMessageA(list.Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0),
              reinterpret_cast<LRESULT>(list.SmallImages()));
    EXPECT_EQ(SendMessageA(list.Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0),
              reinterpret_cast<LRESULT>(list.LargeImages()));
    // Read from the last row up: the rows are asked of the shell in any order, as drawn or read.
    for (int row = 40; row >= 0; --row) {
      SCOPED_TRACE(paths[row]);
      const int image = Image(row);
      const Answer small = ShellSays(paths[row], true), large = ShellSays(paths[row], false);
      EXPECT_EQ(Cell(row, 0), small.name);
      ASSERT_GE(image, 0);
      EXPECT_EQ(ImageFace(list.SmallImages(), image), small.face);
      EXPECT_EQ(ImageFace(list.LargeImages(), image), large.face);
      EXPECT_FALSE(small.face.empty());
    }
    EXPECT_EQ(Cell(41, 0), "vanished.txt");
    std::set<std::pair<std::vector<BYTE>, std::vector<BYTE>>> faces;  // one image per pair of icons
    for (const std::string& p : paths)
      faces.emplace(ShellSays(p, true).face, ShellSays(p, false).face);
    EXPECT_EQ(ImageList_GetImageCount(list.SmallImages()), static_cast<int>(faces.size()));
    EXPECT_EQ(ImageList_GetImageCount(list.LargeImages()), static_cast<int>(faces.size()));
  }
}

TEST_F(BrowseWine, ViewStylesSwitchTheControl) {
  for (ViewStyle s : {ViewStyle::Icon, ViewStyle::SmallIcon, ViewStyle::List, ViewStyle::Report}) {
    list.SetViewStyle(s);
    EXPECT_EQ(list.GetViewStyle(), s);
    // Every style lays the rows out apart, each with its caption and image.
    POINT first{}, last{};
    ListView_GetItemPosition(list.Handle(), 0, &first);
    ListView_GetItemPosition(list.Handle(), 3, &last);
    EXPECT_TRUE(first.x != last.x || first.y != last.y) << static_cast<int>(s);
    EXPECT_EQ(Cell(3, 0), "b.txt");
    EXPECT_GE(Image(3), 0);
  }
  list.SetViewStyle(ViewStyle::List);
  EXPECT_EQ(GetWindowLongPtrA(list.Handle(), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
  EXPECT_EQ(ListView_GetItemCount(list.Handle()), 4);
}

TEST_F(BrowseWine, SelectionsAreCountedFromTheControlsNotifications) {
  SelectRow(1, true);
  SelectRow(3, true);
  EXPECT_EQ(Figures(), "2個 9ﾊﾞｲﾄ");
  SelectRow(0, true);
  EXPECT_EQ(Figures(), "3個 9ﾊﾞｲﾄ");
  browser.SubChekClick(true);  // Sub counts itself and c.txt
  EXPECT_EQ(Figures(), "4個 14ﾊﾞｲﾄ");
  SelectRow(3, false);  // the deep figures follow each change too
  EXPECT_EQ(Figures(), "3個 8ﾊﾞｲﾄ");
  SendMessageA(list.Handle(), WM_KEYUP, VK_DOWN, 0);
  EXPECT_EQ(Figures(), "3個 8ﾊﾞｲﾄ");
  browser.SubChekClick(false);
  browser.selectAll1Click();
  EXPECT_EQ(Figures(), "4個 13ﾊﾞｲﾄ");
}

// The control keeps the selection of its rows itself and tells of it in several ways (one row,
// every row unnamed, a range, or nothing at all for a Shift range under Wine): after each road
// of the mouse and keyboard the figures are what a recount of the control's selection gives.
TEST_F(BrowseWine, EveryRoadOfTheSelectionLeavesTheFiguresOfARecount) {
  const int64_t sizes[] = {0, 3, 4, 6};
  auto recount = [&] {
    int64_t count = 0, bytes = 0;
    for (int i = -1; (i = ListView_GetNextItem(list.Handle(), i, LVNI_SELECTED)) >= 0;)
      ++count, bytes += sizes[i];
    return CountText(count) + " " + BytesText(bytes);
  };
  auto selected = [&] {
    std::string rows;
    for (int i = -1; (i = ListView_GetNextItem(list.Handle(), i, LVNI_SELECTED)) >= 0;)
      rows += std::to_string(i);
    return rows;
  };
  auto click = [&](int row, WPARAM keys) {
    RECT r{LVIR_LABEL};
    SendMessageA(list.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    SendMessageA(list.Handle(), WM_LBUTTONUP, keys, at);
  };
  auto key = [&](WPARAM vk, BYTE shift) {  // as the control reads it: the thread's key state
    BYTE keys[256] = {};
    keys[VK_SHIFT] = shift;
    SetKeyboardState(keys);
    SendMessageA(list.Handle(), WM_KEYDOWN, vk, 1);
    SendMessageA(list.Handle(), WM_KEYUP, vk, 1);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  };
  SetFocus(list.Handle());
  const struct {
    const char* road;
    std::function<void()> act;
    std::string rows;
  } roads[] = {
      {"click", [&] { click(1, 0); }, "1"},
      {"Shift+click", [&] { click(3, MK_SHIFT); }, "123"},
      {"Ctrl+click", [&] { click(2, MK_CONTROL); }, "13"},
      {"Ctrl+click again", [&] { click(0, MK_CONTROL); }, "013"},
      {"Shift+End", [&] { key(VK_END, 0x80); }, "0123"},
      {"Shift+Home", [&] { key(VK_HOME, 0x80); }, "0"},
      {"End", [&] { key(VK_END, 0); }, "3"},
      {"Shift+Up", [&] { key(VK_UP, 0x80); }, "23"},
      {"select all", [&] { browser.selectAll1Click(); }, "0123"},
      {"typing m", [&] { SendMessageA(list.Handle(), WM_CHAR, 'm', 1); }, "2"},
      {"typing z finds nothing", [&] { SendMessageA(list.Handle(), WM_CHAR, 'z', 1); }, "2"},
      {"none, from outside", [&] { ListView_SetItemState(list.Handle(), -1, 0, LVIS_SELECTED); },
       ""},
      {"all, from outside",
       [&] { ListView_SetItemState(list.Handle(), -1, LVIS_SELECTED, LVIS_SELECTED); }, "0123"},
  };
  for (const auto& road : roads) {
    road.act();
    EXPECT_EQ(selected(), road.rows) << road.road;
    EXPECT_EQ(Figures(), recount()) << road.road;
  }

  // Removal: the control drops the selected rows and moves the others' states up with them.
  ListView_SetItemState(list.Handle(), -1, 0, LVIS_SELECTED);
  click(1, 0);
  click(3, MK_CONTROL);
  browser.Delete1Click();
  ASSERT_EQ(ListView_GetItemCount(list.Handle()), 2);
  EXPECT_EQ(ListView_GetSelectedCount(list.Handle()), 0u);
  EXPECT_EQ(Cell(1, 0) + Cell(1, 1), "mid.txt         4");
  click(1, MK_CONTROL);
  EXPECT_EQ(Figures(), "1個 4ﾊﾞｲﾄ");
}

TEST_F(BrowseWine, AButtonReleaseUnderCaptureRunsTheDeepCount) {
  const LPARAM below = MAKELPARAM(300, 280);  // below the rows
  SelectRow(1, true);
  SetCapture(list.Handle());
  SendMessageA(list.Handle(), WM_LBUTTONUP, 0, below);  // flat mode: the count stays flat
  EXPECT_EQ(Figures(), "1個 3ﾊﾞｲﾄ");
  ReleaseCapture();

  browser.SetSubDir(true);
  SelectRow(0, true);  // the deep figures follow the change
  EXPECT_EQ(Figures(), "3個 8ﾊﾞｲﾄ");
  SendMessageA(status, SB_SETTEXTA, 4, reinterpret_cast<LPARAM>(""));
  SendMessageA(list.Handle(), WM_LBUTTONUP, 0, below);  // no capture held: nothing
  EXPECT_EQ(StatusText(status, 4), "");
  SetCapture(list.Handle());
  SendMessageA(list.Handle(), WM_LBUTTONUP, 0, below);
  EXPECT_EQ(Figures(), "3個 8ﾊﾞｲﾄ");
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(BrowseWine, FolderSelectionAndRemovalsFollowTheRealTree) {
  SelectRow(0, true);
  browser.ListView1DblClick();  // a folder row: its node becomes the selection
  EXPECT_EQ(mirror.Selected(), sub);
  ASSERT_EQ(ListView_GetItemCount(list.Handle()), 1);
  EXPECT_EQ(Cell(0, 0), "c.txt");
  browser.upfolderClick();
  EXPECT_EQ(mirror.Selected(), root);
  EXPECT_EQ(ListView_GetItemCount(list.Handle()), 4);

  SelectRow(2, true);
  browser.Delete1Click();
  EXPECT_EQ(ListView_GetItemCount(list.Handle()), 3);
  EXPECT_EQ(StatusText(status, 1), "4個");
  EXPECT_EQ(StatusText(status, 2), "14ﾊﾞｲﾄ");
  EXPECT_NE(GetFileAttributesA((work + "\\mid.txt").c_str()), INVALID_FILE_ATTRIBUTES);

  mirror.Select(sub);
  browser.delete2Click();  // the control moves its selection; the list follows
  EXPECT_EQ(TreeView_GetCount(treeWnd), 1u);
  EXPECT_EQ(mirror.Selected(), root);
  ASSERT_EQ(ListView_GetItemCount(list.Handle()), 2);
  EXPECT_EQ(Cell(0, 0), "a.txt");
  EXPECT_EQ(StatusText(status, 1), "2個");

  browser.delete2Click();  // the top folder
  EXPECT_EQ(TreeView_GetCount(treeWnd), 0u);
  EXPECT_EQ(ListView_GetItemCount(list.Handle()), 0);
  EXPECT_EQ(StatusText(status, 1), "個");
  EXPECT_TRUE(host.disabled);
}

}  // namespace
