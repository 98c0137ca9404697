// The file access the archive code needs: positioned reads, and an output that can be patched
// and cut back. Error values are the platform's codes; 0 means success.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mv::lzh {

class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to size bytes at offset; *got is 0 at the end of the file.
  virtual int ReadAt(uint64_t offset, void* buf, size_t size, size_t* got) = 0;
  virtual uint64_t Size() const = 0;
};

class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual int Append(const void* data, size_t size) = 0;
  // Overwrites bytes that were appended before.
  virtual int WriteAt(uint64_t offset, const void* data, size_t size) = 0;
  // Drops everything from size on; later appends continue there.
  virtual int Truncate(uint64_t size) = 0;
  virtual uint64_t Size() const = 0;
  // Finishes the file; errors the platform reports only at the end show here.
  virtual int Close() { return 0; }
};

// A file written by positioned writes: appends go at the end it keeps track of, so the platform's
// file position never matters.
class PositionedOutput : public OutputFile {
 public:
  int Append(const void* data, size_t size) final;
  int Truncate(uint64_t size) final;
  uint64_t Size() const final { return size_; }

 protected:
  // Cuts the file itself at size.
  virtual int Cut(uint64_t size) = 0;

 private:
  uint64_t size_ = 0;
};

// Reads exactly size bytes at offset; false on an error or a short file (*error stays 0 then).
bool ReadExactly(InputFile& in, uint64_t offset, void* buf, size_t size, int* error);

}  // namespace mv::lzh
