#include "unlha32/command.h"

#include <algorithm>
#include <unordered_map>

#include "unlha32/lzh/header.h"
#include "unlha32/lzh/member_writer.h"
#include "unlha32/member_queue.h"

namespace mv::lzh {
namespace {

constexpr uint64_t kMaxListFile = 64ull << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Drops one pair of enclosing double quotes (or a lone opening one).
std::string Unquote(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && s.front() == '"') {
    s.remove_prefix(1);
    const size_t close = s.find('"');
    if (close != std::string_view::npos) s = s.substr(0, close);
  }
  return std::string(s);
}

// Calls each(index, single) for every character of code-page text, single telling a one-byte
// character. A double-byte character is never taken for an ASCII one: its second byte runs
// 0x40-0x7E and 0x80-0xFC, so it may look like '\\', '|', '@', '[' or a letter.
template <typename Each>
void ForEachChar(std::string_view s, Each each) {
  for (size_t i = 0, step; i < s.size(); i += step) {
    step = CharSize(s, i, kNamePage);
    each(i, step == 1);
  }
}

bool EndsWithSeparator(std::string_view s) {
  bool last = false;
  ForEachChar(s, [&](size_t i, bool single) { last = single && IsSeparator(s[i]); });
  return last;
}

// Whether a name holds a character no file name may have.
bool HasReservedChar(std::string_view name) {
  bool found = false;
  ForEachChar(name, [&](size_t i, bool single) {
    const auto c = static_cast<unsigned char>(name[i]);
    // 0xFF is also the folder separator of stored names.
    if (single && (c < 0x20 || c == 0xFF ||
                   std::string_view(":*?\"<>|").find(name[i]) != std::string_view::npos))
      found = true;
  });
  return found;
}

std::vector<std::string> Components(std::string_view s) {
  std::vector<std::string> out(1);
  size_t start = 0;
  ForEachChar(s, [&](size_t i, bool single) {
    if (single && IsSeparator(s[i])) {
      out.back() = std::string(s.substr(start, i - start));
      out.emplace_back();
      start = i + 1;
    }
  });
  out.back() = std::string(s.substr(start));
  std::vector<std::string> parts;
  for (auto& p : out)
    if (!p.empty()) parts.push_back(std::move(p));
  return parts;
}

// Folder part of a path, with its separator ("" when there is none).
std::string FolderOf(std::string_view path) {
  size_t after = 0;
  ForEachChar(path, [&](size_t i, bool single) {
    if (single && (IsSeparator(path[i]) || path[i] == ':')) after = i + 1;
  });
  return std::string(path.substr(0, after));
}

bool IsAbsolute(std::string_view s) {
  if (!s.empty() && IsSeparator(s[0])) return true;
  return s.size() >= 2 && s[1] == ':' && !IsCp932LeadByte(static_cast<unsigned char>(s[0]));
}

bool HasExtension(std::string_view path) {
  const std::string folder = FolderOf(path);
  const std::string_view name = path.substr(folder.size());
  return name.find('.') != std::string_view::npos;
}

// Reads the switch letters of one "-..." token; letters we do not know are skipped with their
// digits, and the rest of the token after any other character is ignored.
void ApplySwitches(std::string_view token, Command* c) {
  size_t i = 1;
  auto digits = [&]() {
    std::string d;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9') d += token[i++];
    return d;
  };
  while (i < token.size()) {
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(token[i])));
    if (letter < 'a' || letter > 'z') return;
    ++i;
    if (letter == 'g' && i < token.size() && std::isalpha(static_cast<unsigned char>(token[i])))
      ++i;
    const std::string value = digits();
    if (letter == 'x') c->storePaths = value != "0";
    if (letter == 'a') c->storeAttributes = value != "0";
  }
}

// ASCII letters in upper case, double-byte characters as they are: two paths fold alike
// exactly when SamePath holds for them.
std::string FoldPath(std::string_view path) { return AsciiUpper(path, kNamePage); }

