#include "unlha32/posix_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "unlha32/lzh/header.h"

namespace mv::lzh {
namespace {

uint64_t FileTimeOf(const timespec& t) {
  constexpr uint64_t kEpoch = 116444736000000000ull;
  return kEpoch + static_cast<uint64_t>(t.tv_sec) * 10000000ull +
         static_cast<uint64_t>(t.tv_nsec) / 100;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  int Close() {
    const int r = close(fd_);
    fd_ = -1;
    return r == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

class PosixInput : public InputFile {
 public:
  PosixInput(int fd, uint64_t size) : fd_(fd), size_(size) {}
  int ReadAt(uint64_t offset, void* buf, size_t size, size_t* got) override {
    for (;;) {
      const ssize_t n = pread(fd_.Get(), buf, size, static_cast<off_t>(offset));
      if (n >= 0) {
        *got = static_cast<size_t>(n);
        return 0;
      }
      if (errno != EINTR) return errno;
    }
  }
  uint64_t Size() const override { return size_; }

 private:
  Fd fd_;
  uint64_t size_;
};

class PosixOutput : public PositionedOutput {
 public:
  explicit PosixOutput(int fd) : fd_(fd) {}
  int WriteAt(uint64_t offset, const void* data, size_t size) override {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
      const ssize_t n = pwrite(fd_.Get(), p, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n < 0 ? errno : ENOSPC;
      p += n;
      offset += static_cast<uint64_t>(n);
      size -= static_cast<size_t>(n);
    }
    return 0;
  }
  int Close() override { return fd_.Close(); }

 protected:
  int Cut(uint64_t size) override {
    return ftruncate(fd_.Get(), static_cast<off_t>(size)) == 0 ? 0 : errno;
  }

 private:
  Fd fd_;
};

}  // namespace

std::string ToPosixPath(const std::string& path) {
  std::string out = path;
  for (size_t i = 0, step; i < out.size(); i += step)
    if ((step = CharSize(out, i, kNamePage)) == 1 && out[i] == '\\') out[i] = '/';
  return out;
}

int PosixStore::Stat(const std::string& path, FileStat* st) {
  *st = FileStat{};
  struct stat s;
  if (stat(ToPosixPath(path).c_str(), &s) != 0)
    return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
  st->exists = true;
  st->directory = S_ISDIR(s.st_mode);
  st->size = st->directory ? 0 : static_cast<uint64_t>(s.st_size);
  st->attributes = st->directory ? 0x10 : 0x20;
  if (!(s.st_mode & S_IWUSR)) st->attributes |= 0x01;
  st->lastWrite = FileTimeOf(s.st_mtim);
  st->lastAccess = FileTimeOf(s.st_atim);
  st->creation = st->lastWrite;  // no creation time here
  return 0;
}

int PosixStore::OpenRead(const std::string& path, std::unique_ptr<InputFile>* file) {
  const int fd = open(ToPosixPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat s;
  if (fstat(fd, &s) != 0) {
    const int e = errno;
    close(fd);
    return e;
  }
  *file = std::make_unique<PosixInput>(fd, static_cast<uint64_t>(s.st_size));
  return 0;
}

int PosixStore::CreateTemp(const std::string& folder, std::string* path,
                           std::unique_ptr<OutputFile>* file) {
  return CreateFirstFree(folder, path, EEXIST, [&](const std::string& candidate) {
    const int fd =
        open(ToPosixPath(candidate).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    *file = std::make_unique<PosixOutput>(fd);
    return 0;
  });
}

int PosixStore::Replace(const std::string& from, const std::string& to) {
  return rename(ToPosixPath(from).c_str(), ToPosixPath(to).c_str()) == 0 ? 0 : errno;
}

int PosixStore::Remove(const std::string& path) {
  return unlink(ToPosixPath(path).c_str()) == 0 || errno == ENOENT ? 0 : errno;
}

std::string PosixStore::Describe(int error) { return std::strerror(error); }

}  // namespace mv::lzh
