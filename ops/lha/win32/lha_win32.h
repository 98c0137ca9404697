// The archiver binding and the two archive commands on Win32: UNLHA32.DLL loaded at run time,
// stdcall substitutes for missing entry points, the save dialog and the file operations.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ops/common/error_list.h"
#include "ops/lha/LhaBinding.h"
#include "ops/lha/archive_commands.h"
#include "platform/win32/win.h"

namespace mv::lha::win {

// Entry types by argument count; every argument is 32 bits wide.
using Entry0 = int(WINAPI*)();
using Entry1 = int(WINAPI*)(DWORD);
using Entry2 = int(WINAPI*)(DWORD, DWORD);
using Entry3 = int(WINAPI*)(DWORD, DWORD, DWORD);
using UnlhaEntry = int(WINAPI*)(HWND owner, LPCSTR command, LPSTR output, DWORD outputSize);

class Win32Loader : public LibraryLoader {
 public:
  uintptr_t Load(const std::string& fileName) override;
  void* Find(uintptr_t library, const char* name) override;
  void Free(uintptr_t library) override;
};

// The program's binding: load once before the main window exists, unload after the loop.
class ArchiverLibrary {
 public:
  ArchiverLibrary();  // every slot holds its substitute
  ~ArchiverLibrary();
  ArchiverLibrary(const ArchiverLibrary&) = delete;
  ArchiverLibrary& operator=(const ArchiverLibrary&) = delete;

  void Load();
  void Unload();
  bool Loaded() const { return table_.Loaded(); }
  const SlotTable& Table() const { return table_; }

  // The slot's current entry as a typed pointer (the library's or the substitute).
  template <typename Fn>
  Fn Entry(int slot) const {
    return reinterpret_cast<Fn>(table_.At(slot));
  }
  int Unlha(HWND owner, LPCSTR command, LPSTR output, DWORD outputSize) const {
    return Entry<UnlhaEntry>(kSlotUnlha)(owner, command, output, outputSize);
  }

 private:
  Win32Loader loader_;
  SlotTable table_;
};

// "LHAファイル|*.LZH", default extension LZH, overwrite prompt, the folder must exist. Keeps the
// last name chosen for the next time.
class LhaSaveDialog {
 public:
  // Only the first non-empty folder is taken: the dialog starts there for the rest of the run.
  void SetInitialFolder(const std::string& folder);
  // The chosen path in the code page, spelled so that it reaches exactly the chosen item: a
  // folder or an existing file whose name the code page cannot hold goes by its short name.
  // Nothing when cancelled, or when the new file's own name cannot be spelled (Refused() then
  // holds it).
  std::optional<std::string> Execute(HWND owner);
  const std::string& FileName() const { return fileName_; }
  const std::string& InitialFolder() const { return initialFolder_; }
  const std::wstring& Refused() const { return refused_; }

 private:
  std::string initialFolder_;
  std::string fileName_;
  std::wstring refused_;
};

// The folder of the running executable, ending in a backslash.
std::string ProgramFolder();

class Win32ArchivePlatform : public ArchivePlatform {
 public:
  Win32ArchivePlatform(const ArchiverLibrary& library, HWND owner)
      : library_(library), owner_(owner) {}
  uint32_t Attributes(const std::string& path) override;
  bool Delete(const std::string& path) override;
  bool Move(const std::string& from, const std::string& to) override;
  std::string OwnName(const std::string& path) override;
  bool MoveToOwnName(const std::string& from, const std::string& ownName) override;
  bool HoldsShortName(const std::string& path, size_t from) override;
  bool WriteList(const ErrorList& lines, const std::string& path) override;
  std::string ProgramFolder() override { return lha::win::ProgramFolder(); }
  void CallArchiver(const std::string& command) override;

 private:
  const ArchiverLibrary& library_;
  HWND owner_;
};

class Win32ArchiveUi : public ArchiveUi {
 public:
  Win32ArchiveUi(LhaSaveDialog& dialog, HWND owner, std::string title,
                 std::function<void()> showErrors)
      : dialog_(dialog),
        owner_(owner),
        title_(std::move(title)),
        showErrors_(std::move(showErrors)) {}
  std::optional<std::string> AskArchiveName() override;
  void Notice(const std::string& text) override;
  void ApplicationError(const std::string& message) override;
  void ShowErrors() override {
    if (showErrors_) showErrors_();
  }

 private:
  LhaSaveDialog& dialog_;
  HWND owner_;
  std::string title_;
  std::function<void()> showErrors_;
};

// What the main window owns: the dialog, the platform and the commands, wired together.
class LhaCommands {
 public:
  // owner: the main window; errors: the error window's list (scratch for the list file, then
  // the run's error lines); title: the application's title for the message boxes; showErrors:
  // shows the error window.
  LhaCommands(const ArchiverLibrary& library, HWND owner, ErrorList& errors, std::string title,
              std::function<void()> showErrors = {});

  // Call after every tree build with TreeBuilder::FirstBaseFolder().
  void SetInitialFolder(const std::string& folder) { dialog_.SetInitialFolder(folder); }
  void BitBtn3Click(const TargetTree& tree) { commands_.BitBtn3Click(tree); }
  void Lha1Click(const Node* selected, const std::vector<SelectedRow>& rows) {
    commands_.Lha1Click(selected, rows);
  }
  LhaSaveDialog& Dialog() { return dialog_; }

 private:
  LhaSaveDialog dialog_;
  Win32ArchivePlatform platform_;
  Win32ArchiveUi ui_;
  ArchiveCommands commands_;
};

// The selected rows of a list view with their captions (column 0), in index order.
std::vector<SelectedRow> SelectedRowsOf(HWND listView);

}  // namespace mv::lha::win
