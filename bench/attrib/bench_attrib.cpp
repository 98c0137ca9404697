// Sets read-only and archive (and, when given, one last-write date) on every entry of the target
// tree of one folder through the real attribute change over the Win32 file system, and prints
// the entries, the errors and the times of the tree build and of the run.
//   bench_attrib FOLDER ["yyyy/mm/dd hh:mm:ss"]
#include <cstdio>
#include <string>

#include "ops/attrib/change_attr.h"
#include "ops/attrib/win32/attrib_ui.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"

using namespace mv;

namespace {

// The run's window side: consent given, nothing to show.
class ConsentingUi : public AttribRunUi {
 public:
  void Notice(const std::string&) override {}
  bool Confirm(const std::string&) override { return true; }
  void SetBusy(bool) override {}
  void RefillFileList() override {}
  void ShowErrorWindow() override {}
};

double Millis(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq) {
  return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_attrib FOLDER [DATE]\n");
    return 1;
  }
  win::InstallPlatformText();
  win::Win32FileSystem fs;
  TargetTree tree;
  ErrorList errors;
  AttribChoices choices;
  choices.readOnly = kSet;
  choices.archive = kSet;
  if (argc > 2) choices.dateText = argv[2];
  AttribChanger changer(
      fs, errors, [&] { return choices; }, win::ReadLocaleDates(), &win::CurrentLocalYear);
  ConsentingUi ui;

  LARGE_INTEGER freq, t0, t1, t2;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  TreeBuilder builder(fs, tree);
  if (!builder.Build({argv[1]}, false)) {
    std::fprintf(stderr, "bench_attrib: cannot build %s\n", argv[1]);
    return 1;
  }
  QueryPerformanceCounter(&t1);
  RunResult result = RunResult::Declined;
  try {
    result = RunChangeAll(changer, errors, tree, ui);
  } catch (const DateConvertError& e) {
    std::fprintf(stderr, "bench_attrib: %s\n", e.what());
    return 1;
  }
  QueryPerformanceCounter(&t2);
  std::printf("entries %lld errors %u build_ms %.1f run_ms %.1f\n",
              static_cast<long long>(tree.TotalCount), static_cast<unsigned>(errors.Count()),
              Millis(t0, t1, freq), Millis(t1, t2, freq));
  if (!errors.Empty()) std::fprintf(stderr, "first error: %s\n", errors.Lines().front().c_str());
  return result == RunResult::Done && errors.Empty() ? 0 : 2;
}
