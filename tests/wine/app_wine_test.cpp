// The main window as start-up makes it: its settings file, its layout, and its counts, driven
// through real messages.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/Unit1.h"
#include "platform/win32/text_win32.h"
#include "main_view.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

class AppWine : public ::testing::Test {
 protected:
  void SetUp() override { win::InstallPlatformText(); }

  std::unique_ptr<TForm1> Start(std::vector<std::string> args = {}) {
    auto form = std::make_unique<TForm1>(std::move(args), ini);
    EXPECT_TRUE(form->Create(GetModuleHandleA(nullptr)));
    form->CreateForm3(GetModuleHandleA(nullptr));
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
    PumpPending();
    return form;
  }
  void Close(TForm1& form) {
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    PumpPending();
  }
  std::string ReadIni() const {
    std::ifstream in(ini, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str(), out;
    for (char c : text)
      if (c != '\r') out += c;
    return out;
  }
  void WriteIni(const std::string& text) const { WriteFile(ini, text); }
  static SIZE OuterSize(HWND wnd) {
    RECT rc;
    GetWindowRect(wnd, &rc);
    return {rc.right - rc.left, rc.bottom - rc.top};
  }
  static DWORD ListStyle(HWND list) { return GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK; }

  TempFolder tmp;
  std::string ini = tmp / "Morvane.ini";
};

TEST_F(AppWine, FirstRunStartsWithTheDefaultsAndItsCancelButtonCloses) {
  auto form = Start();
  EXPECT_EQ(ListStyle(MainList(form->Handle())), static_cast<DWORD>(LVS_REPORT));
  EXPECT_EQ(ContextMenuChecks(MainList(form->Handle())), std::vector<UINT>{kCmdReport});
  EXPECT_EQ(ContextMenuChecks(MainControl(form->Handle(), kIdAgeEdit)),
            std::vector<UINT>{kCmdYearYYYY});
  EXPECT_EQ(OuterSize(form->Handle()).cx, 578);
  EXPECT_EQ(OuterSize(form->Handle()).cy, 435);
  EXPECT_EQ(OuterSize(MainTree(form->Handle())).cx, 169);
  EXPECT_EQ(SendMessageA(MainControl(form->Handle(), kIdSubChek), BM_GETCHECK, 0, 0),
            BST_UNCHECKED);
  EXPECT_EQ(WindowText(MainControl(form->Handle(), kIdAgeLabel)), "(yyyy/mm/dd hh:mm:ss)");
  EXPECT_FALSE(IsWindowEnabled(MainControl(form->Handle(), kIdBitBtn1)));
  // The "Cancel" button closes through the same close request.
  SendMessageA(MainControl(form->Handle(), kIdButton1), BM_CLICK, 0, 0);
  PumpUntil([&] { return !IsWindow(form->Handle()); }, 3000);
  EXPECT_FALSE(IsWindow(form->Handle()));
  EXPECT_NE(ReadIni().find("[Form]\nWidth=578\nHeight=435\n"), std::string::npos) << ReadIni();
}

TEST_F(AppWine, StoredChoicesAreAppliedAndWrittenBack) {
  WriteIni(
      "[ListImage]\nIcon=1\nReport=1\n[Form]\nWidth=0x200\n[DateType]\nAgeLabel=(dd.mm.yyyy)\n"
      "[selectmode]\nCHECKED=$1\n");
  auto form = Start();
  EXPECT_EQ(ListStyle(MainList(form->Handle())),
            static_cast<DWORD>(LVS_REPORT));  // the last true key wins
  EXPECT_EQ(OuterSize(form->Handle()).cx, 512);
  EXPECT_EQ(SendMessageA(MainControl(form->Handle(), kIdSubChek), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(WindowText(MainControl(form->Handle(), kIdAgeLabel)),
            "(dd.mm.yyyy)");  // names no layout: kept
  Close(*form);
  const std::string ini = ReadIni();
  EXPECT_NE(ini.find("AgeLabel=(dd.mm.yyyy)\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Icon=0\n"), std::string::npos);
  EXPECT_NE(ini.find("Report=1\n"), std::string::npos);
  EXPECT_NE(ini.find("Width=512\n"), std::string::npos);
  EXPECT_NE(ini.find("CHECKED=1\n"),
            std::string::npos);  // the key keeps the case it was found with
}

TEST_F(AppWine, NoViewKeyTrueKeepsTheReportStyleWithNothingChecked) {
  WriteIni("[ListImage]\nIcon=0\nList=0\nReport=0\nSmall Icon=0\n[Form]\nHeight=junk\n");
  auto form = Start();
  EXPECT_EQ(ListStyle(MainList(form->Handle())), static_cast<DWORD>(LVS_REPORT));
  EXPECT_EQ(ContextMenuChecks(MainList(form->Handle())), std::vector<UINT>{});
  EXPECT_EQ(OuterSize(form->Handle()).cy, 435);  // a broken value gives the default
  Close(*form);
  EXPECT_NE(ReadIni().find("Icon=0\nList=0\nReport=0\nSmall Icon=0\n"), std::string::npos);
}

TEST_F(AppWine, ControlsSitWhereTheLayoutPutsThem) {
  auto form = Start();
  HWND main = form->Handle();
  RECT client;
  GetClientRect(main, &client);
  auto at = [&](HWND c) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const int upperH = client.bottom - 21 - 112;
  const int x0 = client.right - 2 - 560, y0 = upperH + 2;
  struct Expect {
    int id;
    int x, y, w, h;
  };
  const Expect expected[] = {
      {kIdGroupBox1, 3, 6, 279, 75},   {kIdRadioGroup1 - 1, 288, 7, 185, 73},
      {kIdCheckBox1, 384, 24, 81, 17}, {kIdBitBtn1, 392, 48, 75, 25},
      {kIdButton1, 480, 8, 75, 25},    {kIdBitBtn3, 480, 48, 75, 25},
      {kIdBitBtn2, 480, 80, 75, 25},  // the date field's width follows its text: the window test
  };
  for (const Expect& e : expected) {
    RECT r = at(MainControl(form->Handle(), e.id));
    EXPECT_EQ(r.left, x0 + e.x) << e.id;
    EXPECT_EQ(r.top, y0 + e.y) << e.id;
    EXPECT_EQ(r.right - r.left, e.w) << e.id;
    EXPECT_EQ(r.bottom - r.top, e.h) << e.id;
  }
  RECT tree = at(MainTree(form->Handle())), list = at(MainList(form->Handle())),
       status = at(MainStatus(form->Handle()));
  EXPECT_EQ(tree.left, 0);
  EXPECT_EQ(tree.right, 169);
  EXPECT_EQ(list.left, 173);
  EXPECT_EQ(list.right, client.right);
  EXPECT_EQ(tree.bottom, upperH);
  EXPECT_EQ(status.bottom - status.top, 21);
  EXPECT_EQ(status.bottom, client.bottom);
  RECT sub;
  GetWindowRect(MainControl(form->Handle(), kIdSubChek), &sub);
  MapWindowPoints(nullptr, MainStatus(form->Handle()), reinterpret_cast<POINT*>(&sub), 2);
  EXPECT_EQ(sub.left, 460);
  EXPECT_EQ(sub.top, 3);
  Close(*form);
}

TEST_F(AppWine, SubDirTurnsTheFlatCountIntoTheDeepOne) {
  // F holds two files and a sub-folder with one file: 5 entries deep, 1 row flat.
  const std::string f = tmp / "F";
  MakeFolder(f);
  WriteFile(f + "\\1.txt", "1");
  WriteFile(f + "\\2.txt", "22");
  MakeFolder(f + "\\G");
  WriteFile(f + "\\G\\3.txt", "333");
  auto form = Start({f});
  ASSERT_TRUE(PumpUntil([&] { return ListView_GetItemCount(MainList(form->Handle())) == 1; }));
  ListView_SetItemState(MainList(form->Handle()), 0, LVIS_SELECTED, LVIS_SELECTED);
  PumpPending();
  EXPECT_EQ(PanelText(form->Handle(), 4), "1個");
  EXPECT_EQ(PanelText(form->Handle(), 5), "ﾊﾞｲﾄ");  // a folder row counts its own size, 0
  SendMessageA(MainControl(form->Handle(), kIdSubChek), BM_CLICK, 0, 0);
  PumpPending();
  EXPECT_EQ(PanelText(form->Handle(), 4), "5個");
  EXPECT_EQ(PanelText(form->Handle(), 5), "6ﾊﾞｲﾄ");
  SendMessageA(MainControl(form->Handle(), kIdSubChek), BM_CLICK, 0, 0);
  PumpPending();
  EXPECT_EQ(PanelText(form->Handle(), 4), "1個");
  // Select all from the list's menu shortcut, while its item is enabled.
  MainCommand(form->Handle(), kCmdSelectAll);
  EXPECT_EQ(ListView_GetSelectedCount(MainList(form->Handle())), 1u);
  Close(*form);
}

TEST_F(AppWine, TheSplitterMovesTheTreeEdgeAndTheWidthSurvivesARestart) {
  const std::string f = tmp / "Docs";
  MakeFolder(f);
  WriteFile(f + "\\read me.txt", "hello");
  auto form = Start({f});
  PumpUntil([&] { return ListView_GetItemCount(MainList(form->Handle())) == 1; });
  HWND panel = MainSplitter(form->Handle());
  ASSERT_TRUE(panel);
  auto treeWidth = [&] { return OuterSize(MainTree(form->Handle())).cx; };
  // Press and release without a move: nothing changes.
  SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 10));
  SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(2, 10));
  EXPECT_EQ(treeWidth(), 169);
  // A drag of 50 pixels to the right; the list follows the new edge.
  SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 10));
  // The real pointer goes where the drag is, so moves it makes while the panel holds the capture
  // (the screenshot below pumps messages) agree with the synthesised ones.
  POINT screen{52, 10};
  ClientToScreen(panel, &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageA(panel, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(52, 10));
  SaveScreenshot("/tmp/morvane-drag-during.png");
  SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(52, 10));
  PumpPending();
  SaveScreenshot("/tmp/morvane-drag-after.png");
  EXPECT_EQ(treeWidth(), 219);
  RECT list;
  GetWindowRect(MainList(form->Handle()), &list);
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&list), 2);
  EXPECT_EQ(list.left, 223);
  Close(*form);
  EXPECT_NE(ReadIni().find("[DirTreeView]\nWidth=219\n"), std::string::npos);
  auto again = Start();
  EXPECT_EQ(OuterSize(MainTree(again->Handle())).cx, 219);
  Close(*again);
}

}  // namespace
