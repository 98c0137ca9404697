#include "ops/attrib/change_attr.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>

#include "ops/attrib/mask.h"
#include "platform/text.h"
#include "targets/entry.h"

namespace mv {
namespace {

int LocalYearNow() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);  // single UI thread: the shared buffer is fine
  return local ? local->tm_year + 1900 : 1980;
}

// The attribute word as the change reads it: the low 16 bits, 0xFFFF when the query failed.
uint16_t WordOf(FileSystem& fs, const std::string& path) {
  return static_cast<uint16_t>(fs.GetAttributes(path) & 0xFFFFu);
}

bool IsChoice(int choice) { return choice == kSet || choice == kClear; }

uint16_t Apply(uint16_t word, int choice, uint16_t bit) {
  if (choice == kSet) return word | bit;
  if (choice == kClear) return static_cast<uint16_t>(word & ~bit);
  return word;
}

// Puts the remembered word back once the file is closed, on every way out.
class ReadOnlyRestore {
 public:
  ReadOnlyRestore(FileSystem& fs, const std::string& path, uint16_t word)
      : fs_(fs), path_(path), word_(word) {}
  ReadOnlyRestore(const ReadOnlyRestore&) = delete;
  ReadOnlyRestore& operator=(const ReadOnlyRestore&) = delete;
  ~ReadOnlyRestore() {
    try {
      fs_.SetAttributes(path_, word_);  // result ignored: the attribute part reports failures
    } catch (...) {
    }
  }

 private:
  FileSystem& fs_;
  const std::string& path_;
  uint16_t word_;
};

// Sets the application-wide busy cursor for a scope.
class BusyScope {
 public:
  explicit BusyScope(AttribRunUi& ui) : ui_(ui) { ui_.SetBusy(true); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  ~BusyScope() { ui_.SetBusy(false); }

 private:
  AttribRunUi& ui_;
};

// Steps 1 to 4 shared by both commands; false when the run does not go ahead.
bool BeginRun(AttribChanger& changer, ErrorList& errors, AttribRunUi& ui, RunResult& result) {
  const AttribChoices choices = changer.Choices();
  if (!choices.ChangesAttributes() && !choices.HasDate()) {
    ui.Notice(kNothingChosenNotice);
    result = RunResult::NothingChosen;
    return false;
  }
  if (!ui.Confirm(kChangeQuestion)) {
    result = RunResult::Declined;
    return false;
  }
  errors.Clear();
  return true;
}

void EndRun(ErrorList& errors, AttribRunUi& ui) {
  ui.RefillFileList();
  if (errors.Count() > 0) ui.ShowErrorWindow();
}

}  // namespace

bool AttribChoices::ChangesAttributes() const {
  return IsChoice(readOnly) || IsChoice(archive) || IsChoice(system) || IsChoice(hidden);
}

bool AttribChoices::HasDate() const { return !IsDateTextEmpty(dateText); }

uint16_t ApplyChoices(uint16_t word, const AttribChoices& choices) {
  word = Apply(word, choices.readOnly, kAttrReadOnly);
  word = Apply(word, choices.archive, kAttrArchive);
  word = Apply(word, choices.system, kAttrSystem);
  return Apply(word, choices.hidden, kAttrHidden);
}

AttribChanger::AttribChanger(FileSystem& fs, ErrorList& errors, ChoiceSource choices,
                             LocaleDates locale, std::function<int()> currentYear)
    : fs_(fs),
      errors_(errors),
      choices_(std::move(choices)),
      locale_(std::move(locale)),
      currentYear_(currentYear ? std::move(currentYear) : std::function<int()>(&LocalYearNow)) {}

uint16_t AttribChanger::AttributeWord(const std::string& path) { return WordOf(fs_, path); }

