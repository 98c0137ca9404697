// The hostile file names of tests/data/names.txt ("kind<TAB>name" in UTF-8, one a line, '#'
// starts a comment), for tests that build real trees from them.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace mv::testing {

struct HostileName {
  std::string kind;  // trail-XX, kana, outside, pair, roundtrip, ascii; "folder-" first for folders
  std::string utf8;
  bool Folder() const { return kind.rfind("folder-", 0) == 0; }
};

// Empty when the file cannot be read; tests assert that it is not.
inline std::vector<HostileName> LoadHostileNames(const std::string& path) {
  std::vector<HostileName> names;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    names.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  return names;
}

}  // namespace mv::testing
