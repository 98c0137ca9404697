#include "unlha32/lzh/header.h"

#include <algorithm>
#include <cstring>

#include "unlha32/lzh/crc16.h"

namespace mv::lzh {
namespace {

constexpr size_t kLevel2Fixed = 26;
constexpr uint8_t kOsId = 'M';  // MS-DOS family: attributes are DOS attributes

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
void Put64(std::vector<uint8_t>& v, uint64_t x) {
  Put32(v, static_cast<uint32_t>(x));
  Put32(v, static_cast<uint32_t>(x >> 32));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16); }

struct Record {
  uint8_t type;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Backslashes that separate (not trail bytes) become 0xFF, and one more 0xFF ends the name.
std::vector<uint8_t> DirRecord(const std::string& dir, bool trailing) {
  std::vector<uint8_t> out;
  for (size_t i = 0, step; i < dir.size(); i += step) {
    step = CharSize(dir, i, kNamePage);
    if (step == 1 && dir[i] == '\\')
      out.push_back(0xFF);
    else
      out.insert(out.end(), dir.begin() + i, dir.begin() + i + step);
  }
  if (trailing) out.push_back(0xFF);
  return out;
}

// UTF-16LE bytes; a directory's backslashes become 0xFFFF, and one more ends it.
std::vector<uint8_t> WideRecord(const std::u16string& text, bool directory) {
  std::vector<uint8_t> out;
  for (char16_t c : text) Put16(out, directory && c == u'\\' ? 0xFFFF : c);
  if (directory) Put16(out, 0xFFFF);
  return out;
}

std::vector<uint8_t> Assemble(const NewHeader& h, const std::vector<Record>& records) {
  std::vector<uint8_t> v;
  size_t total = kLevel2Fixed;
  for (const Record& r : records) total += 3 + r.data.size();
  Put16(v, static_cast<uint32_t>(total));
  v.insert(v.end(), h.method, h.method + 5);
  Put32(v, h.packedSize);
  Put32(v, h.originalSize);
  Put32(v, UnixTimeOf(h.lastWrite));
  v.push_back(0x20);  // reserved
  v.push_back(2);     // level
  Put16(v, h.dataCrc);
  v.push_back(kOsId);
  Put16(v, records.empty() ? 0 : static_cast<uint32_t>(3 + records[0].data.size()));
  for (size_t i = 0; i < records.size(); ++i) {
    v.push_back(records[i].type);
    v.insert(v.end(), records[i].data.begin(), records[i].data.end());
    Put16(v, i + 1 < records.size() ? static_cast<uint32_t>(3 + records[i + 1].data.size()) : 0);
  }
  return v;
}

}  // namespace

uint32_t UnixTimeOf(uint64_t fileTime) {
  constexpr uint64_t kEpoch = 116444736000000000ull;  // 1970-01-01 in file time
  if (fileTime <= kEpoch) return 0;
  const uint64_t s = (fileTime - kEpoch) / 10000000ull;
  return s > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(s);
}

std::vector<uint8_t> BuildLevel2Header(const NewHeader& h) {
  std::vector<Record> records;
  records.push_back({0x00, {0, 0}});  // CRC, filled in below
  const bool wide = !h.wideName.empty();
  // Readers that convert names refuse code-page bytes they are not told the code page of.
  auto highByte = [](const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c & 0x80; });
  };
  if (wide || highByte(h.name) || highByte(h.dir)) {
    records.push_back({0x46, {}});
    Put32(records.back().data, kCodePage);
  }
  records.push_back({0x01, Bytes(h.name)});
  const bool hasDir = !h.dir.empty();
  if (hasDir) records.push_back({0x02, DirRecord(h.dir, true)});
  if (wide) records.push_back({0x44, WideRecord(h.wideName, false)});
  if (wide && !h.wideDir.empty()) records.push_back({0x45, WideRecord(h.wideDir, true)});
  // A plain archive file needs no attribute record: readers take 0x20 without one, and the
  // fixed part carries 0x20 where level 0 and 1 keep the attributes.
  if (h.attributes != 0x20)
    records.push_back(
        {0x40, {static_cast<uint8_t>(h.attributes), static_cast<uint8_t>(h.attributes >> 8)}});
  std::vector<uint8_t> times;
  Put64(times, h.creation);
  Put64(times, h.lastWrite);
  Put64(times, h.lastAccess);
  records.push_back({0x41, times});
  std::vector<uint8_t> v = Assemble(h, records);
  if (v.size() % 256 == 0) {
    // Both readers mishandle such a size, the documented pad byte included. Change the size
    // instead: without the directory's closing 0xFF, or with an empty directory record.
    auto name = std::find_if(records.begin(), records.end(),
                             [](const Record& r) { return r.type == 0x01; });
    if (hasDir)
      (name + 1)->data.pop_back();
    else
      records.insert(name + 1, Record{0x02, {}});
    v = Assemble(h, records);
  }
  const uint16_t crc = Crc16(0, v.data(), v.size());
  v[kLevel2Fixed + 1] = static_cast<uint8_t>(crc);  // the CRC record comes first
  v[kLevel2Fixed + 2] = static_cast<uint8_t>(crc >> 8);
  return v;
}