void AttribChanger::ChangeFileAttr(const std::string& path, FileSystem& fs) {
  const AttribChoices choices = choices_();

  if (!NamesOneItem(path)) {
    // An item the code page cannot name: nothing reaches it, and each part says so rather than
    // passing it over as a path whose attributes cannot be read. The text is still checked
    // first, so a date that does not convert ends the run here as anywhere.
    if (choices.HasDate()) {
      ParseAgeText(choices.dateText, locale_, currentYear_());
      errors_.Append(FileOpenErrLine(-1, path));
    }
    if (choices.ChangesAttributes()) errors_.Append(AttributeSetErrLine(kErrorInvalidName, path));
    return;
  }

  if (choices.HasDate()) {
    const uint32_t read = fs.GetAttributes(path);
    const uint16_t word = static_cast<uint16_t>(read & 0xFFFFu);
    if (read != kAttrInvalid && (word & kAttrDirectory)) return;  // a folder keeps everything
    const DateTime when = ParseAgeText(choices.dateText, locale_, currentYear_());
    if (read == kAttrInvalid) {
      // Nothing answers at the path (gone, or unreadable): it cannot take the date, and says so
      // instead of passing for a folder.
      errors_.Append(FileOpenErrLine(-1, path));
    } else {
      std::optional<ReadOnlyRestore> restore;
      if (word & kAttrReadOnly) {
        fs.SetAttributes(path, word & ~kAttrReadOnly);  // result ignored: the open will tell
        restore.emplace(fs, path, word);
      }
      // Declared after the restore, so the file is closed before read-only goes back.
      std::unique_ptr<OpenFile> file = fs.OpenExclusive(path);
      if (!file) {
        errors_.Append(FileOpenErrLine(-1, path));
      } else {
        const int code = file->SetLastWriteDos(PackDosDateTime(when));
        if (code != 0) errors_.Append(DateSetErrLine(code, path));
      }
    }
  }

  if (!choices.ChangesAttributes()) return;
  const uint16_t word = ApplyChoices(WordOf(fs, path), choices);
  const int code = fs.SetAttributes(path, word);
  if (code != 0) errors_.Append(AttributeSetErrLine(code, path));
}

void AttribChanger::ChangeEntry(const Node& node, size_t index) {
  const std::string path = EntryPath(node.entries[index]);
  // An unnamed item reads as a folder (its attributes cannot be read); its own lines tell.
  if (!NamesOneItem(path) || !(AttributeWord(path) & kAttrDirectory)) {
    ChangeFileAttr(path);
    return;
  }
  // By position: a name would find the first of two children "Sub" (targets A\Sub and B\Sub,
  // or Sub and sub on a case-sensitive volume).
  if (const Node* child = node.Child(index)) {
    ChangeNodeAttr(*child);
  } else if (fs_.GetAttributes(path) == kAttrInvalid) {
    ChangeFileAttr(path);  // a file that cannot be read now: its lines tell
  }
}

void AttribChanger::ReportUnlisted(const Node& node) {
  if (node.listError) errors_.Append(FindErrLine(node.listError, FolderPathOf(node)));
}

void AttribChanger::ChangeNodeAttr(const Node& node) {
  ReportUnlisted(node);
  for (size_t i = 0; i < node.entries.size(); ++i) ChangeEntry(node, i);
}

RunResult RunChangeAll(AttribChanger& changer, ErrorList& errors, const TargetTree& tree,
                       AttribRunUi& ui) {
  RunResult result = RunResult::Done;
  if (!BeginRun(changer, errors, ui, result)) return result;
  {
    BusyScope busy(ui);
    tree.ForEachNode([&](Node& node) {
      changer.ReportUnlisted(node);
      for (size_t i = 0; i < node.entries.size(); ++i)
        changer.ChangeFileAttr(EntryPath(node.entries[i]));
    });
  }
  EndRun(errors, ui);
  return result;
}

RunResult RunChangeSelected(AttribChanger& changer, ErrorList& errors, const Node* selected,
                            std::vector<size_t> selectedRows, AttribRunUi& ui) {
  RunResult result = RunResult::Done;
  if (!BeginRun(changer, errors, ui, result)) return result;
  std::sort(selectedRows.begin(), selectedRows.end());
  selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
  {
    BusyScope busy(ui);
    if (selected) {
      for (size_t row : selectedRows) {
        if (row >= selected->entries.size()) break;
        changer.ChangeEntry(*selected, row);
      }
    }
  }
  EndRun(errors, ui);
  return result;
}

}  // namespace mv
