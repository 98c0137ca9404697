// The two archive commands: collect the files of the whole tree or of the selected rows into a
// list file, and hand the archiver one command text that names the archive, the base folder and
// that list file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ops/attrib/error_list.h"
#include "targets/tree.h"

namespace mv::lha {

inline constexpr const char* kListFileName = "TMPLHA.$";
inline constexpr const char* kNoFileNotice = "No File";
inline constexpr size_t kMaxListName = 255;

// What the commands need of the file system, the program and the archiver.
class ArchivePlatform {
 public:
  virtual ~ArchivePlatform() = default;
  virtual uint32_t Attributes(const std::string& path) = 0;  // 0xFFFFFFFF when the query fails
  virtual bool Delete(const std::string& path) = 0;
  virtual bool Move(const std::string& from, const std::string& to) = 0;  // never replaces
  // Writes the collected lines as the list file; false when it cannot be created or written.
  virtual bool WriteList(const ErrorList& lines, const std::string& path) = 0;
  virtual std::string ProgramFolder() = 0;  // ends in a backslash
  // Runs the archiver on the command and returns only when it has finished.
  virtual void CallArchiver(const std::string& command) = 0;
};

// What they need of the window.
class ArchiveUi {
 public:
  virtual ~ArchiveUi() = default;
  virtual std::optional<std::string> AskArchiveName() = 0;  // the save dialog; nullopt: cancelled
  virtual void Notice(const std::string& text) = 0;         // plain box, application title
  // The application's error box; it shows the message followed by ".".
  virtual void ApplicationError(const std::string& message) = 0;
  // The error window, non-modal, in front: the run left lines in the error list.
  virtual void ShowErrorWindow() = 0;
};

// A selected row of the file list: its index (row i is entry i of the selected node, and a folder
// row i is its child node i) and the caption it shows (the shell's name, which may be another).
struct SelectedRow {
  size_t index = 0;
  std::string caption;
};

// The pure pieces, exposed for the tests.
std::string CommandText(std::string_view archive, std::string_view base,
                        std::string_view listFile);
// "\"<path less the base>\"", the relative part cut to 255 bytes without splitting a
// double-byte character; a path outside the base keeps its full text.
std::string ListLine(std::string_view base, std::string_view path);
// "ﾌｧｲﾙ <path> を作成できません"
std::string CannotCreateMessage(std::string_view path);

class ArchiveCommands {
 public:
  ArchiveCommands(ArchivePlatform& platform, ArchiveUi& ui, ErrorList& scratch)
      : platform_(platform), ui_(ui), lines_(scratch) {}

  // Button "ＬＨＡ": every file of the whole tree.
  void BitBtn3Click(const TargetTree& tree);
  // Menu "Lha圧縮": the selected rows of the selected node, folders followed into their nodes.
  void Lha1Click(const Node* selected, const std::vector<SelectedRow>& rows);

  // Line collection, as the two commands use it: entry `index` of a node (a folder goes to its
  // child node by position), and every file below a node.
  void ListLhaEntry(const Node& node, size_t index);
  void ListLhaNode(const Node& node);

 private:
  bool IsFolder(const std::string& path);
  void ReportUnlisted(const Node& node);
  void AddFile(const std::string& path);
  void Pack(const std::string& archive);
  void Archive(const std::string& archive, const std::string& listFile);
  std::string AsideName(const std::string& archive);

  ArchivePlatform& platform_;
  ArchiveUi& ui_;
  ErrorList& lines_;
  std::string base_;
  std::string archive_;  // the chosen name: never packed into itself
  // Error lines of the run, kept apart from the list file's lines and left in the error list
  // once the list file is done with.
  std::vector<std::string> problems_;
};

}  // namespace mv::lha