bool IsDirectoryMethod(const std::string& method) { return method == "-lhd-"; }

std::vector<std::string> SplitStoredPath(const std::string& path) {
  std::vector<std::string> parts(1);
  for (size_t i = 0, step; i < path.size(); i += step) {
    step = CharSize(path, i, kNamePage);
    if (step == 1 && path[i] == '\\')
      parts.emplace_back();
    else
      parts.back() += path.substr(i, step);
  }
  std::vector<std::string> out;
  for (auto& p : parts)
    if (!p.empty()) out.push_back(std::move(p));
  return out;
}

bool SamePath(const std::string& a, const std::string& b) {
  return AsciiEqualsNoCase(a, b, kNamePage);
}

namespace {

// Rewrites the separators other writers use (0xFF, '/') as backslashes.
std::string NormalizeSeparators(const std::string& s) {
  std::string out;
  for (size_t i = 0, step; i < s.size(); i += step) {
    step = CharSize(s, i, kNamePage);
    const auto c = static_cast<unsigned char>(s[i]);
    if (step == 1 && (c == 0xFF || c == '/'))
      out += '\\';
    else
      out += s.substr(i, step);
  }
  return out;
}

std::u16string JoinWide(const std::u16string& dir, const std::u16string& name) {
  std::u16string out;
  for (char16_t c : dir) out += c == 0xFFFF ? u'\\' : c;
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  return out.empty() ? name : out + u'\\' + name;
}

std::u16string Utf16(const uint8_t* data, size_t len) {
  std::u16string out;
  for (size_t i = 0; i + 1 < len; i += 2) out += static_cast<char16_t>(Get16(data + i));
  return out;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  std::string d = NormalizeSeparators(dir);
  const std::vector<std::string> parts = SplitStoredPath(d + "\\" + NormalizeSeparators(name));
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : "\\") + p;
  return out;
}

class IndexReader {
 public:
  IndexReader(InputFile& in, std::string* reason, int* error)
      : in_(in), size_(in.Size()), reason_(reason), error_(error) {}

  bool Run(std::vector<MemberEntry>* members) {
    uint64_t at = 0;
    while (at < size_) {
      uint8_t first = 0;
      if (!Read(at, &first, 1)) return false;
      if (first == 0) return true;  // end mark
      MemberEntry m;
      if (!ReadOne(at, &m)) return false;
      if (m.end > size_) return Fail("書庫が途中で切れています");
      members->push_back(std::move(m));
      at = members->back().end;
    }
    return true;  // no end mark: some writers leave it out
  }

 private:
  bool Fail(const char* why) {
    *reason_ = why;
    return false;
  }
  bool Read(uint64_t at, void* buf, size_t n) {
    if (at + n > size_) return Fail("書庫が途中で切れています");
    if (!ReadExactly(in_, at, buf, n, error_))
      return Fail(*error_ ? "書庫を読めません" : "書庫が途中で切れています");
    return true;
  }

  // Extended records from `at` on, the first `firstSize` bytes long; adds their total length.
  bool ReadRecords(uint64_t at, uint32_t firstSize, uint64_t limit, MemberEntry* m,
                   std::string* name, std::string* dir, uint64_t* total, uint64_t* crcAt) {
    std::u16string wideName, wideDir;
    uint32_t size = firstSize;
    int count = 0;
    while (size != 0) {
      if (size < 3 || at + size > limit) return Fail("拡張ヘッダーが壊れています");
      if (++count > 1000) return Fail("拡張ヘッダーが多すぎます");
      std::vector<uint8_t> r(size);
      if (!Read(at, r.data(), size)) return false;
      const uint8_t* data = r.data() + 1;
      const size_t len = size - 3;
      switch (r[0]) {
        case 0x00:
          if (len >= 2) {
            m->headerCrcPresent = true;
            *crcAt = at + 1;
          }
          break;
        case 0x01:
          name->assign(reinterpret_cast<const char*>(data), len);
          break;
        case 0x02:
          dir->assign(reinterpret_cast<const char*>(data), len);
          break;
        case 0x40:
          if (len >= 2) m->attributes = Get16(data);
          break;
        case 0x44:
          wideName = Utf16(data, len);
          break;
        case 0x45:
          wideDir = Utf16(data, len);
          break;
        case 0x46:
          if (len >= 4) m->codePage = Get32(data);
          break;
        default:
          break;
      }
      *total += size;
      at += size;
      size = Get16(r.data() + size - 2);
    }
    if (!wideName.empty()) m->widePath = JoinWide(wideDir, wideName);
    return true;
  }

