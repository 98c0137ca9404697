// Where a copy lands: the destination folder, source bases and the mirrored destination path.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace mv {

// The longest path the platform's file functions take (MAX_PATH less its terminator), counted in
// UTF-16 units, not in bytes of the code page.
inline constexpr size_t kMaxPathUnits = 259;

using SameTextFn = std::function<bool(std::string_view, std::string_view)>;

// The chosen folder as a run uses it: one trailing backslash removed ("E:\" gives "E:").
std::string RunDestination(std::string_view chosen);
// The base of a whole-tree copy: the first root's text without its trailing backslash
// ("C:\DATA\" gives "C:\DATA", "C:\" gives "C:").
std::string SourceBaseOfRoot(std::string_view rootText);
// The base of a selection copy: the folder of the first entry's path, without the backslash
// ("C:\DATA\a.txt" gives "C:\DATA", "C:\a.txt" gives "C:").
std::string SourceBaseOfEntry(std::string_view entryPath);

// The part of source below base, beginning with a backslash; "" when source is base itself.
// False when source does not lie under base.
bool RemainderUnder(std::string_view source, std::string_view base, const SameTextFn& same,
                    std::string& remainder);

// The last count components of path, each preceded by a backslash ("\Sub\a.txt" for count 2).
// A root component ("E:\", "E:") contributes its drive letter, so it still has a name.
std::string LastComponents(std::string_view path, int count);

// The destination of source: destination folder plus the part of source below base. A source
// outside base (a target from another folder) is mirrored by its own name: depth is how many
// folders it lies below the top of the copied set (0 for the targets themselves), and that many
// components plus its own name are kept.
std::string MirrorPath(std::string_view destination, std::string_view base, std::string_view source,
                       int depth, const SameTextFn& same);

}  // namespace mv
