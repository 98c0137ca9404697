#include "ops/common/error_list.h"

#include <fstream>

namespace mv {
namespace {

std::string CodeLine(std::string_view prefix, int code, std::string_view path) {
  std::string line(prefix);
  line += " ErrCode = ";
  line += std::to_string(code);
  line += " FileName = ";
  line += path;
  return line;
}

}  // namespace

std::string FileOpenErrLine(int code, std::string_view path) {
  return CodeLine("FileOpenErr", code, path);
}
std::string DateSetErrLine(int code, std::string_view path) {
  return CodeLine("DateSetErr", code, path);
}
std::string AttributeSetErrLine(int code, std::string_view path) {
  return CodeLine("Attribute SetErr", code, path);
}
std::string NotCopyLine(std::string_view path) {
  return "Not Copy FileName = " + std::string(path);
}

void ErrorList::Clear() {
  lines_.clear();
  Changed();
}

void ErrorList::Append(std::string line) {
  lines_.push_back(std::move(line));
  Changed();
}

bool ErrorList::SaveTo(std::ostream& out) const {
  for (const std::string& line : lines_) {
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.write("\r\n", 2);
  }
  out.flush();
  return static_cast<bool>(out);
}

bool ErrorList::SaveToFile(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  if (!SaveTo(out)) return false;
  out.close();
  return !out.fail();
}

}  // namespace mv
