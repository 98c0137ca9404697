// Shared by the LZH tests: test data, an in-memory store with fault injection, decoding.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#ifndef _WIN32
#include <iconv.h>
#endif
#include <random>
#include <string>
#include <vector>

#include "platform/text.h"
#include "unlha32/command.h"
#include "unlha32/lzh/crc16.h"
#include "unlha32/lzh/header.h"
#include "unlha32/lzh/lh_decoder.h"

namespace mv::lzh::testing {

#ifndef _WIN32
// Text from one code set to another, whole or not at all.
inline std::optional<std::string> Convert(const std::string& text, const char* from,
                                          const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in = text, out(text.size() * 4 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t left = in.size(), room = out.size();
  const size_t r = iconv(cd, &src, &left, &dst, &room);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || left != 0) return std::nullopt;
  out.resize(out.size() - room);
  return out;
}
#endif

using Bytes = std::vector<uint8_t>;

inline Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// Word salad with line breaks: compressible like prose or source text.
inline Bytes TextBytes(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"the ",      "archive ", "window ", "match ", "length ",
                                       "code ",     "table ",   "block ",  "int ",   "return ",
                                       "{\n",       "}\n",      "for (",   "i++) ",  "Huffman ",
                                       "distance ", "\n",       ";\n"};
  std::mt19937 rng(seed);
  Bytes b;
  while (b.size() < n) {
    const char* w = kWords[rng() % (sizeof(kWords) / sizeof(kWords[0]))];
    b.insert(b.end(), w, w + std::strlen(w));
  }
  b.resize(n);
  return b;
}

struct VectorSink : ByteSink {
  Bytes bytes;
  bool Put(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    return true;
  }
};

struct SpanSource : ByteSource {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  SpanSource(const uint8_t* d, size_t n) : data(d), size(n) {}
  size_t Get(uint8_t* buf, size_t n) override {
    n = std::min(n, size - at);
    std::memcpy(buf, data + at, n);
    at += n;
    return n;
  }
};

// Decodes a -lh5- stream; the status and the bytes.
inline DecodeStatus DecodeLh5(const Bytes& coded, size_t originalSize, Bytes* out) {
  SpanSource src(coded.data(), coded.size());
  VectorSink sink;
  const DecodeStatus s = LhDecode(13, src, originalSize, sink);
  *out = std::move(sink.bytes);
  return s;
}

class MemoryInput : public InputFile {
 public:
  explicit MemoryInput(Bytes bytes, int failAt = -1) : bytes_(std::move(bytes)), failAt_(failAt) {}
  int ReadAt(uint64_t offset, void* buf, size_t size, size_t* got) override {
    if (failAt_ >= 0 && offset + size > static_cast<uint64_t>(failAt_)) return 5;
    *got = offset >= bytes_.size() ? 0 : std::min<size_t>(size, bytes_.size() - offset);
    if (*got) std::memcpy(buf, bytes_.data() + offset, *got);
    return 0;
  }
  uint64_t Size() const override { return bytes_.size(); }

 private:
  Bytes bytes_;
  int failAt_;  // reads reaching this offset fail; -1: never
};

// An output in memory; Append fails once it would hold more than `room` bytes.
class VectorOutput : public OutputFile {
 public:
  explicit VectorOutput(size_t room = SIZE_MAX) : room_(room) {}
  int Append(const void* data, size_t size) override {
    if (bytes.size() + size > room_) return 112;
    const auto* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
    return 0;
  }
  int WriteAt(uint64_t offset, const void* data, size_t size) override {
    if (offset + size > bytes.size()) return 1;
    std::memcpy(bytes.data() + offset, data, size);
    return 0;
  }
  int Truncate(uint64_t size) override {
    if (size < bytes.size()) bytes.resize(size);
    return 0;
  }
  uint64_t Size() const override { return bytes.size(); }
  Bytes bytes;

 private:
  size_t room_;
};

// Windows-like paths: case-insensitive, folders implied by the files in them.
class MemStore : public Store {
 public:
  struct File {
    Bytes bytes;
    uint32_t attributes = 0x20;
    uint64_t lastWrite = 132000000000000000ull;  // 2019
  };
  std::map<std::string, File> files;  // by upper-cased path
  std::string failReadsOf;            // reading this path fails (error 5)
  int64_t diskSpace = -1;             // bytes that may still be written in all; -1: no limit
  bool failReplace = false;

  static std::string Key(const std::string& path) {
    std::string k = AsciiUpper(path);
    for (size_t i = 0, step; i < k.size(); i += step)
      if ((step = CharSize(k, i)) == 1 && k[i] == '/') k[i] = '\\';
    return k;
  }
  void Put(const std::string& path, Bytes bytes, uint32_t attributes = 0x20) {
    files[Key(path)] = File{std::move(bytes), attributes};
  }
  void PutText(const std::string& path, const std::string& text) {
    Put(path, Bytes(text.begin(), text.end()));
  }
  const File* Get(const std::string& path) const {
    auto it = files.find(Key(path));
    return it == files.end() ? nullptr : &it->second;
  }

