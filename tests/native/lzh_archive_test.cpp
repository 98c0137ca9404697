// Member headers (writing level 2, reading levels 0 to 2) and copies of members.
#include <gtest/gtest.h>

#include "lzh_test_support.h"
#include "unlha32/lzh/crc16.h"
#include "unlha32/lzh/member_writer.h"

namespace mv::lzh {
namespace {

using testing::Bytes;

uint16_t Get16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t Get32(const Bytes& b, size_t at) {
  return Get16(b, at) | (static_cast<uint32_t>(Get16(b, at + 2)) << 16);
}

// The records of a level-2 header: type and data, in order.
std::vector<std::pair<int, Bytes>> Records(const Bytes& h) {
  std::vector<std::pair<int, Bytes>> out;
  size_t at = 26;
  for (uint16_t size = Get16(h, 24); size != 0; at += size, size = Get16(h, at - 2))
    out.push_back({h[at], Bytes(h.begin() + at + 1, h.begin() + at + size - 2)});
  EXPECT_EQ(at, Get16(h, 0)) << "records must fill the header exactly";
  return out;
}

bool HeaderCrcHolds(Bytes h) {
  const uint16_t stored = Get16(h, 27);  // the CRC record comes first
  h[27] = h[28] = 0;
  return Crc16(0, h.data(), h.size()) == stored;
}

TEST(LzhHeader, Level2Layout) {
  NewHeader n;
  std::memcpy(n.method, "-lh5-", 5);
  n.packedSize = 0x01020304;
  n.originalSize = 0x0A0B0C0D;
  n.dataCrc = 0xBEEF;
  n.dir = "sub\\表";  // 表 is 95 5C: its trail byte is no separator
  n.name = "ソ.txt";
  n.attributes = 0x21;
  n.creation = 1, n.lastWrite = 116444736000000000ull + 10000000ull * 1000, n.lastAccess = 3;
  const Bytes h = BuildLevel2Header(n);

  EXPECT_EQ(Get16(h, 0), h.size());
  EXPECT_EQ(std::string(h.begin() + 2, h.begin() + 7), "-lh5-");
  EXPECT_EQ(Get32(h, 7), 0x01020304u);
  EXPECT_EQ(Get32(h, 11), 0x0A0B0C0Du);
  EXPECT_EQ(Get32(h, 15), 1000u);  // Unix time of the last write
  EXPECT_EQ(h[20], 2);
  EXPECT_EQ(Get16(h, 21), 0xBEEF);
  EXPECT_TRUE(HeaderCrcHolds(h));

  const auto r = Records(h);
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(r[0].first, 0x00);
  // Double-byte names: the code page is said first, for readers that convert names.
  EXPECT_EQ(r[1], (std::pair<int, Bytes>{0x46, {0xA4, 0x03, 0x00, 0x00}}));
  EXPECT_EQ(r[2], (std::pair<int, Bytes>{0x01, {0x83, 0x5C, '.', 't', 'x', 't'}}));
  EXPECT_EQ(r[3], (std::pair<int, Bytes>{0x02, {'s', 'u', 'b', 0xFF, 0x95, 0x5C, 0xFF}}));
  EXPECT_EQ(r[4], (std::pair<int, Bytes>{0x40, {0x21, 0x00}}));
  ASSERT_EQ(r[5].first, 0x41);
  ASSERT_EQ(r[5].second.size(), 24u);
  EXPECT_EQ(r[5].second[0], 1);  // creation, last write, last access
  EXPECT_EQ(r[5].second[16], 3);
}

TEST(LzhHeader, PlainFilesHaveNoAttributeRecord) {
  NewHeader n;
  n.name = "a.txt";
  auto types = [](const Bytes& h) {
    std::vector<int> t;
    for (const auto& r : Records(h)) t.push_back(r.first);
    return t;
  };
  // 0x20 is what readers take without the record; the times always go in.
  const Bytes plain = BuildLevel2Header(n);
  EXPECT_EQ(types(plain), (std::vector<int>{0x00, 0x01, 0x41}));
  EXPECT_TRUE(HeaderCrcHolds(plain));
  Bytes archive = plain;
  archive.push_back(0);
  const auto m = testing::Members(archive);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].attributes, 0x20);
  for (uint16_t attributes : {0x00, 0x21, 0x22, 0x24}) {
    n.attributes = attributes;
    EXPECT_EQ(types(BuildLevel2Header(n)), (std::vector<int>{0x00, 0x01, 0x40, 0x41}))
        << attributes;
  }
}

