// Target entries: the text record "size,path" held in every node's entry list, and the number
// format of the status bar totals.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mv {

// "size,path": the size as plain decimal (a leading "-" when negative), one comma, the path.
std::string MakeEntry(int64_t size, std::string_view path);
// Everything after the first comma; commas inside the path are kept. No comma: the whole text.
std::string EntryPath(std::string_view entry);
// The decimal value before the first comma; 0 when it does not convert.
int64_t EntrySize(std::string_view entry);

// Decimal text of an integer; strict parse that accepts only what ToDecimal writes.
std::string ToDecimal(int64_t value);
bool ParseDecimal(std::string_view text, int64_t& value);

// "###,###,###,###": digits grouped by three with the locale's thousands separator, "-" for
// negatives, and the empty text for zero.
std::string FormatTotal(int64_t value);
std::string FormatTotal(int64_t value, std::string_view thousands);

}  // namespace mv
