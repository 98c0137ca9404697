#include "unlha32/store.h"

#include <cstdio>

namespace mv::lzh {

int CreateFirstFree(const std::string& folder, std::string* path, int taken,
                    const std::function<int(const std::string& path)>& create) {
  for (int n = 0; n < 10000; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "~mvlzh%04d.tmp", n);
    std::string candidate = folder + name;
    const int e = create(candidate);
    if (e == 0) *path = std::move(candidate);
    if (e != taken) return e;
  }
  return taken;
}

}  // namespace mv::lzh
