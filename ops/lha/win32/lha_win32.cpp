#include "ops/lha/win32/lha_win32.h"

#include <cstring>
#include <utility>

#include "platform/fs.h"
#include "platform/text.h"
#include "platform/win32/fs_win32.h"

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
  // A fixed library name, no user's: the ANSI call is exact for it.
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
  // Spelled through the wide module name: the ANSI one is best-fit where the code page cannot
  // hold a folder's name, and the list file would be sought in another folder.
  const std::string exe = mv::win::ExecutablePath();
  return exe.empty() ? std::string() : PathFolder(exe);
}

// The file calls take the code-page spellings the program holds; the wide calls reach the same
// items, and a spelling that names no single item ('?') is refused before it reaches any.
uint32_t Win32ArchivePlatform::Attributes(const std::string& path) {
  if (!NamesOneItem(path)) return kAttrInvalid;
  return GetFileAttributesW(mv::win::WideOf(path).c_str());
}
bool Win32ArchivePlatform::Delete(const std::string& path) {
  return NamesOneItem(path) && DeleteFileW(mv::win::WideOf(path).c_str()) != 0;
}
bool Win32ArchivePlatform::Move(const std::string& from, const std::string& to) {
  return NamesOneItem(from) && NamesOneItem(to) &&
         MoveFileW(mv::win::WideOf(from).c_str(), mv::win::WideOf(to).c_str()) != 0;
}
std::string Win32ArchivePlatform::OwnName(const std::string& path) {
  const std::optional<std::wstring> own = mv::win::OwnLongPath(path);
  return own ? mv::win::Utf8Of(*own) : std::string();
}
bool Win32ArchivePlatform::MoveToOwnName(const std::string& from, const std::string& ownName) {
  return NamesOneItem(from) && !ownName.empty() &&
         MoveFileW(mv::win::WideOf(from).c_str(), mv::win::WideOfUtf8(ownName).c_str()) != 0;
}
bool Win32ArchivePlatform::HoldsShortName(const std::string& path, size_t from) {
  return mv::win::HoldsShortName(path, from);
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
    const std::wstring wide = mv::win::WideOf(text.substr(0, at)) + dialog_.Refused() +
                              mv::win::WideOf(text.substr(at + 1));
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
                         std::string title, std::function<void()> showErrors)
    : platform_(library, owner),
      ui_(dialog_, owner, std::move(title), std::move(showErrors)),
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
    SendMessageA(listView, LVM_GETITEMTEXTA, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(&item));
    rows.push_back({static_cast<size_t>(i), caption});
  }
  return rows;
}

}  // namespace mv::lha::win
