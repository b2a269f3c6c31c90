// What the e2e driver and the benchmark do to and see of the real
// Tarnwick.exe, from the outside, as a person would: start it, press keys,
// read and dismiss its message boxes, look at its windows and tray icon, the
// registry and files. Windows only; nothing here depends on Wine's own windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "wine_paths.h"

namespace e2e {

using Bytes = std::vector<std::uint8_t>;

// Runs the message loop of this thread for `ms` (the clipboard may need it).
void Pump(DWORD ms);
// Pumps until `done` returns true or `timeoutMs` passes; returns done().
template <typename Done>
bool WaitUntil(Done done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump(20);
  }
  return true;
}

// Folder of the driver's executable, ending with a backslash. Tarnwick.exe is
// built next to it.
std::wstring DriverFolder();
std::wstring TarnwickPath();

// Starts a command line and waits up to `timeoutMs` for it to end, keeping
// this thread's messages moving (it may own what is on the clipboard). False
// when it could not start; *exitCode is STILL_ACTIVE when it has not ended,
// or is a Linux program under Wine, whose end cannot be waited for.
bool RunProcess(std::wstring commandLine, DWORD flags, DWORD timeoutMs, DWORD* exitCode = nullptr);

class TarnwickProcess {
 public:
  TarnwickProcess() = default;
  ~TarnwickProcess();  // ends a process still running, so no case leaks one
  TarnwickProcess(const TarnwickProcess&) = delete;
  TarnwickProcess& operator=(const TarnwickProcess&) = delete;

