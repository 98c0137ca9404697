// Fuzzes the archiver's command-text parser and the stored names it leads to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "unlha32/command.h"
#include "unlha32/lzh/header.h"

namespace {

// A stored name never climbs out, never names a drive or a root, and never is empty; its
// folder has no empty components.
void CheckStored(const mv::lzh::StoredName& n) {
  if (n.name.empty() || !mv::lzh::SplitStoredPath(n.name).size()) std::abort();
  std::string rejoined;
  for (const std::string& part : mv::lzh::SplitStoredPath(n.dir)) {
    if (part == ".." || part == "." || part.find(':') != std::string::npos) std::abort();
    rejoined += (rejoined.empty() ? "" : "\\") + part;
  }
  if (rejoined != n.dir) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  mv::lzh::Command c;
  std::string reason;
  if (!mv::lzh::ParseCommand(text, &c, &reason)) {
    if (reason.empty()) std::abort();  // every refusal says why
    return 0;
  }
  if (c.archive.empty()) std::abort();
  for (const std::string& f : c.files) {
    mv::lzh::StoredName n;
    if (mv::lzh::ResolveName(f, c.baseFolder, c.storePaths, &n, &reason)) CheckStored(n);
  }
  return 0;
}
