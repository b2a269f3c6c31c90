#include "while_saving.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "foreign_clipboard.h"
#include "picture.h"
#include "tarnwick_session.h"

namespace bench {
namespace {

// Tries something again and again on a thread of its own, and keeps the
// slowest time it took: opening the clipboard, as another program does, or
// the main window's answer.
class Slowest {
 public:
  explicit Slowest(std::function<DWORD()> probe)
      : thread_([this, probe] {
          while (!stop_) {
            slowest_ = std::max(slowest_.load(), static_cast<double>(probe()));
            Sleep(1);
          }
        }) {}
  double Stop() {
    stop_ = true;
    thread_.join();
    return slowest_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<double> slowest_{0};
  std::thread thread_;
};

}  // namespace

WhileSavingFigures MeasureWhileSaving(int width, int height, int runs, const std::wstring& folder) {
  WhileSavingFigures f;
  TarnwickSession tarnwick;
  if (!tarnwick.Start(folder)) {
    f.error = "Tarnwick.exe did not start";
    return f;
  }
  tarnwick.Settle();
  std::vector<double> times, held, answers;
  std::uint32_t seed = static_cast<std::uint32_t>(width) + 7;
  for (int i = 0; i < runs; ++i) {
    const Bytes expected = ExpectedFile(width, height, ++seed);
    if (!PutPictureFromOtherProcess(width, height, seed)) {
      f.error = "could not put the picture on the clipboard";
      return f;
    }
    // The system's own work on the change is not the program's.
    e2e::Pump(300);
    Slowest clipboard([] { return e2e::ClipboardOpenWaitMs(60000); });
    const HWND window = tarnwick.mainWindow();
    Slowest answer([window] { return e2e::WindowAnswerMs(window, 60000); });
    std::wstring path;
    double ms = 0;
    // On a slow folder a save takes seconds, however the clipboard fares.
    const bool saved = tarnwick.SaveWithHotKey(&path, &ms, 120000);
    answers.push_back(answer.Stop());
    held.push_back(clipboard.Stop());
    if (!saved) {
      f.error = "no file appeared";
      return f;
    }
    times.push_back(ms);
    ++f.filesChecked;
    if (FileHolds(path, expected)) ++f.filesCorrect;
    DeleteFileW(path.c_str());
  }
  f.pressToFile = Summarize(times);
  f.clipboardHeld = Summarize(held);
  f.slowestAnswer = Summarize(answers);
  return f;
}

}  // namespace bench
