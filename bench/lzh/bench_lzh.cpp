// Packs a folder as the "ＬＨＡ" button does: the target tree built from the folder, then the
// archive commands with their list file and command text, calling Unlha of the UNLHA32.DLL that
// lies beside this driver. Only the button's work is timed (the save dialog answered at once);
// prints the time, the archive's size and the library's result.
//   bench_lzh FOLDER ARCHIVE
#include <cstdio>

#include "bench/bench_clock.h"
#include "ops/attrib/error_list.h"
#include "ops/lha/archive_commands.h"
#include "ops/lha/win32/lha_win32.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"

using namespace mv;

namespace {

class AnsweringUi : public lha::ArchiveUi {
 public:
  explicit AnsweringUi(std::string archive) : archive_(std::move(archive)) {}
  std::optional<std::string> AskArchiveName() override { return archive_; }
  void Notice(const std::string& text) override { std::fprintf(stderr, "notice: %s\n", text.c_str()); }
  void ApplicationError(const std::string& message) override {
    std::fprintf(stderr, "error: %s\n", message.c_str());
    failed = true;
  }
  void ShowErrors() override { std::fprintf(stderr, "error lines shown\n"); }
  bool failed = false;

 private:
  std::string archive_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_lzh FOLDER ARCHIVE\n");
    return 2;
  }
  win::InstallPlatformText();
  lha::win::ArchiverLibrary library;
  library.Load();
  if (!library.Loaded()) {
    std::fprintf(stderr, "bench_lzh: UNLHA32.DLL did not load\n");
    return 1;
  }
  win::Win32FileSystem fs;
  TargetTree tree;
  TreeBuilder(fs, tree).Build({argv[1]}, true);
  DeleteFileA(argv[2]);
  lha::win::Win32ArchivePlatform platform(library, nullptr);
  AnsweringUi ui(argv[2]);
  ErrorList scratch;
  lha::ArchiveCommands commands(platform, ui, scratch);
  const double t = bench::Seconds();
  commands.BitBtn3Click(tree);
  const double s = bench::Seconds() - t;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  const bool made = GetFileAttributesExA(argv[2], GetFileExInfoStandard, &data) != 0;
  std::printf("entries %lld ms %.0f archive_bytes %lu\n", static_cast<long long>(tree.TotalCount), 1000 * s,
              made ? data.nFileSizeLow : 0ul);
  return made && !ui.failed ? 0 : 1;
}
