// Applying the attribute and date choices to files: the per-file change, the walk below a tree
// node, and the two commands that run it over the whole tree or over the selected list rows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ops/attrib/date_time.h"
#include "ops/common/error_list.h"
#include "platform/fs.h"
#include "targets/tree.h"

namespace mv {

// One attribute choice: the index of its radio group.
enum AttribChoice : int { kLeave = 0, kSet = 1, kClear = 2 };

// What the panel holds at the moment it is read.
struct AttribChoices {
  int readOnly = kLeave;  // RGroup
  int archive = kLeave;   // AGroup
  int system = kLeave;    // SGroup
  int hidden = kLeave;    // HGroup
  std::string dateText;   // the date field's text as read (blanks for untyped positions)

  bool ChangesAttributes() const;
  bool HasDate() const;  // the date field is not empty
};

// Read afresh at every file, so the window supplies its controls' current state.
using ChoiceSource = std::function<AttribChoices()>;

// The attribute word with the four choices applied in the order read-only, archive, system,
// hidden; every other bit is carried through.
uint16_t ApplyChoices(uint16_t word, const AttribChoices& choices);

class AttribChanger {
 public:
  AttribChanger(FileSystem& fs, ErrorList& errors, ChoiceSource choices, LocaleDates locale = {},
                std::function<int()> currentYear = {});

  void SetLocale(const LocaleDates& locale) { locale_ = locale; }
  const LocaleDates& Locale() const { return locale_; }
  AttribChoices Choices() const { return choices_(); }

  // Sets the date (when the field is not empty) and then the four attribute choices on one file
  // or folder. Per-file failures become error lines. A date text that does not convert raises
  // DateConvertError before the path is touched.
  void ChangeFileAttr(const std::string& path) { ChangeFileAttr(path, fs_); }
  // The same through another file system: one that reaches `path` where this one cannot (a
  // copy's destination under its true name).
  void ChangeFileAttr(const std::string& path, FileSystem& fs);

  // Every file below the node: folder entry i is followed into child node i, never a node found
  // by name, so folders themselves are never changed here. A node whose folder could not be
  // listed gets its line.
  void ChangeNodeAttr(const Node& node);

  // Entry `index` of `node`: a folder goes to its child node, a file to ChangeFileAttr.
  void ChangeEntry(const Node& node, size_t index);

  // The attribute word as the change reads it: the low 16 bits, 0xFFFF when the query failed.
  uint16_t AttributeWord(const std::string& path);

  // The line of a node whose folder could not be listed: nothing below it can be changed.
  void ReportUnlisted(const Node& node);

 private:
  FileSystem& fs_;
  ErrorList& errors_;
  ChoiceSource choices_;
  LocaleDates locale_;
  std::function<int()> currentYear_;
};

// What the two commands need of the window.
class AttribRunUi {
 public:
  virtual ~AttribRunUi() = default;
  virtual void Notice(const std::string& text) = 0;       // plain message box
  virtual bool Confirm(const std::string& question) = 0;  // Yes/No; true only for Yes
  virtual void SetBusy(bool busy) = 0;                    // application-wide hourglass
  virtual void RefillFileList() = 0;                      // from the selected node
  virtual void ShowErrorWindow() = 0;                     // non-modal, in front
};

enum class RunResult { NothingChosen, Declined, Done };

inline constexpr const char* kNothingChosenNotice = "属性が変更されていません";
inline constexpr const char* kChangeQuestion = "ファイルの属性を変更します。";

// The whole target tree: every entry of every node in tree order, folder entries included.
// DateConvertError propagates after the busy cursor is restored; nothing is refilled then.
RunResult RunChangeAll(AttribChanger& changer, ErrorList& errors, const TargetTree& tree,
                       AttribRunUi& ui);

// The selected rows of the selected node's list (row i is entry i), in index order; a folder row
// i descends into child node i. Rows beyond the entry list are ignored.
RunResult RunChangeSelected(AttribChanger& changer, ErrorList& errors, const Node* selected,
                            std::vector<size_t> selectedRows, AttribRunUi& ui);

}  // namespace mv
