// Archives written from real files, checked with the independent readers lhasa and 7z: every
// extracted file must equal its source byte for byte.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include "lzh_test_support.h"
#include "unlha32/posix_store.h"

namespace mv::lzh {
namespace {

using testing::Bytes;

constexpr time_t kStamp = 1588748890;  // 2020-05-06 07:08:10 UTC, an even second

std::string Shell(const std::string& cmd, int* status) {
  std::string out;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) {
    *status = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int rc = pclose(p);
  *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

bool HaveTool(const char* name) {
  int status = 0;
  Shell(std::string("command -v ") + name, &status);
  return status == 0;
}

void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  f.close();
  const timeval t[2] = {{kStamp, 0}, {kStamp, 0}};
  utimes(path.c_str(), t);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

// Every regular file below root by its relative path (raw bytes), with its contents.
void Collect(const std::string& root, const std::string& rel, std::map<std::string, Bytes>* out) {
  DIR* d = opendir((root + "/" + rel).c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string r = rel.empty() ? name : rel + "/" + name;
    struct stat st;
    if (stat((root + "/" + r).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode))
      Collect(root, r, out);
    else
      (*out)[r] = ReadFile(root + "/" + r);
  }
  closedir(d);
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// A name with its non-ASCII bytes in hex, for messages.
std::string Hex(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x80) {
      out += static_cast<char>(c);
    } else {
      char b[8];
      std::snprintf(b, sizeof b, "<%02X>", c);
      out += b;
    }
  }
  return out;
}

// Where 7z (p7zip) puts a file on this host: it takes every byte 0x5C of a stored name for a
// folder separator, trail bytes of double-byte characters included. lhasa keeps the names.
std::string SevenZipName(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '\\') c = '/';
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out += c;
  }
  return out;
}

class LzhReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/lzh_readers_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    src_ = dir_ + "/src";
    mkdir(src_.c_str(), 0755);
    for (const char* tool : {"lhasa", "7z"})
      ASSERT_TRUE(HaveTool(tool))
          << tool << " is not on PATH: install lhasa and p7zip-full (scripts/setup.sh)";
  }
  void TearDown() override {
    int status = 0;
    Shell("rm -rf " + Quote(dir_), &status);
  }

  // Creates src/<rel> (with its folders) and notes it for the list file.
  void Add(const std::string& rel, const Bytes& b) {
    std::string path = src_;
    size_t at = 0;
    for (size_t slash; (slash = rel.find('/', at)) != std::string::npos; at = slash + 1) {
      path = src_ + "/" + rel.substr(0, slash);
      mkdir(path.c_str(), 0755);
    }
    WriteFile(src_ + "/" + rel, b);
    std::string listed = rel;
    for (char& c : listed)
      if (c == '/') c = '\\';
    list_ += "\"" + listed + "\"\r\n";
  }

  RunResult Pack(const std::string& archive, int threads = 2) {
    WriteFile(dir_ + "/list.txt", Bytes(list_.begin(), list_.end()));
    PosixStore store;
    RunOptions o;
    o.threads = threads;
    return RunCommand(
        store, "a -r2x1a1 -gn1 \"" + archive + "\" \"" + src_ + "/\" @" + dir_ + "/list.txt", o);
  }

  // Extracts with lhasa and with 7z into fresh folders and compares with the sources.
  void ExpectBothReadersAgree(const std::string& archive) {
    std::map<std::string, Bytes> expected;
    Collect(src_, "", &expected);
    int status = 0;
    const std::string lh = dir_ + "/x-lhasa", sz = dir_ + "/x-7z";
    mkdir(lh.c_str(), 0755);
    std::string out = Shell("cd " + Quote(lh) + " && lhasa x " + Quote(archive), &status);
    EXPECT_EQ(status, 0) << out;
    out = Shell("7z t " + Quote(archive), &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
    out = Shell("7z x -y -o" + Quote(sz) + " " + Quote(archive), &status);
    EXPECT_EQ(status, 0) << out;
    for (const std::string& root : {lh, sz}) {
      std::map<std::string, Bytes> got;
      Collect(root, "", &got);
      EXPECT_EQ(got.size(), expected.size()) << root;
      for (const auto& [name, bytes] : expected) {
        auto it = got.find(root == sz ? SevenZipName(name) : name);
        ASSERT_NE(it, got.end()) << Hex(name) << " missing from " << root;
        EXPECT_TRUE(it->second == bytes) << Hex(name) << " differs in " << root;
      }
    }
    // lhasa restores the last-write times from the headers.
    for (const auto& entry : expected) {
      struct stat st;
      ASSERT_EQ(stat((lh + "/" + entry.first).c_str(), &st), 0) << entry.first;
      EXPECT_EQ(st.st_mtime, kStamp) << entry.first;
    }
  }

  std::string dir_, src_, list_;
};

