// The copy destination chooser: a modal dialog with a name field that takes any folder, typed
// or picked from the list of folders and drives; a typed folder that does not exist is created
// with its parents once the user agrees.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/win32/win.h"

namespace mv::win {

enum ChooserId : int {
  kIdChooserName = 300,  // the name field
  kIdChooserFolders,     // folders of the current one, ".." first
  kIdChooserDrives,      // drive roots
  kIdChooserPlace,       // the current folder's path
};

inline constexpr char kChooserCaption[] = "フォルダーの選択";
inline constexpr char kChooserAskCreate[] = "指定されたﾃﾞｨﾚｸﾄﾘが存在しません. 作成しますか？";

// Said after the folder's true name when the code page can name it neither by its names nor by
// a short name: the chooser stays open.
inline constexpr wchar_t kChooserCannotName[] =
    L"\nこのフォルダーは, 名前にシステムのコード ページで表せない文字を含み, 短い名前 (8.3) "
    L"もないため, "
    L"コピー先にできません. 別のフォルダーを指定してください.";

// How a chosen folder is named to the run: the directory search's rule (AnsiPathOf), replaced by
// tests to model a volume without short names.
using FolderNamer = std::function<std::string(const std::wstring&)>;

// Opens at start (the process's current folder when empty). Returns the folder of the name field,
// existing or just created (a drive root with its backslash, "D:\"), in the code page: its own
// names, the short name for one the code page cannot hold; or nullopt on cancel.
std::optional<std::string> ChooseFolderDialog(HWND owner, const std::string& start = "",
                                              FolderNamer namer = {});

// The folder a typed name means, seen from the current folder: absolute names stand, relative
// ones are taken below current; "." and ".." are resolved, a trailing backslash dropped except
// on a root. Empty when nothing was typed.
std::wstring ResolveTypedFolder(const std::wstring& current, const std::wstring& typed);

}  // namespace mv::win
