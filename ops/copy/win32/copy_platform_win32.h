// The copy engine's platform services over the Win32 API: code-page paths in, the wide calls
// inside, so a destination takes its source's true name and is reached under it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ops/copy/copy_engine.h"
#include "platform/win32/win.h"

namespace mv::win {

// Creates the folder and every missing parent; true when it exists as a folder afterwards.
bool CreateFolderPath(const std::string& path);
bool CreateFolderPathW(const std::wstring& path);

// `to` as the file system should name it: every trailing component that `to` shares with `from`
// and that is, at `from`, the short name of a long name the code page cannot hold, in that long
// name. nullopt when no component is renamed.
std::optional<std::wstring> TrueDestination(const std::string& from, const std::string& to);

class Win32CopyPlatform : public CopyPlatform {
 public:
  // owner: the window the folder chooser belongs to; files: the directory search to use.
  Win32CopyPlatform(HWND owner, FileSystem& files);
  ~Win32CopyPlatform() override;

  // The application's message hook, consulted before every dispatch (true: handled).
  void SetMessageHook(std::function<bool(const MSG&)> hook) { hook_ = std::move(hook); }
  // Replaces the folder chooser (tests).
  void SetChooser(std::function<std::optional<std::string>()> chooser) {
    chooser_ = std::move(chooser);
  }

  FileSystem& Files() override { return files_; }
  bool DuplicateFile(const std::string& from, const std::string& to, bool failIfExists) override;
  bool CreateFolders(const std::string& path) override;
  bool CreateFolderFor(const std::string& source, const std::string& at) override;
  FileSystem& MirrorFiles(const std::string& source, const std::string& at,
                          const std::string& text) override;
  size_t PathUnits(const std::string& source, const std::string& at) override;
  std::optional<int64_t> FreeBytes(const std::string& folder) override;
  std::optional<std::string> ChooseFolder() override;
  void PumpMessages() override;
  void BusyCursor(bool on) override;
  std::string UpperCase(std::string text) override;
  bool SameText(std::string_view a, std::string_view b) override;
  std::string SpelledOnDisk(const std::string& folder) override;

 private:
  // The wide path the mirror of source at `at` is made at.
  static std::wstring TruePath(const std::string& source, const std::string& at);

  HWND owner_;
  FileSystem& files_;
  std::unique_ptr<FileSystem> mirror_;
  std::function<bool(const MSG&)> hook_;
  std::function<std::optional<std::string>()> chooser_;
  DWORD lastPump_ = 0;
  bool pumped_ = false;
};

}  // namespace mv::win