  int Stat(const std::string& path, FileStat* st) override {
    *st = FileStat{};
    if (const File* f = Get(path)) {
      st->exists = true;
      st->size = f->bytes.size();
      st->attributes = f->attributes;
      st->lastWrite = f->lastWrite;
      st->lastAccess = f->lastWrite + 12345;
      st->creation = f->lastWrite - 600000000;
      return 0;
    }
    const std::string dir = Key(path) + (path.empty() || path.back() == '\\' ? "" : "\\");
    for (const auto& [k, f] : files) {
      if (k.compare(0, dir.size(), dir) == 0) {
        st->exists = st->directory = true;
        st->attributes = 0x10;
        return 0;
      }
    }
    return 0;
  }

  int OpenRead(const std::string& path, std::unique_ptr<InputFile>* file) override {
    const File* f = Get(path);
    if (!f) return 2;
    const bool fail = !failReadsOf.empty() && Key(failReadsOf) == Key(path);
    *file =
        std::make_unique<MemoryInput>(f->bytes, fail ? static_cast<int>(f->bytes.size() / 2) : -1);
    return 0;
  }

  class Output : public OutputFile {
   public:
    Output(MemStore& store, std::string key) : store_(store), key_(std::move(key)) {}
    Bytes& Data() { return store_.files[key_].bytes; }
    int Append(const void* data, size_t size) override {
      return WriteAt(Data().size(), data, size);
    }
    int WriteAt(uint64_t offset, const void* data, size_t size) override {
      Bytes& b = Data();
      const uint64_t grow = offset + size > b.size() ? offset + size - b.size() : 0;
      if (store_.diskSpace >= 0 && static_cast<int64_t>(grow) > store_.diskSpace)
        return 112;  // disk full
      if (store_.diskSpace >= 0) store_.diskSpace -= static_cast<int64_t>(grow);
      if (b.size() < offset + size) b.resize(offset + size);
      std::memcpy(b.data() + offset, data, size);
      return 0;
    }
    int Truncate(uint64_t size) override {
      if (size >= Data().size()) return 0;
      if (store_.diskSpace >= 0) store_.diskSpace += static_cast<int64_t>(Data().size() - size);
      Data().resize(size);
      return 0;
    }
    uint64_t Size() const override { return store_.files[key_].bytes.size(); }

   private:
    MemStore& store_;
    std::string key_;
  };

  int CreateTemp(const std::string& folder, std::string* path,
                 std::unique_ptr<OutputFile>* file) override {
    for (int n = 0;; ++n) {
      std::string name = folder + "~tmp" + std::to_string(n);
      if (!Get(name)) {
        files[Key(name)] = File{};
        *path = name;
        *file = std::make_unique<Output>(*this, Key(name));
        return 0;
      }
    }
  }
  int Replace(const std::string& from, const std::string& to) override {
    if (failReplace) return 5;
    File f = files.at(Key(from));
    files.erase(Key(from));
    files[Key(to)] = std::move(f);
    return 0;
  }
  int Remove(const std::string& path) override {
    files.erase(Key(path));
    return 0;
  }
  std::string Describe(int error) override { return "error " + std::to_string(error); }

#ifndef _WIN32
  // Short spellings standing for names the code page cannot hold, by Key(path): the true name.
  std::map<std::string, std::u16string> longNames;
  std::u16string LongNameOf(const std::string& path) override {
    auto it = longNames.find(Key(path));
    return it == longNames.end() ? std::u16string() : it->second;
  }
  std::u16string Utf16Of(const std::string& text) override { return Utf16(text, "CP932"); }

  // Text of a code set in UTF-16 (empty when it does not convert).
  static std::u16string Utf16(const std::string& text, const char* from) {
    const std::optional<std::string> out = Convert(text, from, "UTF-16LE");
    if (!out) return {};
    std::u16string wide(out->size() / 2, u'\0');
    std::memcpy(wide.data(), out->data(), wide.size() * 2);
    return wide;
  }
#endif
};

// A stored (-lh0-) level-2 member.
inline Bytes Level2(const std::string& path, const Bytes& data) {
  NewHeader h;
  const auto parts = SplitStoredPath(path);
  for (size_t i = 0; i + 1 < parts.size(); ++i) h.dir += (i ? "\\" : "") + parts[i];
  h.name = parts.back();
  h.packedSize = h.originalSize = static_cast<uint32_t>(data.size());
  h.dataCrc = Crc16(0, data.data(), data.size());
  Bytes b = BuildLevel2Header(h);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// Reads an archive's members.
inline std::vector<MemberEntry> Members(const Bytes& archive) {
  MemoryInput in(archive);
  std::vector<MemberEntry> m;
  std::string reason;
  int error = 0;
  if (!ReadArchiveIndex(in, &m, &reason, &error)) m.clear();
  return m;
}

// The data of one member, decoded.
inline Bytes MemberData(const Bytes& archive, const MemberEntry& m) {
  Bytes packed(archive.begin() + m.dataOffset, archive.begin() + m.end);
  if (m.method == "-lh0-") return packed;
  Bytes out;
  DecodeLh5(packed, m.originalSize, &out);
  return out;
}

}  // namespace mv::lzh::testing
