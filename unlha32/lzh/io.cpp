#include "unlha32/lzh/io.h"

namespace mv::lzh {

bool ReadExactly(InputFile& in, uint64_t offset, void* buf, size_t size, int* error) {
  auto* p = static_cast<uint8_t*>(buf);
  while (size > 0) {
    size_t got = 0;
    if (int e = in.ReadAt(offset, p, size, &got); e != 0) {
      *error = e;
      return false;
    }
    if (got == 0) return false;
    p += got;
    offset += got;
    size -= got;
  }
  return true;
}

int PositionedOutput::Append(const void* data, size_t size) {
  if (int e = WriteAt(size_, data, size); e != 0) return e;
  size_ += size;
  return 0;
}

int PositionedOutput::Truncate(uint64_t size) {
  if (int e = Cut(size); e != 0) return e;
  size_ = size;
  return 0;
}

}  // namespace mv::lzh
