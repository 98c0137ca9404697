// Fuzzes the list-file reader and a whole run over it: every listed name exists in an in-memory
// store, and the archive written must list safe names only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "tests/native/lzh_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mv::lzh;
  const std::string contents(reinterpret_cast<const char*>(data), size);
  testing::MemStore store;
  store.PutText("C:\\P\\L.$", contents);
  for (const std::string& line : ParseListFile(contents)) {
    if (line.empty()) std::abort();
    StoredName n;
    std::string reason;
    if (ResolveName(line, "D:\\W\\", true, &n, &reason)) store.PutText(n.source, line);
  }
  // A listed name may even be the archive's own: what was there must stay on failure.
  const testing::MemStore::File* before = store.Get("D:\\Out\\x.lzh");
  const testing::Bytes old = before ? before->bytes : testing::Bytes{};
  const bool existed = before != nullptr;
  std::set<std::string> names;
  for (const auto& f : store.files) names.insert(f.first);
  const RunResult r = RunCommand(store, "a \"D:\\Out\\x.lzh\" \"D:\\W\\\" @C:\\P\\L.$");
  const testing::MemStore::File* archive = store.Get("D:\\Out\\x.lzh");
  for (const auto& f : store.files)  // no file other than the archive is new: no temporary left
    if (!names.count(f.first) && f.first != testing::MemStore::Key("D:\\Out\\x.lzh")) std::abort();
  if (r.code != 0) {
    if ((archive != nullptr) != existed || (archive && archive->bytes != old)) std::abort();
    return 0;
  }
  if (!archive) std::abort();
  const auto members = testing::Members(archive->bytes);
  if (members.empty()) std::abort();
  for (const MemberEntry& m : members) {
    if (m.path.empty() || m.path.front() == '\\') std::abort();
    for (const std::string& part : SplitStoredPath(m.path))
      if (part == ".." || part.find(':') != std::string::npos) std::abort();
  }
  return 0;
}
