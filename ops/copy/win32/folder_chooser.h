// The copy destination chooser: a modal dialog with a name field that takes any folder, typed
// or picked from the list of folders and drives; a typed folder that does not exist is created
// with its parents once the user agrees.
#pragma once

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

// Opens at start (the process's current folder when empty). Returns the folder of the name field,
// existing or just created (a drive root with its backslash, "D:\"), or nullopt on cancel.
std::optional<std::string> ChooseFolderDialog(HWND owner, const std::string& start = "");

// The folder a typed name means, seen from the current folder: absolute names stand, relative
// ones are taken below current; "." and ".." are resolved, a trailing backslash dropped except
// on a root. Empty when nothing was typed.
std::string ResolveTypedFolder(const std::string& current, const std::string& typed);

}  // namespace mv::win