// A short name standing for a name the code page cannot hold: the true path goes in UTF-16
// beside the code-page one, after the code-page records and behind the code page's number.
TEST(LzhHeader, TrueNamesInUtf16FollowTheCodePageNames) {
  NewHeader n;
  n.dir = "__~~~1\\表";
  n.name = "CAF_~1.TXT";
  n.wideDir = u"한글\\表";
  n.wideName = u"café.txt";
  const Bytes h = BuildLevel2Header(n);
  EXPECT_TRUE(HeaderCrcHolds(h));
  const auto r = Records(h);
  std::vector<int> types;
  for (const auto& record : r) types.push_back(record.first);
  EXPECT_EQ(types, (std::vector<int>{0x00, 0x46, 0x01, 0x02, 0x44, 0x45, 0x41}));
  EXPECT_EQ(r[1].second, (Bytes{0xA4, 0x03, 0x00, 0x00}));  // 932
  EXPECT_EQ(r[4].second, (Bytes{'c', 0, 'a', 0, 'f', 0, 0xE9, 0, '.', 0, 't', 0, 'x', 0, 't', 0}));
  EXPECT_EQ(r[5].second,
            (Bytes{0x5C, 0xD5, 0x00, 0xAE, 0xFF, 0xFF, 0x68, 0x88, 0xFF, 0xFF}));  // 한 글 / 表 /

  // Our reader takes both; without the UTF-16 names and with ASCII names alone none of the
  // three records is written.
  Bytes archive = h;
  archive.push_back(0);
  auto m = testing::Members(archive);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].path, "__~~~1\\表\\CAF_~1.TXT");
  const std::u16string truePath = u"한글\\表\\café.txt";  // outside the macro: no code-page text
  EXPECT_TRUE(m[0].widePath == truePath);
  EXPECT_EQ(m[0].codePage, 932u);
  n.wideDir.clear();
  n.wideName.clear();
  n.dir = "__~~~1";
  archive = BuildLevel2Header(n);
  archive.push_back(0);
  m = testing::Members(archive);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_TRUE(m[0].widePath.empty());
  EXPECT_EQ(m[0].codePage, 0u);
}

TEST(LzhHeader, SizeNeverEndsInZeroByte) {
  // Without a directory the header is 61 bytes plus the name: 195 would make it 256. With the
  // UTF-16 names it grows by two bytes a character and ten more.
  for (const bool wide : {false, true}) {
    for (const std::string dir : {"", "d", "abc\\de"}) {
      for (size_t n = 60; n < 480; ++n) {
        NewHeader h;
        h.dir = dir;
        h.name = std::string(n, 'n');
        if (wide) {
          h.wideDir = std::u16string(dir.begin(), dir.end());
          h.wideName = std::u16string(n / 3, u'é');
        }
        const Bytes b = BuildLevel2Header(h);
        ASSERT_NE(b.size() % 256, 0u) << "name " << n << " dir " << dir << " wide " << wide;
        ASSERT_TRUE(HeaderCrcHolds(b));
        Bytes archive = b;
        archive.push_back(0);
        const auto m = testing::Members(archive);
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].path, dir.empty() ? h.name : dir + "\\" + h.name);
        if (wide)
          EXPECT_TRUE(m[0].widePath ==
                      (h.wideDir.empty() ? h.wideName : h.wideDir + u"\\" + h.wideName));
      }
    }
  }
}

// Hand-made headers of the older levels, as other writers make them.
Bytes Level0(const std::string& name, const std::string& data) {
  Bytes h = {0, 0, '-', 'l', 'h', '0', '-'};
  for (int i = 0; i < 2; ++i)
    for (int k = 0; k < 4; ++k) h.push_back(static_cast<uint8_t>(data.size() >> (8 * k)));
  h.insert(h.end(), {0x00, 0x60, 0x21, 0x5A, 0x20, 0x00, static_cast<uint8_t>(name.size())});
  h.insert(h.end(), name.begin(), name.end());
  const uint16_t crc = Crc16(0, data.data(), data.size());
  h.push_back(crc & 0xFF);
  h.push_back(crc >> 8);
  h[0] = static_cast<uint8_t>(h.size() - 2);
  for (size_t i = 2; i < h.size(); ++i) h[1] = static_cast<uint8_t>(h[1] + h[i]);
  h.insert(h.end(), data.begin(), data.end());
  return h;
}

Bytes Level1(const std::string& name, const std::string& dirRecord, const std::string& data) {
  const uint32_t ext = static_cast<uint32_t>(dirRecord.size() + 3);
  const uint32_t packed = static_cast<uint32_t>(data.size()) + ext;  // level 1 counts the records
  Bytes h = {0, 0, '-', 'l', 'h', '0', '-'};
  for (uint32_t v : {packed, static_cast<uint32_t>(data.size())})
    for (int k = 0; k < 4; ++k) h.push_back(static_cast<uint8_t>(v >> (8 * k)));
  h.insert(h.end(), {0x00, 0x60, 0x21, 0x5A, 0x20, 0x01, static_cast<uint8_t>(name.size())});
  h.insert(h.end(), name.begin(), name.end());
  const uint16_t crc = Crc16(0, data.data(), data.size());
  h.insert(h.end(), {static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8), 'M',
                     static_cast<uint8_t>(ext), static_cast<uint8_t>(ext >> 8)});
  h[0] = static_cast<uint8_t>(h.size() - 2);
  for (size_t i = 2; i < h.size(); ++i) h[1] = static_cast<uint8_t>(h[1] + h[i]);
  h.push_back(0x02);
  h.insert(h.end(), dirRecord.begin(), dirRecord.end());
  h.insert(h.end(), {0, 0});
  h.insert(h.end(), data.begin(), data.end());
  return h;
}