std::string ErrorText(Store& store, int error) {
  return error ? " (" + store.Describe(error) + ")" : std::string();
}

struct NewEntry {
  StoredName name;
  FileStat stat;
  std::u16string wideDir, wideName;  // the true path, where the stored one is not it
  bool placed = false;               // already written in place of an old member
};

// The true path of a member whose stored path holds a short name standing for a name the code
// page cannot hold: then every component goes in UTF-16 as well, so that a reader taking the
// UTF-16 records has the whole path from them. Each folder is asked once a run.
void FindTrueNames(Store& store, const std::string& base, NewEntry* e,
                   std::unordered_map<std::string, std::u16string>* folders) {
  const StoredName& n = e->name;
  const std::vector<std::string> dirs = SplitStoredPath(n.dir);
  std::vector<std::u16string> wideDirs;
  bool other = false;
  std::string path = base;
  for (const std::string& d : dirs) {
    path += d;
    auto it = folders->find(path);
    if (it == folders->end()) it = folders->emplace(path, store.LongNameOf(path)).first;
    wideDirs.push_back(it->second);
    other = other || !it->second.empty();
    path += '\\';
  }
  const std::u16string name = store.LongNameOf(dirs.empty() ? n.source : path + n.name);
  if (!other && name.empty()) return;
  e->wideName = name.empty() ? store.Utf16Of(n.name) : name;
  for (size_t k = 0; k < dirs.size(); ++k) {
    if (k) e->wideDir += u'\\';
    e->wideDir += wideDirs[k].empty() ? store.Utf16Of(dirs[k]) : wideDirs[k];
  }
}

// Puts text before a name's extension (before its last dot, unless that starts the name).
template <typename S>
void InsertBeforeExtension(S* name, const S& text) {
  size_t dot = name->rfind(typename S::value_type('.'));
  if (dot == 0 || dot == S::npos) dot = name->size();
  name->insert(dot, text);
}

struct Output {
  Store& store;
  std::string path;
  std::unique_ptr<OutputFile> file;
  bool keep = false;
  ~Output() {
    file.reset();
    if (!path.empty() && !keep) store.Remove(path);
  }
};

}  // namespace

bool ParseCommand(std::string_view text, Command* command, std::string* reason) {
  *command = Command{};
  struct Token {
    std::string text;
    bool quoted;
  };
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == '@') {
      command->listFile = Unquote(text.substr(i + 1));
      break;
    }
    if (text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      const size_t end = close == std::string_view::npos ? text.size() : close;
      tokens.push_back({std::string(text.substr(i + 1, end - i - 1)), true});
      i = end + 1;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    tokens.push_back({std::string(text.substr(i, end - i)), false});
    i = end;
  }
  if (tokens.empty() || tokens[0].quoted) {
    *reason = "コマンドがありません";
    return false;
  }
  if (tokens[0].text != "a" && tokens[0].text != "A") {
    *reason = "対応していないコマンドです: " + tokens[0].text;
    return false;
  }
  bool haveArchive = false, haveBase = false;
  for (size_t k = 1; k < tokens.size(); ++k) {
    const Token& t = tokens[k];
    if (!t.quoted && t.text.size() > 1 && t.text[0] == '-') {
      ApplySwitches(t.text, command);
    } else if (t.text.empty()) {
      continue;
    } else if (!haveArchive) {
      command->archive = t.text;
      haveArchive = true;
    } else if (!haveBase && command->files.empty() && EndsWithSeparator(t.text)) {
      command->baseFolder = t.text;
      haveBase = true;
    } else {
      command->files.push_back(t.text);
    }
  }
  if (!haveArchive) {
    *reason = "書庫の名前がありません";
    return false;
  }
  if (EndsWithSeparator(command->archive)) {
    *reason = "書庫の名前がフォルダーです: " + command->archive;
    return false;
  }
  if (!HasExtension(command->archive)) command->archive += ".lzh";
  if (command->files.empty() && command->listFile.empty() && !haveBase) {
    *reason = "格納するファイルの指定がありません";
    return false;
  }
  return true;
}

