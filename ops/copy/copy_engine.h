// The copy engine: copies target entries into a chosen folder, mirroring the folder structure,
// with an overwrite policy, a free-space check per file and a cancellable progress display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ops/copy/copy_paths.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "targets/tree.h"

namespace mv {

// "同名ファイル": what happens to a destination that already exists (the radio item index).
enum class ExistingPolicy : int { OverwriteAll = 0, NewerOnly = 1, Never = 2 };

struct CopyChoices {
  ExistingPolicy policy = ExistingPolicy::NewerOnly;
  bool resetAttributes =
      true;  // "属性を無視": make an existing destination normal before overwriting
};

// What the engine needs of the platform besides the directory search of FileSystem.
class CopyPlatform {
 public:
  virtual ~CopyPlatform() = default;
  virtual FileSystem& Files() = 0;
  // Copies contents, attributes and last-write time. With failIfExists an existing destination
  // is left untouched and the call fails. Where `to` ends in the components mirrored from
  // `from`, and one of them is the short name standing for a long name the code page cannot
  // hold, the destination takes that long name, as Explorer would give it.
  virtual bool DuplicateFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  // Creates the folder and every missing parent; true when it is a folder afterwards.
  virtual bool CreateFolders(const std::string& path) = 0;
  // The same for the mirror of the source folder: named like DuplicateFile's destinations.
  virtual bool CreateFolderFor(const std::string& source, const std::string& at) {
    static_cast<void>(source);
    return CreateFolders(at);
  }
  // The file system in which `text` reaches the mirror of source at `at` under the name
  // DuplicateFile gives it, whatever the destination volume calls it (its own short name, or
  // none at all); other paths go to Files(). Valid until the next call. Never the item that
  // merely answers to the source's short name at the destination: that is another file.
  virtual FileSystem& MirrorFiles(const std::string& source, const std::string& at,
                                  const std::string& text) {
    static_cast<void>(source);
    static_cast<void>(at);
    static_cast<void>(text);
    return Files();
  }
  // The length of that mirror's path as the file functions count it (UTF-16 units): a
  // double-byte character is one, a long name counts as itself, not as its short name.
  virtual size_t PathUnits(const std::string& source, const std::string& at) {
    static_cast<void>(source);
    return CharCount(at);
  }
  // Bytes free to this process on the volume holding the folder (given with a trailing
  // backslash, "E:\" or "\\SERVER\SHARE\DIR\"); nullopt when the query fails.
  virtual std::optional<int64_t> FreeBytes(const std::string& folder) = 0;
  // The folder chooser: the chosen path (created if it was typed new), or nullopt on cancel.
  virtual std::optional<std::string> ChooseFolder() = 0;
  virtual void PumpMessages() = 0;  // every pending window message
  virtual void BusyCursor(bool on) = 0;
  // Locale rules of the platform; the defaults know ASCII only.
  virtual std::string UpperCase(std::string text) { return AsciiUpper(text); }
  virtual bool SameText(std::string_view a, std::string_view b) { return AsciiEqualsNoCase(a, b); }
  // The same folder as the file system spells it (the case of its names, long names for short
  // ones); the text itself where the platform cannot tell. Where names only match regardless of
  // case at some cost (Wine over a case-sensitive file system), the upper-cased destination would
  // make every file operation of the run search each folder on its way.
  virtual std::string SpelledOnDisk(const std::string& folder) { return folder; }
};

// The progress dialog and the timer that delays its appearance.
class CopyProgress {
 public:
  virtual ~CopyProgress() = default;
  virtual void StartTimer() = 0;
  virtual void StopTimer() = 0;
  virtual void Hide() = 0;
  // The file in hand and its size: a dialog may leave a small file's paths for the next paint,
  // since a run of small files changes them faster than a screen can show.
  virtual void SetPaths(const std::string& from, const std::string& to, int64_t size) = 0;
  virtual void SetPosition(int position) = 0;                // 0..100
  virtual void DiskFullBox(const std::string& message) = 0;  // "ｴﾗｰ", stop icon, "中止(&A)"
};

// Services of other components, injected.
struct CopyHooks {
  std::function<CopyChoices()> choices;  // read afresh for every file
  // On one destination, reached through the given file system; may throw, which ends the run.
  std::function<void(const std::string&, FileSystem&)> changeFileAttr;
  std::function<void()> clearErrors;
  std::function<void(const std::string&)> appendError;
  std::function<size_t()> errorCount;
  std::function<void()> showErrors;  // the error window, non-modal
};

// One row of the file list as the selection command sees it; row i is entry i of the node, and
// a folder row i is its child node i.
struct FileRow {
  bool selected = false;
  std::string caption;  // the name the list shows (the shell's, which may be another)
};

class CopyEngine {
 public:
  static constexpr int64_t kNoSpace = -1;  // CopyOneFile: the destination volume is too full

  CopyEngine(CopyPlatform& platform, CopyProgress& progress, CopyHooks hooks);

  // "コピー" button: every entry of the whole tree.
  void BitBtn1Click(const TargetTree& tree);
  // "コピー" menu item: the selected rows of the node's list and everything below selected folders.
  void copy1Click(const Node* selected, const std::vector<FileRow>& rows);
  // The progress dialog's Cancel: the run stops after the file in hand.
  void Cancel() { continueCopy_ = false; }

  // True from the folder choice to the end of the run; the window refuses other commands then.
  bool Running() const { return running_; }
  bool ContinueCopy() const { return continueCopy_; }
  // Figures of the current or last run.
  int64_t CopiedBytes() const { return copied_; }
  int64_t ByteTotal() const { return total_; }
  int64_t Position() const { return position_; }

 private:
  struct Snap;  // a node's text, entries and children, copied so pumps cannot pull them away

  void BeginRun();
  void EndRun(bool showErrors);
  int64_t CopyOneFile(const std::string& source, int depth);
  bool EnoughDiskSpace(int64_t size);
  bool CopyEntry(const std::string& path, int depth);  // false: the run stops
  void CopyNodeFiles(const Snap& node, int depth);
  void SumNodeBytes(const Snap& node, int64_t& total);
  void DiskFullAbort();
  void UpdateProgress();
  void ReportUnlisted(const Snap& node);
  CopyChoices Choices() const;

  CopyPlatform& platform_;
  CopyProgress& progress_;
  CopyHooks hooks_;

  bool running_ = false;
  bool continueCopy_ = false;
  bool stop_ = false;        // Cancel seen or the volume full: every loop ends
  std::string destination_;  // upper-cased, without a trailing backslash: the run's texts
  std::string onDisk_;       // the same folder as the file system spells it: its operations
  std::string base_;         // never ends in a backslash
  int64_t copied_ = 0;
  int64_t total_ = 0;
  int64_t position_ = 0;
  // What the destination volume had free at its last query, less what the run has copied since.
  std::optional<int64_t> freeEstimate_;
};

// "新しいﾌｧｲﾙ": the source is newer than the destination, by their local times packed into DOS
// date-times, or by the file times in two-second steps where either cannot be packed.
bool IsNewer(FileSystem& fs, uint64_t sourceTime, uint64_t destinationTime);

// The position of the bar: copied ÷ (total ÷ 100); the previous one while total is below 100.
int64_t ProgressPosition(int64_t copied, int64_t total, int64_t previous);

}  // namespace mv
