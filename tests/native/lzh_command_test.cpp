// The archiver's command text, list file, stored names, and whole runs on an in-memory store.
#include <gtest/gtest.h>

#include "lzh_test_support.h"
#include "unlha32/lzh/crc16.h"

namespace mv::lzh {
namespace {

using testing::Bytes;
using testing::MemStore;

TEST(LzhCommand, ParsesTheProgramsCommandText) {
  Command c;
  std::string reason;
  ASSERT_TRUE(ParseCommand(
      R"(a -r2x1a1 -gn1 "D:\Out Dir\x.LZH" "D:\Work\" @C:\Program Files\Morvane\TMPLHA.$)", &c,
      &reason))
      << reason;
  EXPECT_EQ(c.archive, "D:\\Out Dir\\x.LZH");
  EXPECT_EQ(c.baseFolder, "D:\\Work\\");
  EXPECT_EQ(c.listFile, "C:\\Program Files\\Morvane\\TMPLHA.$");  // blanks and all
  EXPECT_TRUE(c.files.empty());
  EXPECT_TRUE(c.storePaths);
  EXPECT_TRUE(c.storeAttributes);
}

TEST(LzhCommand, SwitchesNamesAndErrors) {
  Command c;
  std::string reason;
  ASSERT_TRUE(ParseCommand("a -x0 -a0 -q -w=C:\\t -zz9 arc \"sub\\\" one.txt \"two words.txt\"", &c,
                           &reason));
  EXPECT_FALSE(c.storePaths);
  EXPECT_FALSE(c.storeAttributes);
  EXPECT_EQ(c.archive, "arc.lzh");  // the usual extension when there is none
  EXPECT_EQ(c.baseFolder, "sub\\");
  EXPECT_EQ(c.files, (std::vector<std::string>{"one.txt", "two words.txt"}));
  // A base folder whose last character is 表 (95 5C) does not end with a separator.
  ASSERT_TRUE(ParseCommand("a x.lzh \"表\" @\"list.txt\"  \r\n", &c, &reason));
  EXPECT_EQ(c.baseFolder, "");
  EXPECT_EQ(c.files, (std::vector<std::string>{"表"}));
  EXPECT_EQ(c.listFile, "list.txt");

  for (const char* bad : {"", "   ", "x arc.lzh @l", "\"a\" arc.lzh @l", "a", "a -r2", "a arc.lzh",
                          "a \"dir\\\" @l"}) {
    reason.clear();
    EXPECT_FALSE(ParseCommand(bad, &c, &reason)) << bad;
    EXPECT_FALSE(reason.empty()) << bad;
  }
}

TEST(LzhCommand, ListFileLines) {
  EXPECT_EQ(ParseListFile("\"a.txt\"\r\n\"SUB\\b c.txt\"\r\n\r\n  plain.txt  \n\"last\""),
            (std::vector<std::string>{"a.txt", "SUB\\b c.txt", "plain.txt", "last"}));
  EXPECT_TRUE(ParseListFile("").empty());
  EXPECT_TRUE(ParseListFile("\r\n\"\"\r\n").empty());
}

TEST(LzhCommand, StoredNames) {
  struct Case {
    const char* listed;
    const char* source;
    const char* dir;
    const char* name;
  };
  const Case cases[] = {
      {"a.txt", "D:\\W\\a.txt", "", "a.txt"},
      {"SUB\\deep\\b.txt", "D:\\W\\SUB\\deep\\b.txt", "SUB\\deep", "b.txt"},
      {"表\\ソ.txt", "D:\\W\\表\\ソ.txt", "表", "ソ.txt"},  // trail bytes 0x5C stay inside
      {"sub/c.txt", "D:\\W\\sub/c.txt", "sub", "c.txt"},
      {".\\x\\.\\d.txt", "D:\\W\\.\\x\\.\\d.txt", "x", "d.txt"},
      {"x\\..\\e.txt", "D:\\W\\x\\..\\e.txt", "", "e.txt"},
      // Outside the base: the name alone, never a drive, a root or "..".
      {"C:\\Other\\f.txt", "C:\\Other\\f.txt", "", "f.txt"},
      {"\\\\server\\share\\g.txt", "\\\\server\\share\\g.txt", "", "g.txt"},
      {"..\\..\\h.txt", "D:\\W\\..\\..\\h.txt", "", "h.txt"},
      {"a\\..\\..\\up\\i.txt", "D:\\W\\a\\..\\..\\up\\i.txt", "", "i.txt"},
      {"C:rel.txt", "C:rel.txt", "", "rel.txt"},
  };
  for (const Case& c : cases) {
    StoredName n;
    std::string reason;
    ASSERT_TRUE(ResolveName(c.listed, "D:\\W\\", true, &n, &reason)) << c.listed << ": " << reason;
    EXPECT_EQ(n.source, c.source) << c.listed;
    EXPECT_EQ(n.dir, c.dir) << c.listed;
    EXPECT_EQ(n.name, c.name) << c.listed;
  }
  StoredName n;
  std::string reason;
  ASSERT_TRUE(ResolveName("SUB\\b.txt", "D:\\W\\", false, &n, &reason));
  EXPECT_EQ(n.dir, "");
  for (const std::string& bad :
       {std::string(), std::string(".."), std::string("sub\\"), std::string("a.txt:stream"),
        std::string("x\\*.txt"), std::string(2000, 'n'), std::string("a\rb.txt"),
        std::string("\xFF\xFF")}) {
    reason.clear();
    EXPECT_FALSE(ResolveName(bad, "D:\\W\\", true, &n, &reason)) << bad;
    EXPECT_FALSE(reason.empty());
  }
}

// Every second byte a double-byte character can have; the ones from '@' to '~' look like ASCII.
std::vector<unsigned char> SecondBytes() {
  std::vector<unsigned char> out;
  for (int c = 0x40; c <= 0xFC; ++c)
    if (c != 0x7F) out.push_back(static_cast<unsigned char>(c));
  return out;
}

std::string Hex(const std::string& s) {
  std::string out;
  for (unsigned char c : s)
    out += "0123456789ABCDEF"[c >> 4], out += "0123456789ABCDEF"[c & 15], out += ' ';
  return out;
}

TEST(LzhCommand, EverySecondByteStaysInsideItsCharacter) {
  // Lead bytes from both ends of both ranges, each with every second byte: in the command
  // text, the list file, stored names and their header, never a separator, a quote, a
  // reserved character, a letter to fold or the end of a name.
  for (unsigned char lead : {0x81, 0x83, 0x89, 0x9F, 0xE0, 0xFC}) {
    for (unsigned char trail : SecondBytes()) {
      const std::string ch{static_cast<char>(lead), static_cast<char>(trail)};
      SCOPED_TRACE(Hex(ch));
      StoredName n;
      std::string reason;
      ASSERT_TRUE(ResolveName(ch + "\\" + ch + ch, "D:\\" + ch + "\\", true, &n, &reason))
          << reason;
      EXPECT_EQ(n.source, "D:\\" + ch + "\\" + ch + "\\" + ch + ch);
      EXPECT_EQ(n.dir, ch);
      EXPECT_EQ(n.name, ch + ch);
      ASSERT_TRUE(ResolveName("C:\\" + ch + "\\x" + ch, "D:\\W\\", true, &n, &reason)) << reason;
      EXPECT_EQ(n.name, "x" + ch);  // outside the base: the name alone

      Command c;
      const std::string folder = "D:\\" + ch + "\\";
      ASSERT_TRUE(ParseCommand(
          "a -r2x1a1 -gn1 \"" + folder + ch + "\" \"" + folder + "\" @" + folder + ch + " \r\n", &c,
          &reason))
          << reason;
      EXPECT_EQ(c.archive, folder + ch + ".lzh");
      EXPECT_EQ(c.baseFolder, folder);
      EXPECT_EQ(c.listFile, folder + ch);
      // A folder given without its closing backslash is a file to add, not the base.
      ASSERT_TRUE(ParseCommand("a " + ch + "@.lzh \"D:\\" + ch + "\" " + ch, &c, &reason))
          << reason;
      EXPECT_EQ(c.archive, ch + "@.lzh");
      EXPECT_EQ(c.baseFolder, "");
      EXPECT_EQ(c.files, (std::vector<std::string>{"D:\\" + ch, ch}));
      EXPECT_EQ(ParseListFile("\"" + ch + "\"\r\n " + ch + "\r\n\"" + ch + "\\" + ch + "\""),
                (std::vector<std::string>{ch, ch, ch + "\\" + ch}));

      NewHeader h;
      h.dir = ch + "\\" + ch;
      h.name = ch;
      Bytes member = BuildLevel2Header(h);
      member.push_back(0);
      const auto m = testing::Members(member);
      ASSERT_EQ(m.size(), 1u);
      EXPECT_EQ(m[0].path, ch + "\\" + ch + "\\" + ch);
    }
  }
}

TEST(LzhCommand, ReservedCharactersAreRefusedOnlyWhereTheyStandAlone) {
  StoredName n;
  std::string reason;
  // 0x7C after a lead byte is the second half of ポ, 榎 or the minus sign, not a bar.
  for (const char* good : {"\x83\x7C\x83\x58\x83\x5E\x81\x5B.txt", "\x89\x7C\x89\x7C.txt",
                           "a\x81\x7C"
                           "b.txt",
                           "\x83\x7C\\\x83\x7C"})
    EXPECT_TRUE(ResolveName(good, "D:\\W\\", true, &n, &reason)) << good << ": " << reason;
  // A lead byte before a byte that cannot follow it stands alone and hides nothing.
  for (const char* bad : {"a|b.txt", "\x83?.txt", "x\xFC:y", "\x81\"", "\x83\x1F.txt",
                          "\x83\x7C|.txt", "<\x83\x7C>"}) {
    reason.clear();
    EXPECT_FALSE(ResolveName(bad, "D:\\W\\", true, &n, &reason)) << bad;
    EXPECT_NE(reason.find(bad), std::string::npos) << reason;
  }
}

TEST(LzhCommand, SystemErrorTextsBecomeOneLineWithoutTheirFullStop) {
  EXPECT_EQ(OneLineReason("共有違反です。\r\n"), "共有違反です");
  EXPECT_EQ(OneLineReason("Access is denied. \r\n"), "Access is denied");
  EXPECT_EQ(OneLineReason("first line\r\nsecond line.\r\n"), "first line second line");
  EXPECT_EQ(OneLineReason(""), "");
  // 81 42 is a full stop only as a character of its own: here 42 is the letter after 89 81.
  EXPECT_EQ(OneLineReason("\x89\x81\x42"), "\x89\x81\x42");
  EXPECT_EQ(OneLineReason("\x83\x5C."), "\x83\x5C");
}

// A store with a few files below D:\W and the program's list file.
class LzhRun : public ::testing::Test {
 protected:
  void SetUp() override {
    store.Put("D:\\W\\a.txt", testing::TextBytes(20000, 1), 0x21);
    store.Put("D:\\W\\SUB\\b.bin", testing::RandomBytes(3000, 2));
    store.Put("D:\\W\\表\\ソ.txt", testing::TextBytes(500, 3), 0x22);
    store.Put("D:\\W\\empty", {});
  }
  void List(const std::string& lines) { store.PutText("C:\\Prog Dir\\TMPLHA.$", lines); }
  RunResult Run(int threads = 1, ProgressFn progress = {}) {
    RunOptions o;
    o.threads = threads;
    o.progress = std::move(progress);
    return RunCommand(store,
                      "a -r2x1a1 -gn1 \"D:\\Out\\x.lzh\" \"D:\\W\\\" @C:\\Prog Dir\\TMPLHA.$", o);
  }
  // Names in the store other than the sources, the list and the archive: temporary leftovers.
  std::vector<std::string> Strays() const {
    std::vector<std::string> out;
    for (const auto& [k, f] : store.files)
      if (k.rfind("D:\\OUT\\", 0) == 0 && k != "D:\\OUT\\X.LZH") out.push_back(k);
    return out;
  }
  Bytes Archive() const {
    const MemStore::File* f = store.Get("D:\\Out\\x.lzh");
    return f ? f->bytes : Bytes{};
  }
  MemStore store;
};

TEST_F(LzhRun, WritesEveryListedFile) {
  List("\"a.txt\"\r\n\"SUB\\b.bin\"\r\n\"表\\ソ.txt\"\r\n\"empty\"\r\n");
  const RunResult r = Run();
  ASSERT_EQ(r.code, 0) << r.message;
  EXPECT_EQ(r.added, 4);
  EXPECT_FALSE(r.message.empty());
  const Bytes archive = Archive();
  const auto m = testing::Members(archive);
  ASSERT_EQ(m.size(), 4u);
  const char* paths[] = {"a.txt", "SUB\\b.bin", "表\\ソ.txt", "empty"};
  const char* sources[] = {"D:\\W\\a.txt", "D:\\W\\SUB\\b.bin", "D:\\W\\表\\ソ.txt",
                           "D:\\W\\empty"};
  const char* methods[] = {"-lh5-", "-lh0-", "-lh5-", "-lh0-"};  // noise and nothing: stored
  for (int i = 0; i < 4; ++i) {
    const Bytes& data = store.Get(sources[i])->bytes;
    EXPECT_EQ(m[i].path, paths[i]);
    EXPECT_EQ(m[i].method, methods[i]) << paths[i];
    EXPECT_EQ(m[i].originalSize, data.size());
    EXPECT_EQ(m[i].dataCrc, Crc16(0, data.data(), data.size()));
    EXPECT_EQ(testing::MemberData(archive, m[i]), data) << paths[i];
    EXPECT_EQ(m[i].attributes, store.Get(sources[i])->attributes & 0x27);
    EXPECT_EQ(m[i].time, UnixTimeOf(store.Get(sources[i])->lastWrite));
  }
  EXPECT_EQ(archive.back(), 0);  // end mark
  EXPECT_TRUE(Strays().empty());
}

TEST_F(LzhRun, SameInputSameBytesWithAnyThreadCount) {
  store.Put("D:\\W\\big.txt", testing::TextBytes(kChunkSize + 999, 4));
  // Compressed data, then text: chunks coded as literals and by the search, on any thread.
  Bytes mixed = testing::RandomBytes(kChunkSize + 70000, 5);
  const Bytes text = testing::TextBytes(300000, 6);
  mixed.insert(mixed.end(), text.begin(), text.end());
  store.Put("D:\\W\\mixed.bin", mixed);
  List("\"a.txt\"\r\n\"big.txt\"\r\n\"SUB\\b.bin\"\r\n\"mixed.bin\"\r\n");
  ASSERT_EQ(Run(1).code, 0);
  const Bytes one = Archive();
  const auto m = testing::Members(one);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[3].method, "-lh5-");
  EXPECT_EQ(testing::MemberData(one, m[3]), mixed);
  for (int threads : {2, 3}) {
    store.Remove("D:\\Out\\x.lzh");
    ASSERT_EQ(Run(threads).code, 0);
    EXPECT_EQ(Archive(), one) << threads << " threads";
  }
}

TEST_F(LzhRun, MembersLargerThanTheOutputBuffer) {
  // The archive goes out in pieces of a mebibyte: a stored member cut back past what was
  // written already, and a header patched there, must come out as if written directly.
  store.Put("D:\\W\\noise.bin", testing::RandomBytes(2 * kChunkSize + 5, 7));
  store.Put("D:\\W\\long.txt", testing::TextBytes(5 * kChunkSize, 8));
  List("\"noise.bin\"\r\n\"a.txt\"\r\n\"long.txt\"\r\n\"SUB\\b.bin\"\r\n");
  ASSERT_EQ(Run(2).code, 0);
  const Bytes archive = Archive();
  const auto m = testing::Members(archive);
  ASSERT_EQ(m.size(), 4u);
  const char* sources[] = {"D:\\W\\noise.bin", "D:\\W\\a.txt", "D:\\W\\long.txt",
                           "D:\\W\\SUB\\b.bin"};
  const char* methods[] = {"-lh0-", "-lh5-", "-lh5-", "-lh0-"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(m[i].headerCrcOk) << i;
    EXPECT_EQ(m[i].method, methods[i]) << i;
    EXPECT_EQ(testing::MemberData(archive, m[i]), store.Get(sources[i])->bytes) << i;
  }
  EXPECT_EQ(archive.size(), m[3].end + 1);
  EXPECT_GT(m[2].offset, kChunkSize);  // the patched header lies in the written part
}

TEST_F(LzhRun, EverySecondByteIsArchivedUnderItsOwnName) {
  // One folder ポ (83 7C) holding a file for every second byte after 0x83: 83 41 and 83 61 are
  // different names, not one name in two cases. The archive goes into a folder ソ (83 5C).
  std::string list;
  std::vector<std::string> names;
  for (unsigned char trail : SecondBytes()) {
    const std::string name = std::string("\x83") + static_cast<char>(trail) + ".txt";
    store.Put("D:\\W\\\x83\x7C\\" + name, testing::TextBytes(50 + trail, trail));
    names.push_back(name);
    list += "\"\x83\x7C\\" + name + "\"\r\n";
  }
  List(list);
  RunOptions o;
  const RunResult r = RunCommand(
      store, "a -r2x1a1 -gn1 \"D:\\\x83\x5C\\x\" \"D:\\W\\\" @C:\\Prog Dir\\TMPLHA.$", o);
  ASSERT_EQ(r.code, 0) << r.message;
  const MemStore::File* archive = store.Get("D:\\\x83\x5C\\x.lzh");
  ASSERT_NE(archive, nullptr);
  const auto m = testing::Members(archive->bytes);
  ASSERT_EQ(m.size(), names.size());
  for (size_t i = 0; i < m.size(); ++i) {
    EXPECT_EQ(m[i].path, "\x83\x7C\\" + names[i]) << Hex(names[i]);
    EXPECT_EQ(testing::MemberData(archive->bytes, m[i]),
              store.Get("D:\\W\\\x83\x7C\\" + names[i])->bytes);
  }
  for (const auto& [key, file] : store.files)  // no temporary file left beside it
    if (key.rfind("D:\\\x83\x5C\\", 0) == 0) {
      EXPECT_EQ(key, "D:\\\x83\x5C\\X.LZH");
    }
}

TEST_F(LzhRun, AddsToAnExistingArchiveReplacingSameNames) {
  List("\"a.txt\"\r\n\"SUB\\b.bin\"\r\n");
  ASSERT_EQ(Run().code, 0);
  // Later: b.bin changed, c.txt is new; "sub\B.BIN" is the same member as "SUB\b.bin".
  store.Put("D:\\W\\SUB\\b.bin", testing::TextBytes(100, 5));
  store.Put("D:\\W\\c.txt", testing::TextBytes(100, 6));
  List("\"c.txt\"\r\n\"sub\\B.BIN\"\r\n");
  ASSERT_EQ(Run().code, 0);
  const Bytes archive = Archive();
  const auto m = testing::Members(archive);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].path, "a.txt");
  EXPECT_EQ(m[1].path, "sub\\B.BIN");  // in the old member's place
  EXPECT_EQ(testing::MemberData(archive, m[1]), testing::TextBytes(100, 5));
  EXPECT_EQ(m[2].path, "c.txt");
}

