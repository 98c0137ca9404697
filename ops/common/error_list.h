// The error list: one text line per failed file of the last run, in the order of failure, and
// the layouts of those lines.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

std::string FileOpenErrLine(int code,
                            std::string_view path);  // "FileOpenErr ErrCode = -1 FileName = p"
std::string DateSetErrLine(int code,
                           std::string_view path);  // "DateSetErr ErrCode = 87 FileName = p"
std::string AttributeSetErrLine(int code,
                                std::string_view path);  // "Attribute SetErr ErrCode = 2 ..."
std::string NotCopyLine(std::string_view path);          // "Not Copy FileName = p"

class ErrorList {
 public:
  // Called after every change, so the error window's list box can follow.
  using Observer = std::function<void()>;
  void SetObserver(Observer observer) { observer_ = std::move(observer); }

  void Clear();
  void Append(std::string line);
  size_t Count() const { return lines_.size(); }
  bool Empty() const { return lines_.empty(); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // Every line as it is (code-page bytes), each followed by CR LF. False when the file cannot be
  // created or a write fails (a full disk); the caller decides what to do with a partial file.
  bool SaveTo(std::ostream& out) const;
  bool SaveToFile(const std::string& path) const;

 private:
  void Changed() {
    if (observer_) observer_();
  }
  std::vector<std::string> lines_;
  Observer observer_;
};

}  // namespace mv
