#include "while_saving.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "foreign_clipboard.h"
#include "picture.h"
#include "tarnwick_session.h"

namespace bench {
namespace {

// The second process, started before the press and stopped once the file is
// there.
class ClipboardWatcher {
 public:
  ClipboardWatcher() {
    const std::wstring suffix = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
    const std::wstring ready = L"tarnwick-bench-ready-" + suffix, stop = L"tarnwick-bench-stop-" + suffix;
    ready_ = CreateEventW(nullptr, TRUE, FALSE, ready.c_str());
    stop_ = CreateEventW(nullptr, TRUE, FALSE, stop.c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --watch-clipboard " + ready + L" " + stop;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_)) {
      HANDLE both[] = {ready_, process_.hProcess};
      watching_ = WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
    }
  }
  ~ClipboardWatcher() {
    Stop();
    for (HANDLE h : {process_.hThread, process_.hProcess, ready_, stop_})
      if (h != nullptr) CloseHandle(h);
  }
  bool watching() const { return watching_; }
  // The longest refusal, in ms; -1 when the watcher failed.
  double Stop() {
    SetEvent(stop_);
    if (process_.hProcess == nullptr || WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return watching_ && static_cast<int>(code) >= 0 ? static_cast<double>(code) : -1;
  }

 private:
  HANDLE ready_ = nullptr, stop_ = nullptr;
  PROCESS_INFORMATION process_{};
  bool watching_ = false;
};

// Asks the window for an answer, again and again, on a thread of its own.
class AnswerWatcher {
 public:
  explicit AnswerWatcher(HWND window)
      : thread_([this, window] {
          while (!stop_) {
            const double start = NowMs();
            DWORD_PTR answer = 0;
            const bool answered =
                SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 60000, &answer) != 0;
            slowest_ = std::max(slowest_.load(), answered ? NowMs() - start : 1e9);
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
    ClipboardWatcher clipboard;
    if (!clipboard.watching()) {
      f.error = "the clipboard watcher did not start";
      return f;
    }
    AnswerWatcher answer(tarnwick.mainWindow());
    std::wstring path;
    double ms = 0;
    // On a slow folder a save takes seconds, however the clipboard fares.
    const bool saved = tarnwick.SaveWithHotKey(&path, &ms, 120000);
    answers.push_back(answer.Stop());
    held.push_back(clipboard.Stop());
    if (!saved || held.back() < 0) {
      f.error = saved ? "the clipboard watcher failed" : "no file appeared";
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

int WatchClipboard(const wchar_t* readyEvent, const wchar_t* stopEvent) {
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, readyEvent);
  HANDLE stop = OpenEventW(SYNCHRONIZE, FALSE, stopEvent);
  if (ready == nullptr || stop == nullptr) return -1;
  timeBeginPeriod(1);
  // With a window of its own, as programs open it: Wine lets two openers
  // without a window share the clipboard.
  const HWND opener = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  double longest = 0, refusedSince = -1;
  SetEvent(ready);
  while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
    const double now = NowMs();
    if (OpenClipboard(opener)) {
      CloseClipboard();
      if (refusedSince >= 0) longest = std::max(longest, now - refusedSince);
      refusedSince = -1;
    } else if (refusedSince < 0) {
      refusedSince = now;
    }
    Sleep(1);
  }
  if (refusedSince >= 0) longest = std::max(longest, NowMs() - refusedSince);
  timeEndPeriod(1);
  DestroyWindow(opener);
  CloseHandle(ready);
  CloseHandle(stop);
  return static_cast<int>(longest + 0.5);
}

}  // namespace bench