TEST_F(LzhRun, TwoFilesOfOneStoredNameAreBothKeptAndAFileListedTwiceOnce) {
  // A target from another folder is stored by its name alone; it must not push out the base
  // folder's file of that name.
  store.Put("D:\\Else\\a.txt", Bytes{'n', 'e', 'w'});
  store.Put("D:\\Else\\b", Bytes{'b'});
  List("\"a.txt\"\r\n\"D:\\Else\\a.txt\"\r\n\"a.txt\"\r\n\"D:\\Else\\b\"\r\n\"D:\\Else\\b\"\r\n");
  ASSERT_EQ(Run().code, 0);
  const Bytes archive = Archive();
  const auto m = testing::Members(archive);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].path, "a.txt");
  EXPECT_EQ(m[1].path, "a (2).txt");
  EXPECT_EQ(testing::MemberData(archive, m[1]), (Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(m[2].path, "b");

  // Names equal but for the case of ASCII letters are one name; trail bytes that look like
  // letters of other case belong to other characters (83 41 and 83 61).
  store.Put("D:\\Else\\A.TXT", Bytes{'u'});
  store.Put("D:\\W\\x\x83\x61", Bytes{'1'});
  store.Put("D:\\Else\\x\x83\x41", Bytes{'2'});
  store.Remove("D:\\Out\\x.lzh");
  List(
      "\"a.txt\"\r\n\"D:\\Else\\a.txt\"\r\n\"D:\\Else\\A.TXT\"\r\n\"x\x83\x61\"\r\n\"D:"
      "\\Else\\x\x83\x41\"\r\n");
  ASSERT_EQ(Run().code, 0);
  const auto n = testing::Members(Archive());
  ASSERT_EQ(n.size(), 5u);
  EXPECT_EQ(n[2].path, "A (3).TXT");
  EXPECT_EQ(n[3].path, "x\x83\x61");
  EXPECT_EQ(n[4].path, "x\x83\x41");
}

TEST_F(LzhRun, FailuresLeaveNoArchiveAndNoTemporaryFile) {
  struct Case {
    const char* name;
    std::string list;
    int code;
    std::function<void(MemStore&)> setup;
  };
  const Case cases[] = {
      {"missing file", "\"a.txt\"\r\n\"gone.txt\"\r\n", kResultMissingFile, nullptr},
      {"folder", "\"SUB\"\r\n", kResultMissingFile, nullptr},
      {"empty list", "\r\n", kResultNoFiles, nullptr},
      {"unreadable", "\"a.txt\"\r\n", kResultReadError,
       [](MemStore& s) { s.failReadsOf = "D:\\W\\A.TXT"; }},
      {"disk full at once", "\"a.txt\"\r\n", kResultWriteError,
       [](MemStore& s) { s.diskSpace = 10; }},
      {"disk full in a header", "\"a.txt\"\r\n", kResultWriteError,
       [](MemStore& s) { s.diskSpace = 60; }},
      {"disk full in the data", "\"a.txt\"\r\n\"SUB\\b.bin\"\r\n", kResultWriteError,
       [](MemStore& s) { s.diskSpace = 4000; }},
      {"rename fails", "\"a.txt\"\r\n", kResultWriteError,
       [](MemStore& s) { s.failReplace = true; }},
  };
  for (const Case& c : cases) {
    store = MemStore{};
    SetUp();
    List(c.list);
    if (c.setup) c.setup(store);
    const RunResult r = Run();
    EXPECT_EQ(r.code, c.code) << c.name << ": " << r.message;
    EXPECT_FALSE(r.message.empty()) << c.name;
    EXPECT_EQ(store.Get("D:\\Out\\x.lzh"), nullptr) << c.name;
    EXPECT_TRUE(Strays().empty()) << c.name;
  }
  // Room for all but the end mark's byte.
  store = MemStore{};
  SetUp();
  List("\"SUB\\b.bin\"\r\n");
  ASSERT_EQ(Run().code, 0);
  const int64_t size = static_cast<int64_t>(Archive().size());
  store.Remove("D:\\Out\\x.lzh");
  store.diskSpace = size - 1;
  EXPECT_EQ(Run().code, kResultWriteError);
  EXPECT_EQ(store.Get("D:\\Out\\x.lzh"), nullptr);
  EXPECT_TRUE(Strays().empty());
  store.diskSpace = -1;
  // The message names the missing file.
  List("\"gone.txt\"\r\n");
  EXPECT_NE(Run().message.find("D:\\W\\gone.txt"), std::string::npos);
  // No list file at all.
  store.Remove("C:\\Prog Dir\\TMPLHA.$");
  EXPECT_EQ(Run().code, kResultListFile);
}

TEST_F(LzhRun, AFailedRunKeepsTheOldArchive) {
  List("\"a.txt\"\r\n");
  ASSERT_EQ(Run().code, 0);
  const Bytes before = Archive();
  List("\"a.txt\"\r\n\"gone.txt\"\r\n");
  EXPECT_EQ(Run().code, kResultMissingFile);
  EXPECT_EQ(Archive(), before);
  store.diskSpace = 100;
  List("\"SUB\\b.bin\"\r\n");
  EXPECT_EQ(Run().code, kResultWriteError);
  EXPECT_EQ(Archive(), before);
  EXPECT_TRUE(Strays().empty());
  store.diskSpace = -1;
  // Cancelled from the progress report before the second member, on one thread and on several.
  for (int threads : {1, 3}) {
    std::vector<std::string> told;
    List("\"a.txt\"\r\n\"SUB\\b.bin\"\r\n\"empty\"\r\n");
    const RunResult r = Run(threads, [&](const std::string& member, size_t done, size_t total) {
      told.push_back(member + " " + std::to_string(done) + "/" + std::to_string(total));
      return done < 1;
    });
    EXPECT_EQ(r.code, kResultCancelled);
    EXPECT_EQ(told, (std::vector<std::string>{"a.txt 0/3", "SUB\\b.bin 1/3"}));
    EXPECT_EQ(Archive(), before);
    EXPECT_TRUE(Strays().empty());
  }
  // Not an archive: refused, and left as it was.
  store.diskSpace = -1;
  store.PutText("D:\\Out\\x.lzh", "this is no archive at all, just text of some length");
  EXPECT_EQ(Run().code, kResultBadArchive);
  EXPECT_EQ(store.Get("D:\\Out\\x.lzh")->bytes.size(), 51u);
  EXPECT_TRUE(Strays().empty());
}

}  // namespace
}  // namespace mv::lzh

namespace mv::lzh {
namespace {

TEST_F(LzhRun, ChecksArchives) {
  List("\"a.txt\"\r\n\"SUB\\b.bin\"\r\n\"empty\"\r\n");
  ASSERT_EQ(Run().code, 0);
  EXPECT_TRUE(CheckArchive(store, "D:\\Out\\x.lzh", false));
  EXPECT_TRUE(CheckArchive(store, "D:\\Out\\x.lzh", true));
  // Damage inside the first member's coded data: its headers still look right.
  const auto m = testing::Members(Archive());
  store.files[MemStore::Key("D:\\Out\\x.lzh")].bytes[m[0].dataOffset + 100] ^= 0x10;
  EXPECT_TRUE(CheckArchive(store, "D:\\Out\\x.lzh", false));
  EXPECT_FALSE(CheckArchive(store, "D:\\Out\\x.lzh", true));
  EXPECT_FALSE(CheckArchive(store, "D:\\W\\a.txt", false));
  EXPECT_FALSE(CheckArchive(store, "D:\\Out\\none.lzh", false));
  EXPECT_FALSE(CheckArchive(store, "D:\\W\\SUB", false));
}

}  // namespace
}  // namespace mv::lzh