TEST_F(LzhReaders, EveryKindOfFileComesBackIdentical) {
  const Bytes text = testing::TextBytes(kChunkSize + 40000, 1);
  Add("text.txt", Bytes(text.begin(), text.begin() + 300000));
  Add("empty.txt", {});
  Add("one.txt", {'1'});
  Add("noise.bin", testing::RandomBytes(100000, 2));
  Add("zeros.bin", Bytes(200000, 0));
  for (size_t n : {size_t{8191}, size_t{8192}, size_t{8193}, size_t{65535}, size_t{65536},
                   size_t{65537}, size_t{131073}, kChunkSize + 1})
    Add("size" + std::to_string(n), Bytes(text.begin(), text.begin() + n));
  // A binary: structured records with noise between them.
  Bytes bin;
  for (int i = 0; i < 3000; ++i) {
    const Bytes r = testing::RandomBytes(8, i % 97);
    bin.insert(bin.end(), {0x55, 0x8B, 0xEC, static_cast<uint8_t>(i), 0, 0, 0xE8});
    bin.insert(bin.end(), r.begin(), r.end());
  }
  Add("program.exe", bin);
  // Names and folders whose second bytes are 0x5C: 表 95 5C, ソ 83 5C, 能 94 5C.
  Add("表ソ.txt", Bytes(text.begin(), text.begin() + 777));
  Add("表/ソ/能.txt", Bytes(text.begin() + 5, text.begin() + 5000));
  Add("d1/d2/d3/deep.txt", Bytes(text.begin() + 9, text.begin() + 3000));
  // Headers of 256 bytes would be taken for the end of the archive; both layouts of the fix.
  Add(std::string(190, 'n'), {'a'});
  Add("sub/" + std::string(183, 'm'), {'b'});

  const std::string archive = dir_ + "/out.lzh";
  const RunResult r = Pack(archive);
  ASSERT_EQ(r.code, 0) << r.message;
  const auto members = testing::Members(ReadFile(archive));
  ASSERT_EQ(members.size(), 19u);
  for (const MemberEntry& m : members) {
    EXPECT_TRUE(m.headerCrcPresent && m.headerCrcOk) << m.path;  // the readers do not check it
    EXPECT_EQ(m.level, 2);
  }
  ExpectBothReadersAgree(archive);

  // Same files, same bytes, with any number of threads.
  const std::string again = dir_ + "/again.lzh";
  ASSERT_EQ(Pack(again, 1).code, 0);
  EXPECT_TRUE(ReadFile(again) == ReadFile(archive));
}

TEST_F(LzhReaders, AddsToArchivesOfAnotherWriter) {
  ASSERT_TRUE(HaveTool("lha"))
      << "jlha's lha is not on PATH: install jlha-utils (scripts/setup.sh)";
  for (const char* level : {"0", "1", "2"}) {
    SCOPED_TRACE(std::string("header level ") + level);
    list_.clear();
    Add("keep.txt", testing::TextBytes(5000, 3));
    Add("replace.txt", testing::TextBytes(4000, 4));
    const std::string archive = dir_ + "/other" + level + ".lzh";
    int status = 0;
    const std::string out = Shell(
        "cd " + Quote(src_) + " && lha a" + level + "q " + Quote(archive) + " keep.txt replace.txt",
        &status);
    ASSERT_EQ(status, 0) << out;
    ASSERT_EQ(testing::Members(ReadFile(archive)).size(), 2u);

    list_.clear();
    Add("replace.txt", testing::TextBytes(6000, 5));
    Add("new/added.txt", testing::TextBytes(3000, 6));
    const RunResult r = Pack(archive);
    ASSERT_EQ(r.code, 0) << r.message;
    const auto m = testing::Members(ReadFile(archive));
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].path, "keep.txt");
    EXPECT_EQ(m[0].level, std::stoi(level));  // copied as it was
    EXPECT_EQ(m[1].path, "replace.txt");
    EXPECT_EQ(m[2].path, "new\\added.txt");
    ExpectBothReadersAgree(archive);
    int rm = 0;
    Shell("rm -rf " + Quote(dir_ + "/x-lhasa") + " " + Quote(dir_ + "/x-7z") + " " + Quote(src_) +
              " && mkdir " + Quote(src_),
          &rm);
  }
}

}  // namespace
}  // namespace mv::lzh
