// Path helpers over code-page text. They scan forward and step over double-byte characters as a
// whole, so a trail byte 0x5C (as in 表 = 95 5C or ソ = 83 5C) is never taken for a backslash.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace mv {

// Index just past the last backslash or colon that is a real separator, or 0 if there is none.
size_t AfterLastSeparator(std::string_view path);

// Text up to and including the last backslash or colon; empty if none.
std::string PathFolder(std::string_view path);
// Text after the last backslash or colon; the whole text if none.
std::string PathName(std::string_view path);
// The path without its last component and the backslash before it. A backslash right after a
// drive colon, a single leading backslash and the leading "\\" of a network path stay.
std::string PathParent(std::string_view path);
// True when the last character (not a trail byte) is a backslash.
bool EndsWithBackslash(std::string_view path);

// A drive root ("D:", "D:\") or a network share root ("\\server\share"), which a directory
// search cannot find as an item of its own.
bool IsRootPath(std::string_view path);
// The name of the item a target path stands for, as its folder node carries it: PathName, or
// for a drive root, which has no name of its own, the drive ("D:"). Every command that matches
// a folder entry to its node compares this.
std::string ItemName(std::string_view path);
// folder + "\" + name, without doubling the backslash of a root folder ("D:\").
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace mv