std::vector<std::string> ParseListFile(std::string_view contents) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= contents.size()) {
    size_t end = contents.find('\n', start);
    if (end == std::string_view::npos) end = contents.size();
    std::string name = Unquote(contents.substr(start, end - start));
    if (!name.empty()) names.push_back(std::move(name));
    start = end + 1;
  }
  return names;
}

bool ResolveName(const std::string& listed, const std::string& baseFolder, bool storePaths,
                 StoredName* out, std::string* reason) {
  const bool absolute = IsAbsolute(listed);
  out->source = absolute ? listed : baseFolder + listed;
  std::vector<std::string> kept;
  bool escaped = absolute;
  for (std::string& part : Components(absolute && listed.size() >= 2 && listed[1] == ':'
                                          ? std::string_view(listed).substr(2)
                                          : std::string_view(listed))) {
    if (part == ".") continue;
    if (part == "..") {
      if (kept.empty())
        escaped = true;
      else
        kept.pop_back();
      continue;
    }
    if (HasReservedChar(part)) {
      *reason = "格納できない名前です: " + listed;
      return false;
    }
    kept.push_back(std::move(part));
  }
  if (kept.empty() || EndsWithSeparator(listed)) {
    *reason = "ファイル名がありません: " + listed;
    return false;
  }
  // Outside the base there is no folder to keep: the name alone goes in.
  if (escaped || !storePaths) kept.erase(kept.begin(), kept.end() - 1);
  out->name = kept.back();
  out->dir.clear();
  for (size_t k = 0; k + 1 < kept.size(); ++k) out->dir += (k ? "\\" : "") + kept[k];
  if (out->name.size() > kMaxNameBytes || out->dir.size() > kMaxNameBytes) {
    *reason = "名前が長すぎます: " + listed;
    return false;
  }
  return true;
}

std::string OneLineReason(std::string_view text) {
  std::string out;
  size_t keep = 0;  // the end of the last character that stays at the end
  ForEachChar(text, [&](size_t i, bool single) {
    const char c = text[i];
    if (single && (c == '\r' || c == '\n' || c == '\t')) {
      if (!out.empty() && out.back() != ' ') out += ' ';
      return;
    }
    const bool ending = single ? (c == ' ' || c == '.') : text.substr(i, 2) == "\x81\x42";  // "。"
    out += text.substr(i, single ? 1 : 2);
    if (!ending) keep = out.size();
  });
  out.resize(keep);
  return out;
}