  bool ReadOne(uint64_t at, MemberEntry* m) {
    uint8_t base[26];
    if (at + 22 > size_) return Fail("書庫が途中で切れています");
    if (!Read(at, base, 21)) return false;
    m->offset = at;
    m->level = base[20];
    m->method.assign(reinterpret_cast<const char*>(base + 2), 5);
    if (m->method[0] != '-' || m->method[4] != '-') return Fail("LZH 書庫ではありません");
    m->packedSize = Get32(base + 7);
    m->originalSize = Get32(base + 11);
    m->time = Get32(base + 15);
    switch (m->level) {
      case 0:
      case 1:
        return ReadLevel01(at, base, m);
      case 2:
        return ReadLevel2(at, m);
      default:
        return Fail("このヘッダー形式 (レベル 3 以上) の書庫には追加できません");
    }
  }

  bool ReadLevel01(uint64_t at, const uint8_t* base, MemberEntry* m) {
    const uint32_t headerLen = base[0] + 2u;
    if (headerLen < 22) return Fail("ヘッダーが壊れています");
    std::vector<uint8_t> h(headerLen);
    if (!Read(at, h.data(), headerLen)) return false;
    uint8_t sum = 0;
    for (size_t i = 2; i < headerLen; ++i) sum = static_cast<uint8_t>(sum + h[i]);
    if (sum != h[1]) return Fail("ヘッダーのチェックサムが合いません");
    const uint32_t nameLen = h[21];
    if (22 + nameLen > headerLen) return Fail("ヘッダーが壊れています");
    std::string name(reinterpret_cast<const char*>(h.data() + 22), nameLen);
    std::string dir;
    m->hasDataCrc = 22 + nameLen + 2 <= headerLen;
    if (m->hasDataCrc) m->dataCrc = Get16(h.data() + 22 + nameLen);
    if (m->level == 0) {
      m->attributes = h[19];
      m->dataOffset = at + headerLen;
    } else {
      if (27 + nameLen > headerLen) return Fail("ヘッダーが壊れています");
      // The packed size of level 1 counts the extended records too.
      uint64_t records = 0, crcAt = 0;
      if (!ReadRecords(at + headerLen, Get16(h.data() + headerLen - 2), size_, m, &name, &dir,
                       &records, &crcAt))
        return false;
      if (records > m->packedSize) return Fail("ヘッダーが壊れています");
      m->packedSize -= records;
      m->dataOffset = at + headerLen + records;
      m->headerCrcPresent = false;  // not checked for level 1
    }
    m->path = JoinPath(dir, name);
    m->end = m->dataOffset + m->packedSize;
    return true;
  }

  bool ReadLevel2(uint64_t at, MemberEntry* m) {
    uint8_t fixed[26];
    if (!Read(at, fixed, 26)) return false;
    const uint32_t total = Get16(fixed);
    if (total < 26) return Fail("ヘッダーが壊れています");
    m->dataCrc = Get16(fixed + 21);
    std::string name, dir;
    uint64_t records = 0, crcAt = 0;
    if (!ReadRecords(at + 26, Get16(fixed + 24), at + total, m, &name, &dir, &records, &crcAt))
      return false;
    if (26 + records > total || total - (26 + records) > 1) return Fail("ヘッダーが壊れています");
    if (m->headerCrcPresent) {
      std::vector<uint8_t> h(total);
      if (!Read(at, h.data(), total)) return false;
      const size_t off = static_cast<size_t>(crcAt - at);
      const uint16_t stored = Get16(h.data() + off);
      h[off] = h[off + 1] = 0;
      m->headerCrcOk = Crc16(0, h.data(), h.size()) == stored;
      if (!m->headerCrcOk) return Fail("ヘッダーの CRC が合いません");
    }
    m->path = JoinPath(dir, name);
    m->dataOffset = at + total;
    m->end = m->dataOffset + m->packedSize;
    return true;
  }

  InputFile& in_;
  const uint64_t size_;
  std::string* reason_;
  int* error_;
};

}  // namespace

bool ReadArchiveIndex(InputFile& in, std::vector<MemberEntry>* members, std::string* reason,
                      int* error) {
  members->clear();
  *error = 0;
  IndexReader r(in, reason, error);
  return r.Run(members);
}

}  // namespace mv::lzh