  // Starts the program and waits until its start-up is over (it waits for
  // input, or shows a start-up message box).
  bool Start(const std::wstring& exe = TarnwickPath());
  DWORD Pid() const { return pid_; }
  bool Running() const;
  // Waits for the process to end; its exit code, or -1 on time-out.
  long WaitForExit(DWORD timeoutMs);
  // The hidden main dialog.
  HWND MainWindow() const;
  // The tray menu's exit command, as the menu delivers it.
  void PostExitCommand() const;
  // Ends the program through its exit command and returns the exit code.
  long Exit();
  // Ends it at once, as a crash or the task manager would.
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Waits until the thread of `dialog` (any dialog of the program: they share
// one thread) has dispatched every message posted to it before this call.
// Posted messages are dispatched in order, so what they asked for is done by
// then. False when it never gets there.
bool WaitUntilHandled(HWND dialog, DWORD timeoutMs = 10000);
// Keeps asking the window to answer for `ms`: a timer it set before has
// fired and been handled by then, since its thread was running all along.
// Only for what the program does on a timer of its own (saving a new
// picture once the clipboard is quiet); false when it stopped answering.
bool KeepsAnsweringFor(HWND window, DWORD ms);

// Waits for the shell's window on a folder (Explorer's on Windows, Wine's
// own explorer under Wine), whose title ends with the folder's name, and
// closes it: a test leaves no window behind.
bool CloseFolderWindow(const std::wstring& name, DWORD timeoutMs = 10000);

// The process's top-level windows: the visible ones, or all.
std::vector<HWND> VisibleWindows(DWORD pid);
std::vector<HWND> WindowsOf(DWORD pid);

// What other programs meet while the program works. Each returns the
// milliseconds it waited, or more than `limitMs` when it gave up then.
// Opening the clipboard (and closing it at once), trying every millisecond.
DWORD ClipboardOpenWaitMs(DWORD limitMs);
// A message answered by the window, as Windows asks before it calls a
// window hung.
DWORD WindowAnswerMs(HWND window, DWORD limitMs);

struct MessageBoxSeen {
  HWND window = nullptr;
  std::wstring text;
  std::wstring caption;
  bool errorIcon = false;        // MB_ICONERROR's icon
  bool informationIcon = false;  // MB_ICONINFORMATION's icon
  std::wstring FirstLine() const { return text.substr(0, text.find(L'\n')); }
  std::wstring LinesUnder() const { return text.substr(FirstLine().size()); }
};
// Waits for a message box of the process; false when none appears in time.
bool WaitForMessageBox(DWORD pid, MessageBoxSeen* box, DWORD timeoutMs = 10000);
// Every message box of the process that is showing now.
std::vector<MessageBoxSeen> MessageBoxes(DWORD pid);
// Presses the box's OK button and waits until it is gone.
bool DismissMessageBox(const MessageBoxSeen& box);

// A visible dialog of the process with this title (not a message box).
std::vector<HWND> Dialogs(DWORD pid, const std::wstring& title);
HWND WaitForDialog(DWORD pid, const std::wstring& title, DWORD timeoutMs = 10000);
bool WaitForClosed(HWND window, DWORD timeoutMs = 10000);

// What the shell sends the hidden main window for a mouse event on the icon.
void PostTrayMouse(HWND mainWindow, UINT mouseMessage);
// The tray menu's items by position; the separator at 4 is skipped.
enum TrayMenuItem { kMenuOpenFolder = 0, kMenuSettings = 1, kMenuHelp = 2, kMenuAbout = 3, kMenuExit = 5 };
// Opens the tray menu with a right press: its window, once its loop takes
// keys; null when it does not open.
HWND OpenTrayMenu(HWND mainWindow);
// Opens the tray menu and chooses the item with the keyboard.
bool ChooseTrayMenuItem(HWND mainWindow, TrayMenuItem item);

// Keys posted to a control, as the keyboard delivers them to the focus.
void PostKey(HWND control, WORD key);

// Places of a dialog's controls in its client area, in pixels.
RECT ClientRectOf(HWND dialog, HWND control);

// Saves a PNG of the window as it shows on screen, when the environment
// variable TARNWICK_SCREENSHOTS names a folder (Linux path, under Wine).
void Screenshot(HWND window, const std::wstring& name);

// Presses a key combination with SendInput: modifiers are VK codes held
// while `key` is pressed.
void PressKeys(const std::vector<WORD>& modifiers, WORD key);
// Control + numeric-keypad 9, the default hot key.
void PressDefaultHotKey();
// A key combination held down from construction until destruction; Repeat
// sends the key down again, as the keyboard's auto-repeat does.
class HeldKeys {
 public:
  HeldKeys(const std::vector<WORD>& modifiers, WORD key);
  ~HeldKeys();
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;
  void Repeat(int times, DWORD apartMs);

 private:
  std::vector<WORD> keys_;  // the modifiers, then the key
  WORD key_;
};

// The driver plays the shell's notification area: a top-level window of the
// class "Shell_TrayWnd", which Shell_NotifyIconW sends each icon's record to
// (WM_COPYDATA, the NIM_ command in dwData). Only the first window of that
// class hears them: the driver's under Wine, a real taskbar's on Windows.
// It answers each record as the shell does, never more leniently.
class ShellTray {
 public:
  ShellTray();
  ~ShellTray();
  ShellTray(const ShellTray&) = delete;
  ShellTray& operator=(const ShellTray&) = delete;

  // The records come to this window, so what it counts is what was sent.
  bool observing() const;
  // Answers every record FALSE, as a shell that is not ready yet, until it
  // has refused `adds` adds; the records after that are answered as usual,
  // the rest of that attempt included.
  void RefuseAdds(int adds) { refuseAdds_ = adds; }
  // A restarted shell has forgotten every icon.
  void Forget() { icons_.clear(); }
  // Icons added and not deleted since.
  int icons() const { return static_cast<int>(icons_.size()); }
  int refusedAdds() const { return refusedAdds_; }
  // Balloons (records with NIF_INFO) whose text holds `text`. Found by the
  // text itself: Wine 8 and Wine 10 lay the record out differently.
  int BalloonsNaming(const std::wstring& text) const;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool Take(DWORD command, const COPYDATASTRUCT& record);

  HWND window_ = nullptr;
  int refuseAdds_ = 0;
  int refusedAdds_ = 0;
  std::vector<std::pair<DWORD, DWORD>> icons_;  // owner window and uID
  std::vector<std::wstring> balloons_;          // each balloon record's bytes, as UTF-16
};
// Why a case that watches the icon skips where the tray is not observing().
inline constexpr char kTrayNotObservable[] = "a real taskbar owns Shell_TrayWnd here: the icon records go to it";

// The settings key HKCU\Software\ClipboardTarnwick.
void DeleteSettings();
bool ReadSetting(const wchar_t* name, DWORD* type, Bytes* data);
bool WriteSetting(const wchar_t* name, DWORD type, const Bytes& data);
// Stores "Path" as the program does: REG_BINARY, 440 bytes.
bool WriteFolderSetting(const std::wstring& folder);
bool WriteDwordSetting(const wchar_t* name, DWORD value);
inline bool WriteKeysSetting(DWORD keys) { return WriteDwordSetting(L"Keys", keys); }

// Files and folders.
std::wstring NewScratchFolder();  // empty, ending with a backslash
std::wstring DesktopFolder();     // ending with a backslash
void DeleteTree(const std::wstring& folder);
// Names only, sorted. A save's file is complete once it has its .bmp name.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern = L"*");
inline std::vector<std::wstring> BitmapsIn(const std::wstring& folder) { return FilesIn(folder, L"*.bmp"); }
bool ReadFileBytes(const std::wstring& path, Bytes* content);
// What a save of this CF_DIB block (40-byte header, no masks) writes.
Bytes BmpFileOf(const Bytes& block);
// The name a save at `time` gives its first picture, as 2026-3-4_5-6-07.bmp.
std::wstring SaveNameAt(const SYSTEMTIME& time);
bool Exists(const std::wstring& path);

// What that process puts on the clipboard and owns, instead of holding it
// open: a 4 by 4 RgbDib of `seed`, with CF_UNICODETEXT beside it when asked.
struct ClipboardContent {
  int seed = 0;
  bool withText = false;
};

// Another process (tarnwick_clipboard_holder.exe, built beside the driver, or
// `program`, a copy of it) keeps the clipboard open while this object lives;
// or, given `owns`, puts that on the clipboard and keeps running as its owner.
class ForeignClipboardHold {
 public:
  explicit ForeignClipboardHold(const std::wstring& program = L"", const ClipboardContent* owns = nullptr);
  ~ForeignClipboardHold();
  bool holding() const { return holding_; }

 private:
  PROCESS_INFORMATION process_{};
  HANDLE release_ = nullptr;
  bool holding_ = false;
};
// The helper copied into `folder` under the file name `name`; empty on failure.
std::wstring CopyClipboardHolderAs(const std::wstring& folder, const wchar_t* name);
// The body of that other process.
int HoldClipboardUntilReleased(const wchar_t* openedEvent, const wchar_t* releaseEvent,
                               const ClipboardContent* owns = nullptr);

}  // namespace e2e