RunResult RunCommand(Store& store, std::string_view text, const RunOptions& options) {
  RunResult result;
  auto fail = [&](int code, std::string message) {
    result.code = code;
    result.message = std::move(message);
    result.added = 0;
    return result;
  };

  Command cmd;
  std::string reason;
  if (!ParseCommand(text, &cmd, &reason)) return fail(kResultBadCommand, reason);

  // The names to add: those on the command line, then those of the list file.
  std::vector<std::string> listed = cmd.files;
  if (!cmd.listFile.empty()) {
    std::unique_ptr<InputFile> list;
    FileStat st;
    int e = store.Stat(cmd.listFile, &st);
    if (e == 0 && (!st.exists || st.directory))
      return fail(kResultListFile, "リストファイルが見つかりません: " + cmd.listFile);
    if (e == 0) e = store.OpenRead(cmd.listFile, &list);
    if (e != 0)
      return fail(kResultListFile,
                  "リストファイルを読めません: " + cmd.listFile + ErrorText(store, e));
    if (list->Size() > kMaxListFile)
      return fail(kResultListFile, "リストファイルが大きすぎます: " + cmd.listFile);
    std::string contents(static_cast<size_t>(list->Size()), '\0');
    if (!ReadExactly(*list, 0, contents.data(), contents.size(), &e))
      return fail(kResultListFile,
                  "リストファイルを読めません: " + cmd.listFile + ErrorText(store, e));
    for (std::string& name : ParseListFile(contents)) listed.push_back(std::move(name));
  }

  // Every file must be there before anything is written. A file listed twice is stored once.
  // Two different files that would be stored under one name (targets from other folders are
  // stored by their name alone) are both kept: the later one gets " (2)", " (3)"... before its
  // extension, so the archive never silently loses one of them.
  std::vector<NewEntry> entries;
  auto storedPath = [](const StoredName& n) {
    return n.dir.empty() ? n.name : n.dir + "\\" + n.name;
  };
  // Stored paths by their folded form (equal exactly when SamePath holds), so thousands of
  // names take no quadratic time before the first byte is coded.
  std::unordered_map<std::string, size_t> byPath;
  auto findStored = [&](const std::string& path) {
    const auto it = byPath.find(FoldPath(path));
    return it == byPath.end() ? entries.end()
                              : entries.begin() + static_cast<ptrdiff_t>(it->second);
  };
  std::unordered_map<std::string, std::u16string> trueFolders;
  for (const std::string& name : listed) {
    NewEntry entry;
    if (!ResolveName(name, cmd.baseFolder, cmd.storePaths, &entry.name, &reason))
      return fail(kResultBadName, reason);
    if (int e = store.Stat(entry.name.source, &entry.stat); e != 0)
      return fail(kResultReadError,
                  "ファイルを調べられません: " + entry.name.source + ErrorText(store, e));
    if (!entry.stat.exists)
      return fail(kResultMissingFile, "ファイルが見つかりません: " + entry.name.source);
    if (entry.stat.directory)
      return fail(kResultMissingFile, "フォルダーは格納できません: " + entry.name.source);
    if (entry.stat.size > 0xFFFFFFFFull)
      return fail(kResultTooLarge, "4 GB 以上のファイルは格納できません: " + entry.name.source);
    FindTrueNames(store, cmd.baseFolder, &entry, &trueFolders);
    auto same = findStored(storedPath(entry.name));
    if (same != entries.end() && SamePath(same->name.source, entry.name.source)) {
      *same = std::move(entry);
      continue;
    }
    if (same != entries.end()) {
      const std::string base = entry.name.name;
      std::string suffix;
      for (int n = 2; findStored(storedPath(entry.name)) != entries.end(); ++n) {
        suffix = " (" + std::to_string(n) + ")";
        entry.name.name = base;
        InsertBeforeExtension(&entry.name.name, suffix);
      }
      if (!entry.wideName.empty())
        InsertBeforeExtension(&entry.wideName, std::u16string(suffix.begin(), suffix.end()));
    }
    byPath.emplace(FoldPath(storedPath(entry.name)), entries.size());
    entries.push_back(std::move(entry));
  }
  if (entries.empty()) return fail(kResultNoFiles, "格納するファイルがありません");

  // The archive that is there already, if any.
  FileStat archiveStat;
  if (int e = store.Stat(cmd.archive, &archiveStat); e != 0)
    return fail(kResultBadArchive, "書庫を調べられません: " + cmd.archive + ErrorText(store, e));
  if (archiveStat.exists && archiveStat.directory)
    return fail(kResultBadArchive, "書庫の名前がフォルダーです: " + cmd.archive);
  std::unique_ptr<InputFile> old;
  std::vector<MemberEntry> members;
  if (archiveStat.exists) {
    if (int e = store.OpenRead(cmd.archive, &old); e != 0)
      return fail(kResultBadArchive, "書庫を開けません: " + cmd.archive + ErrorText(store, e));
    int e = 0;
    if (!ReadArchiveIndex(*old, &members, &reason, &e))
      return fail(kResultBadArchive,
                  "書庫 " + cmd.archive + " に追加できません: " + reason + ErrorText(store, e));
  }

  // What goes where: old members in their order, a new file of the same name in place of the
  // old member, then the other new files.
  std::vector<MemberPlan> plan;
  for (size_t m = 0; m < members.size(); ++m) {
    auto replacement = std::find_if(entries.begin(), entries.end(), [&](const NewEntry& e) {
      const std::string path = e.name.dir.empty() ? e.name.name : e.name.dir + "\\" + e.name.name;
      return !e.placed && !IsDirectoryMethod(members[m].method) && SamePath(members[m].path, path);
    });
    if (replacement == entries.end()) {
      plan.push_back({MemberPlan::kCopy, m});
    } else {
      replacement->placed = true;
      plan.push_back({MemberPlan::kNew, static_cast<size_t>(replacement - entries.begin())});
    }
  }
  for (size_t k = 0; k < entries.size(); ++k)
    if (!entries[k].placed) plan.push_back({MemberPlan::kNew, k});

  Output out{store, {}, nullptr};
  const std::string folder = FolderOf(cmd.archive);
  if (int e = store.CreateTemp(folder, &out.path, &out.file); e != 0) {
    out.path.clear();
    return fail(kResultWriteError,
                "一時ファイルを作れません: " + (folder.empty() ? std::string(".") : folder) +
                    ErrorText(store, e));
  }

  std::vector<NewSource> sources;
  for (const NewEntry& e : entries) {
    SourceInfo info;
    info.dir = e.name.dir;
    info.name = e.name.name;
    info.wideDir = e.wideDir;
    info.wideName = e.wideName;
    info.attributes =
        static_cast<uint16_t>(cmd.storeAttributes ? (e.stat.attributes & 0x27) : 0x20);
    info.creation = e.stat.creation ? e.stat.creation : e.stat.lastWrite;
    info.lastWrite = e.stat.lastWrite;
    // Reading the file for the archive changes its access time; store the last-write time
    // there, so the same files always give the same archive.
    info.lastAccess = e.stat.lastWrite;
    sources.push_back({e.name.source, info});
  }
  QueueFailure qf;
  if (!WritePlan(store, plan, sources, members, old.get(), *out.file, options, &qf)) {
    switch (qf.kind) {
      case QueueFailure::kOpen:
        return fail(kResultReadError,
                    "ファイルを開けません: " + qf.path + ErrorText(store, qf.error));
      case QueueFailure::kRead:
        return fail(kResultReadError,
                    "ファイルを読めません: " + qf.path + ErrorText(store, qf.error));
      case QueueFailure::kOldArchive:
        return fail(kResultBadArchive,
                    "書庫を読めません: " + cmd.archive + ErrorText(store, qf.error));
      case QueueFailure::kTooLarge:
        return fail(kResultTooLarge, "4 GB 以上のファイルは格納できません: " + qf.path);
      case QueueFailure::kCancelled:
        return fail(kResultCancelled, "中止しました");
      case QueueFailure::kWrite:
      default:
        return fail(kResultWriteError,
                    "書庫を書き込めません: " + cmd.archive + ErrorText(store, qf.error));
    }
  }
  WriteFailure wf;
  if (!AppendEndMark(*out.file, &wf))
    return fail(kResultWriteError,
                "書庫を書き込めません: " + cmd.archive + ErrorText(store, wf.error));
  if (int e = out.file->Close(); e != 0)
    return fail(kResultWriteError, "書庫を書き込めません: " + cmd.archive + ErrorText(store, e));
  out.file.reset();
  old.reset();
  if (int e = store.Replace(out.path, cmd.archive); e != 0)
    return fail(kResultWriteError,
                "書庫を置き換えられません: " + cmd.archive + ErrorText(store, e));
  out.keep = true;

  result.added = static_cast<int>(entries.size());
  result.message =
      std::to_string(entries.size()) + " 個のファイルを " + cmd.archive + " に格納しました";
  return result;
}

}  // namespace mv::lzh
