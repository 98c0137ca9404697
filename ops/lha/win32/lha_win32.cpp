#include "ops/lha/win32/lha_win32.h"

#include <cstring>
#include <utility>

#include "platform/fs.h"
#include "platform/win32/fs_win32.h"
#include "targets/paths.h"

namespace mv::lha::win {
namespace {

class MessagePanicBox : public PanicBox {
 public:
  void Show(const std::string& text, const std::string& caption) override {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
  }
};

PanicBox& Box() {
  static MessagePanicBox box;
  return box;
}

// One stdcall substitute per slot with exactly its argument count, so the callee pops what the
// caller pushed.
template <size_t>
struct Word {
  using type = DWORD;
};
template <int Slot, size_t... I>
int WINAPI Substitute(typename Word<I>::type...) {
  return RunSubstitute(Box(), Slot);
}
template <int Slot, size_t... I>
void* SubstituteAddress(std::index_sequence<I...>) {
  return reinterpret_cast<void*>(&Substitute<Slot, I...>);
}
template <size_t... S>
std::array<void*, kSlotCount> MakeSubstitutes(std::index_sequence<S...>) {
  return {SubstituteAddress<static_cast<int>(S)>(
      std::make_index_sequence<static_cast<size_t>(kSlots[S].arguments)>())...};
}

constexpr DWORD kOutputSize = 32000;

}  // namespace

uintptr_t Win32Loader::Load(const std::string& fileName) {
  return reinterpret_cast<uintptr_t>(LoadLibraryA(fileName.c_str()));
}
void* Win32Loader::Find(uintptr_t library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}
void Win32Loader::Free(uintptr_t library) { FreeLibrary(reinterpret_cast<HMODULE>(library)); }

ArchiverLibrary::ArchiverLibrary()
    : table_(MakeSubstitutes(std::make_index_sequence<kSlotCount>())) {}
ArchiverLibrary::~ArchiverLibrary() { Unload(); }
void ArchiverLibrary::Load() { table_.Load(loader_); }
void ArchiverLibrary::Unload() { table_.Unload(loader_); }

void LhaSaveDialog::SetInitialFolder(const std::string& folder) {
  if (initialFolder_.empty()) initialFolder_ = folder;
}

std::optional<std::string> LhaSaveDialog::Execute(HWND owner) {
  // The wide dialog: the ANSI one hands back "café" as "cafe", which may be another folder or
  // file, and a name of another script as "?".
  refused_.clear();
  wchar_t name[MAX_PATH] = {};
  mv::win::WideOf(fileName_).copy(name, MAX_PATH - 1);
  static const wchar_t kFilter[] = L"LHAファイル\0*.LZH\0";
  const std::wstring initial = mv::win::WideOf(initialFolder_);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
  ofn.lpstrDefExt = L"LZH";
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT |
              OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&ofn)) return std::nullopt;
  // Components the code page cannot hold go by their short names; a new file of such a name has
  // none, and its marked spelling names nothing.
  const std::string chosen = mv::win::AnsiPathOf(name);
  if (!NamesOneItem(chosen)) {
    refused_ = name;
    return std::nullopt;
  }
  fileName_ = chosen;
  return fileName_;
}

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return PathFolder(std::string(path, n));
}

uint32_t Win32ArchivePlatform::Attributes(const std::string& path) {
  return GetFileAttributesA(path.c_str());
}
bool Win32ArchivePlatform::Delete(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}
bool Win32ArchivePlatform::Move(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}
bool Win32ArchivePlatform::WriteList(const ErrorList& lines, const std::string& path) {
  return lines.SaveToFile(path);
}

void Win32ArchivePlatform::CallArchiver(const std::string& command) {
  std::vector<char> text(kOutputSize, '\0');
  std::vector<char> output(kOutputSize, '\0');
  command.copy(text.data(), kOutputSize - 1);
  library_.Unlha(owner_, text.data(), output.data(), kOutputSize);
}

std::optional<std::string> Win32ArchiveUi::AskArchiveName() {
  std::optional<std::string> name = dialog_.Execute(owner_);
  if (!name && !dialog_.Refused().empty()) {
    // The library reaches files through the code page only: a new archive it cannot spell is
    // refused here, in the application's error box, under its true name.
    const std::string text = CannotCreateMessage("\x01") + ".";
    const size_t at = text.find('\x01');
    const std::wstring wide =
        mv::win::WideOf(text.substr(0, at)) + dialog_.Refused() + mv::win::WideOf(text.substr(at + 1));
    MessageBoxW(owner_, wide.c_str(), mv::win::WideOf(title_).c_str(), MB_OK | MB_ICONERROR);
  }
  return name;
}

void Win32ArchiveUi::Notice(const std::string& text) {
  MessageBoxA(owner_, text.c_str(), title_.c_str(), MB_OK);
}
void Win32ArchiveUi::ApplicationError(const std::string& message) {
  const std::string text = message + ".";
  MessageBoxA(owner_, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

LhaCommands::LhaCommands(const ArchiverLibrary& library, HWND owner, ErrorList& errors,
                         std::string title)
    : platform_(library, owner),
      ui_(dialog_, owner, std::move(title)),
      commands_(platform_, ui_, errors) {}

std::vector<SelectedRow> SelectedRowsOf(HWND listView) {
  std::vector<SelectedRow> rows;
  int i = -1;
  while ((i = static_cast<int>(SendMessageA(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                            MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
    char caption[MAX_PATH * 2] = {};
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = caption;
    item.cchTextMax = sizeof caption;
    SendMessageA(listView, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    rows.push_back({static_cast<size_t>(i), caption});
  }
  return rows;
}

}  // namespace mv::lha::win