TEST(LzhIndex, ReadsAllThreeLevels) {
  Bytes archive = Level0("DOS\\OLD.TXT", "level zero");
  const Bytes one = Level1("one.txt", "sub\xFF", "level one");
  const Bytes two = testing::Level2("two.txt", {'2', '2'});
  archive.insert(archive.end(), one.begin(), one.end());
  archive.insert(archive.end(), two.begin(), two.end());
  archive.push_back(0);

  const auto m = testing::Members(archive);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].path, "DOS\\OLD.TXT");
  EXPECT_EQ(m[0].level, 0);
  EXPECT_EQ(m[0].attributes, 0x20);
  EXPECT_EQ(m[1].path, "sub\\one.txt");
  EXPECT_EQ(m[1].packedSize, 9u);  // the record is not data
  EXPECT_EQ(m[2].path, "two.txt");
  for (const auto& e : m)
    EXPECT_EQ(Crc16(0, archive.data() + e.dataOffset, e.packedSize), e.dataCrc);
  EXPECT_EQ(testing::MemberData(archive, m[1]), Bytes(one.end() - 9, one.end()));
  // No end mark is accepted too; an empty file is an archive without members.
  archive.pop_back();
  EXPECT_EQ(testing::Members(archive).size(), 3u);
  testing::MemoryInput empty{Bytes{}};
  std::vector<MemberEntry> none{MemberEntry{}};
  std::string reason;
  int error = 0;
  EXPECT_TRUE(ReadArchiveIndex(empty, &none, &reason, &error));
  EXPECT_TRUE(none.empty());
}

TEST(LzhIndex, RejectsWhatIsNotASoundArchive) {
  const Bytes good = testing::Level2("a.txt", testing::TextBytes(5000, 1));

  auto reject = [](const Bytes& b) {
    testing::MemoryInput in(b);
    std::vector<MemberEntry> m;
    std::string reason;
    int error = 0;
    const bool ok = ReadArchiveIndex(in, &m, &reason, &error);
    EXPECT_FALSE(reason.empty() && !ok);
    return !ok;
  };
  EXPECT_TRUE(reject(Bytes(good.begin(), good.end() - 10)));    // data cut short
  EXPECT_TRUE(reject(Bytes(good.begin(), good.begin() + 30)));  // header cut short
  Bytes badCrc = good;
  badCrc[40] ^= 1;  // inside the name record
  EXPECT_TRUE(reject(badCrc));
  Bytes level3 = good;
  level3[20] = 3;
  EXPECT_TRUE(reject(level3));
  Bytes badSum = Level0("X", "x");
  badSum[1] ^= 0xFF;
  EXPECT_TRUE(reject(badSum));
  EXPECT_TRUE(reject(Bytes{'M',  'Z',  0x90, 0, 3,    0, 0, 0, 4, 0, 0, 0,
                           0xFF, 0xFF, 0,    0, 0xB8, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(LzhMember, CopiesOtherMembersUnchanged) {
  Bytes archive = Level0("OLD.TXT", "old data");
  archive.push_back(0);
  const auto m = testing::Members(archive);
  ASSERT_EQ(m.size(), 1u);
  testing::MemoryInput in(archive);
  testing::VectorOutput out;
  WriteFailure f;
  ASSERT_TRUE(CopyMember(out, in, m[0], &f));
  EXPECT_EQ(out.bytes, Bytes(archive.begin(), archive.end() - 1));
  testing::VectorOutput full(10);
  EXPECT_FALSE(CopyMember(full, in, m[0], &f));
  EXPECT_EQ(f.kind, WriteFailure::kWrite);
  testing::MemoryInput broken(archive, 5);
  EXPECT_FALSE(CopyMember(out, broken, m[0], &f));
  EXPECT_EQ(f.kind, WriteFailure::kRead);
}

TEST(LzhPaths, SplitStepsOverTrailBytes) {
  EXPECT_EQ(SplitStoredPath("表\\ソ\\a"), (std::vector<std::string>{"表", "ソ", "a"}));
  EXPECT_EQ(SplitStoredPath("\\x\\\\y\\"), (std::vector<std::string>{"x", "y"}));
}

}  // namespace
}  // namespace mv::lzh
