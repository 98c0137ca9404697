// The FileSystem services over the Win32 API: ANSI paths in, wide directory searches inside, so
// that names the code page cannot hold are never reported under a best-fit or '?' spelling.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fs.h"
#include "platform/win32/win.h"

namespace mv::win {

class Win32FileSystem : public FileSystem {
 public:
  bool Search(const std::string& pattern,
              const std::function<void(const FindItem&)>& each) override;
  std::optional<FindItem> Lookup(const std::string& path) override;
  uint32_t GetAttributes(const std::string& path) override;
  int SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<OpenFile> OpenExclusive(const std::string& path) override;
  std::optional<uint32_t> ToLocalDos(uint64_t fileTime) override;
  std::optional<uint64_t> FolderIdentity(const std::string& path) override;
  int LastSearchError() const override { return lastSearchError_; }

 private:
  int lastSearchError_ = 0;
};

// The same services on a wide path: for an item the code page cannot name (a copy's destination
// under its source's true name). `name` is what Lookup reports as the item's name.
std::optional<FindItem> LookupAt(const std::wstring& path, std::string name);
uint32_t AttributesAt(const std::wstring& path);
int SetAttributesAt(const std::wstring& path, uint32_t attributes);
std::unique_ptr<OpenFile> OpenExclusiveAt(const std::wstring& path);

// A code-page text as the wide text it stands for.
std::wstring WideOf(const std::string& text);
// The code-page spelling of a wide text when the code page holds it exactly: no best-fit, no
// default character, and converted back it is the same text. nullopt otherwise.
std::optional<std::string> ExactAnsi(const std::wstring& text);

// How an item of a wide directory search is named to the portable logic.
enum class AnsiName {
  Exact,  // its long name, which the code page holds
  Short,  // its short name: the long one does not fit the code page
  None,   // neither fits: a spelling with kNoNameMark, which addresses nothing
};
AnsiName AnsiNameOf(const WIN32_FIND_DATAW& fd, std::string& name);

// Short names the platform makes always hold a tilde; a component without one is its own name.
bool MayBeShortName(std::string_view name);
// The long name of the item at path when the path's last component is its short name, standing
// for a long name the code page cannot hold; nullopt otherwise.
std::optional<std::wstring> LongNameOutsideCodePage(const std::string& path);

// A wide path (from the wide command line or a drop) in the code page: components it holds as
// they are, the others by their short names, or marked where there is none (see NamesOneItem).
std::string AnsiPathOf(const std::wstring& path);

// The running executable's full path in the code page, spelled as AnsiPathOf spells it: a folder
// the code page cannot hold goes by its short name (the ANSI module name would be best-fit,
// "Cafe" for "Café", a folder that is not there or is another). Empty when it cannot be asked.
std::string ExecutablePath();

// The wide path of an existing item whose last component is given as its short name, with that
// component replaced by the item's long name; nullopt when the path names the item by its long
// name (or nothing). A rename onto, or back to, a short spelling would make it the long name.
std::optional<std::wstring> OwnLongPath(const std::string& path);

// Whether a component of path, from the byte `from` on, is a short name standing for a long name
// the code page cannot hold.
bool HoldsShortName(const std::string& path, size_t from);

// UTF-16 and UTF-8, for texts the code page cannot hold that pass through code-page strings.
std::string Utf8Of(const std::wstring& text);
std::wstring WideOfUtf8(const std::string& text);

// The identity of a folder from what the volume reports for it; nullopt for file index 0.
std::optional<uint64_t> FolderIdentityOf(uint32_t volumeSerial, uint32_t indexHigh,
                                         uint32_t indexLow);

}  // namespace mv::win
