// The two archive commands: collect the files of the whole tree or of the selected rows into a
// list file, and hand the archiver one command text that names the archive, the base folder and
// that list file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ops/common/error_list.h"
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
  // Where the path's last component is the item's short name and not its own: that own name, in
  // a form only the platform reads back. Empty where the path names the item by its own name.
  virtual std::string OwnName(const std::string& path) = 0;
  // Renames the item to the own name OwnName gave; never replaces.
  virtual bool MoveToOwnName(const std::string& from, const std::string& ownName) = 0;
  // Whether a component of path, from the byte `from` on, is a short name standing for a name
  // the code page cannot hold.
  virtual bool HoldsShortName(const std::string& path, size_t from) = 0;
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
  // The error window, with the lines of the run.
  virtual void ShowErrors() = 0;
};

// A selected row of the file list: its index (row i is entry i of the selected node, and a folder
// row i is its child node i) and the caption it shows (the shell's name, which may be another).
struct SelectedRow {
  size_t index = 0;
  std::string caption;
};

// The pure pieces, exposed for the tests.
std::string CommandText(std::string_view archive, std::string_view base, std::string_view listFile);
// "\"<path less the base>\"", the relative part cut to 255 bytes without splitting a
// double-byte character; a path outside the base keeps its full text.
std::string ListLine(std::string_view base, std::string_view path);
// "ﾌｧｲﾙ <path> を作成できません"
std::string CannotCreateMessage(std::string_view path);
// Error lines of an archive run: "Not Lha FileName = <path>" for a file left out because it
// cannot be asked about, "Lha ShortName FileName = <path>" for a member stored under a short
// name (the code page cannot hold its own; readers that know the UTF-16 names still get it).
std::string NotLhaLine(std::string_view path);
std::string ShortNameLine(std::string_view path);

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
  // Error lines of the run, shown once the list file is gone, and the listed files stored
  // under short names (told only when the archive was made).
  std::vector<std::string> notes_, shortNamed_;
};

}  // namespace mv::lha
