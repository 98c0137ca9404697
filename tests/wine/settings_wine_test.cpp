// The settings file through the real private-profile functions.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "app/settings/profile_win32.h"
#include "ops/common/error_list.h"
#include "ops/lha/win32/lha_win32.h"
#include "platform/text.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/text_win32.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

// Started with --mv-own-folder (a copy of this program in a folder of the test), it writes the
// settings file and the archiver's list file into the program's folder as the program finds it,
// and ends: exit code 0 when both were written.
const bool g_ownFolderMode = [] {
  if (std::string(GetCommandLineA()).find("--mv-own-folder") == std::string::npos) return false;
  win::Win32ProfileStore store(win::SettingsFilePath());
  const bool settings = !WriteSettings(store, Settings{}).has_value();
  ErrorList list;
  list.Append("\"a.txt\"");
  const bool listFile = list.SaveToFile(lha::win::ProgramFolder() + lha::kListFileName);
  ExitProcess((settings ? 0 : 1) | (listFile ? 0 : 2));
  return true;
}();

class SettingsWine : public ::testing::Test {
 protected:
  void SetUp() override { win::InstallPlatformText(); }
  TempFolder tmp;
};

TEST_F(SettingsWine, FileSitsBesideTheExecutable) {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  EXPECT_EQ(win::SettingsFilePath(), PathFolder(exe) + "Morvane.ini");
}

// A program folder whose name the code page cannot hold: the ANSI module name would be best-fit
// ("Cafe"), another folder or none; the settings and the list file go into the folder itself.
TEST_F(SettingsWine, AProgramFolderTheCodePageCannotHoldIsWhereItsFilesGo) {
  const std::wstring folder = win::WideOf(tmp.Path()) + L"\\Caf\u00e9";
  struct Cleanup {
    std::wstring folder;
    ~Cleanup() { RemoveTreeW(folder); }
  } cleanup{folder};
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  MakeFolder(tmp / "Cafe");
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  const std::wstring copy = folder + L"\\settings_wine_test.exe";
  ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + copy + L"\" --mv-own-folder";
  ASSERT_TRUE(CreateProcessW(copy.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &pi));
  win::ScopedFile process(pi.hProcess), thread(pi.hThread);
  ASSERT_EQ(WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(process.Get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_NE(GetFileAttributesW((folder + L"\\Morvane.ini").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW((folder + L"\\TMPLHA.$").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((tmp / "Cafe\\Morvane.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The defaults themselves are the settings' own rule; here only what the profile functions do.
TEST_F(SettingsWine, ReadingAMissingFileCreatesNothing) {
  win::Win32ProfileStore store(tmp / "Morvane.ini");
  EXPECT_EQ(ReadSettings(store).Style(), ListStyle::Report);
  EXPECT_EQ(GetFileAttributesA((tmp / "Morvane.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsWine, StoredValuesAreReadAndWrittenBack) {
  const std::string path = tmp / "Morvane.ini";
  WriteFile(path,
            "[listimage]\r\nICON=1\r\nreport=1\r\n[FORM]\r\nwidth=0x200\r\nHeight=$100\r\n"
            "[DateType]\r\nAgeLabel=(mm/dd/yy hh:mm:ss)\r\n[DirTreeView]\r\nWidth=abc\r\n"
            "[SelectMode]\r\nChecked=2\r\n");
  win::Win32ProfileStore store(path);
  Settings s = ReadSettings(store);
  EXPECT_EQ(s.Style(), ListStyle::Report);
  EXPECT_FALSE(s.icon);
  EXPECT_EQ(s.formWidth, 512);
  EXPECT_EQ(s.formHeight, 256);
  EXPECT_EQ(s.treeWidth, 169);
  EXPECT_TRUE(s.subDirChecked);
  EXPECT_EQ(s.ageLabel, "(mm/dd/yy hh:mm:ss)");
  ASSERT_EQ(WriteSettings(store, s), std::nullopt);
  EXPECT_EQ(store.ReadString("ListImage", "Icon", "?"), "0");
  EXPECT_EQ(store.ReadString("ListImage", "Report", "?"), "1");
  EXPECT_EQ(store.ReadString("ListImage", "List", "?"), "0");
  EXPECT_EQ(store.ReadString("Form", "Width", "?"), "512");
  EXPECT_EQ(store.ReadString("SelectMode", "Checked", "?"), "1");
}

TEST_F(SettingsWine, LongAndDoubleByteTextComesBackWhole) {
  const std::string path = tmp / "Morvane.ini";
  WriteFile(path, "[DateType]\r\nAgeLabel=" + std::string(1022, 'a') +
                      "表表\r\n[Form]\r\nWidth=" + std::string(2 << 20, '9') + "\r\n");
  win::Win32ProfileStore store(path);
  Settings s = ReadSettings(store);
  EXPECT_EQ(s.ageLabel, std::string(1022, 'a'));  // never half of 表
  EXPECT_EQ(s.formWidth, 578);
}

TEST_F(SettingsWine, UnwritableFileReportsItsPathAndStops) {
  // A folder of that name: no private-profile write can succeed on it, also as root.
  const std::string path = tmp / "Morvane.ini";
  MakeFolder(path);
  win::Win32ProfileStore store(path);
  auto error = WriteSettings(store, Settings{});
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(*error, path + " に書き込めません");
}

}  // namespace
