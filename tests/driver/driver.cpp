#include "driver.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "dib_blocks.h"
#include "win32_clipboard.h"
#include "win32_files.h"

namespace e2e {

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

std::wstring DriverFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring TarnwickPath() { return DriverFolder() + L"Tarnwick.exe"; }

bool RunProcess(std::wstring commandLine, DWORD flags, DWORD timeoutMs, DWORD* exitCode) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  // Back as soon as it ends, so that a caller may time it. Under Wine a Linux
  // program's handle cannot be waited for: the wait fails at once, and the
  // caller waits for the program's output instead.
  const DWORD start = GetTickCount();
  for (DWORD waited = 0; waited < timeoutMs; waited = GetTickCount() - start) {
    if (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, timeoutMs - waited, QS_ALLINPUT) != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(pi.hProcess, &code);
  if (exitCode != nullptr) *exitCode = code;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

// ---- the program's process ----------------------------------------------------

TarnwickProcess::~TarnwickProcess() {
  if (process_ == nullptr) return;
  if (Running()) {
    PostExitCommand();
    if (WaitForSingleObject(process_, 3000) != WAIT_OBJECT_0) TerminateProcess(process_, 99);
  }
  CloseHandle(process_);
}

void TarnwickProcess::Kill() {
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, 10000);
}

bool TarnwickProcess::Start(const std::wstring& exe) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  // Start-up is over when a posted message has been dispatched: that happens
  // only in a message loop (the main loop, or a start-up message box), never
  // while the main dialog is still being initialised. (A sent message is not
  // enough: Wine answers one while the dialog waits on the tray; and Wine's
  // WaitForInputIdle can return early too.) The posted message is a marker
  // default-button id for the hidden dialog, which has no buttons, read back
  // with DM_GETDEFID and then put back.
  HWND main = nullptr;
  if (!WaitUntil([&] { return !Running() || (main = MainWindow()) != nullptr || !MessageBoxes(pid_).empty(); },
                 15000)) {
    return false;
  }
  if (main == nullptr) return true;  // it has already left, or shows a box
  return WaitUntilHandled(main, 15000) || !Running();
}

bool WaitUntilHandled(HWND dialog, DWORD timeoutMs) {
  // The marker is a default-button id for a dialog, read back with
  // DM_GETDEFID and then put back: only a message loop dispatches it.
  constexpr WPARAM kMarker = 0x7A7A;
  DWORD_PTR before = 0;
  if (SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_NORMAL, timeoutMs, &before) == 0) return false;
  PostMessageW(dialog, DM_SETDEFID, kMarker, 0);
  const bool handled = WaitUntil(
      [&] {
        DWORD_PTR defId = 0;
        if (!IsWindow(dialog)) return true;
        return SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_NORMAL, 1000, &defId) != 0 &&
               LOWORD(defId) == kMarker;
      },
      timeoutMs);
  PostMessageW(dialog, DM_SETDEFID, HIWORD(before) == DC_HASDEFID ? LOWORD(before) : IDOK, 0);
  return handled && IsWindow(dialog);
}

bool KeepsAnsweringFor(HWND window, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    if (WindowAnswerMs(window, 10000) > 10000) return false;
    Pump(20);
  } while (GetTickCount() - start < ms);
  return true;
}

bool TarnwickProcess::Running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

long TarnwickProcess::WaitForExit(DWORD timeoutMs) {
  if (!WaitUntil([&] { return !Running(); }, timeoutMs)) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<long>(code);
}

namespace {
struct WindowSearch {
  DWORD pid;
  std::vector<HWND> found;
  bool visibleOnly;
  bool dialogsOnly;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->pid) return TRUE;
  if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (search->dialogsOnly) {
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (lstrcmpW(cls, L"#32770") != 0) return TRUE;
  }
  search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid, bool visibleOnly, bool dialogsOnly) {
  WindowSearch search{pid, {}, visibleOnly, dialogsOnly};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring TextOf(HWND window) {
  // WM_GETTEXT, not GetWindowText: across processes only the message reads
  // an edit control's content.
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}
}  // namespace

HWND TarnwickProcess::MainWindow() const {
  // The hidden dialog with no title; message boxes and dialogs have one. A
  // box just dismissed may be gone by the time its title is asked for, and
  // then reads as empty: only a window still there counts.
  for (HWND window : TopLevelWindows(pid_, false, true))
    if (!IsWindowVisible(window) && TextOf(window).empty() && IsWindow(window)) return window;
  return nullptr;
}

void TarnwickProcess::PostExitCommand() const {
  HWND main = MainWindow();
  if (main != nullptr) PostMessageW(main, WM_COMMAND, 32777, 0);  // ID_TRAY_EXIT
}

long TarnwickProcess::Exit() {
  PostExitCommand();
  return WaitForExit(10000);
}

std::vector<HWND> VisibleWindows(DWORD pid) { return TopLevelWindows(pid, true, false); }
std::vector<HWND> WindowsOf(DWORD pid) { return TopLevelWindows(pid, false, false); }

namespace {
struct FolderWindowSearch {
  const std::wstring* name;
  HWND found;
};

BOOL CALLBACK FindFolderWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<FolderWindowSearch*>(parameter);
  wchar_t cls[32] = {}, title[MAX_PATH] = {};
  GetClassNameW(window, cls, 32);
  GetWindowTextW(window, title, MAX_PATH);
  const std::wstring text(title), &name = *search->name;
  const bool folderWindow = lstrcmpW(cls, L"CabinetWClass") == 0 || lstrcmpW(cls, L"ExplorerWClass") == 0;
  if (folderWindow && IsWindowVisible(window) && text.size() >= name.size() &&
      text.compare(text.size() - name.size(), name.size(), name) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

bool CloseFolderWindow(const std::wstring& name, DWORD timeoutMs) {
  FolderWindowSearch search{&name, nullptr};
  if (!WaitUntil([&] { return EnumWindows(FindFolderWindow, reinterpret_cast<LPARAM>(&search)), search.found != nullptr; },
                 timeoutMs)) {
    return false;
  }
  PostMessageW(search.found, WM_CLOSE, 0, 0);
  return WaitForClosed(search.found, timeoutMs);
}

DWORD ClipboardOpenWaitMs(DWORD limitMs) {
  // With a window of its own, as programs open it: Wine lets two openers
  // without a window share the clipboard. One for each thread that asks.
  thread_local const HWND opener = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  const DWORD start = GetTickCount();
  while (!OpenClipboard(opener)) {
    if (GetTickCount() - start > limitMs) return GetTickCount() - start;
    Sleep(1);
  }
  CloseClipboard();
  return GetTickCount() - start;
}

DWORD WindowAnswerMs(HWND window, DWORD limitMs) {
  const DWORD start = GetTickCount();
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limitMs, &answer) == 0) return limitMs + 1;
  return GetTickCount() - start;
}

// ---- message boxes ------------------------------------------------------------

namespace {
constexpr int kMessageBoxTextId = 0xFFFF;

BOOL CALLBACK FindIconControl(HWND child, LPARAM parameter) {
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (lstrcmpiW(cls, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    *reinterpret_cast<HWND*>(parameter) = child;
    return FALSE;
  }
  return TRUE;
}

// Which standard icon a box shows, read from the screen as a person sees it:
// the error icon is mostly red, the information icon mostly blue. (Icon
// handles of another process cannot be compared everywhere.)
void ReadIconKind(HWND box, MessageBoxSeen* seen) {
  HWND icon = nullptr;
  EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&icon));
  if (icon == nullptr || !IsWindowVisible(icon)) return;
  RECT r;
  GetWindowRect(icon, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  int red = 0, blue = 0;
  const auto* px = static_cast<const std::uint8_t*>(bits);
  for (int i = 0; i < w * h; ++i, px += 4) {
    const int b = px[0], g = px[1], rr = px[2];
    if (rr > 150 && g < 110 && b < 110) ++red;
    if (b > 150 && rr < 120) ++blue;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  seen->errorIcon = red * 10 > w * h && red > blue;
  seen->informationIcon = blue * 10 > w * h && blue > red;
}
}  // namespace

std::vector<MessageBoxSeen> MessageBoxes(DWORD pid) {
  std::vector<MessageBoxSeen> boxes;
  for (HWND window : TopLevelWindows(pid, true, true)) {
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    if (text == nullptr) continue;  // a dialog of the program, not a message box
    MessageBoxSeen box;
    box.window = window;
    box.caption = TextOf(window);
    box.text = TextOf(text);
    ReadIconKind(window, &box);
    boxes.push_back(box);
  }
  return boxes;
}

bool WaitForMessageBox(DWORD pid, MessageBoxSeen* box, DWORD timeoutMs) {
  const bool found = WaitUntil(
      [&] {
        auto boxes = MessageBoxes(pid);
        if (boxes.empty()) return false;
        *box = boxes.front();
        return true;
      },
      timeoutMs);
  if (!found) return false;
  // Its icon is read from the screen: wait for the box to paint it (every
  // box of the program has one).
  WaitUntil(
      [&] {
        for (const auto& seen : MessageBoxes(pid)) {
          if (seen.window == box->window) *box = seen;
        }
        return box->errorIcon || box->informationIcon;
      },
      timeoutMs);
  return true;
}

bool DismissMessageBox(const MessageBoxSeen& box) {
  PostMessageW(box.window, WM_COMMAND, IDOK, 0);
  return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, 10000);
}

// ---- dialogs and the tray menu -------------------------------------------------

std::vector<HWND> Dialogs(DWORD pid, const std::wstring& title) {
  std::vector<HWND> found;
  for (HWND window : TopLevelWindows(pid, true, true))
    if (GetDlgItem(window, kMessageBoxTextId) == nullptr && TextOf(window) == title) found.push_back(window);
  return found;
}

HWND WaitForDialog(DWORD pid, const std::wstring& title, DWORD timeoutMs) {
  HWND dialog = nullptr;
  WaitUntil(
      [&] {
        auto found = Dialogs(pid, title);
        dialog = found.empty() ? nullptr : found.front();
        return dialog != nullptr;
      },
      timeoutMs);
  return dialog;
}

bool WaitForClosed(HWND window, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

void PostTrayMouse(HWND mainWindow, UINT mouseMessage) { PostMessageW(mainWindow, WM_USER + 3, 0, mouseMessage); }

HWND OpenTrayMenu(HWND mainWindow) {
  DWORD pid = 0;
  GetWindowThreadProcessId(mainWindow, &pid);
  PostTrayMouse(mainWindow, WM_RBUTTONDOWN);
  HWND menu = nullptr;
  const bool shown = WaitUntil(
      [&] {
        menu = nullptr;
        for (HWND w : TopLevelWindows(pid, true, false)) {
          wchar_t cls[16] = {};
          GetClassNameW(w, cls, 16);
          if (lstrcmpW(cls, L"#32768") == 0) menu = w;
        }
        return menu != nullptr;
      },
      5000);
  if (!shown) return nullptr;
  // The window shows before its menu loop runs; keys posted before that are
  // lost. The loop has begun once the thread is in menu mode.
  const DWORD thread = GetWindowThreadProcessId(menu, nullptr);
  const bool looping = WaitUntil(
      [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
      },
      5000);
  return looping ? menu : nullptr;
}

bool ChooseTrayMenuItem(HWND mainWindow, TrayMenuItem item) {
  HWND menu = OpenTrayMenu(mainWindow);
  if (menu == nullptr) return false;
  // The keyboard skips the separator.
  const int downs = item < kMenuExit ? item + 1 : item;
  for (int i = 0; i < downs; ++i) PostKey(menu, VK_DOWN);
  PostKey(menu, VK_RETURN);
  return WaitForClosed(menu);
}

void PostKey(HWND control, WORD key) {
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  PostMessageW(control, WM_KEYDOWN, key, 1 | scan << 16);
  PostMessageW(control, WM_KEYUP, key, 1 | scan << 16 | 0xC0000000u);
}

RECT ClientRectOf(HWND dialog, HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Screenshot(HWND window, const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"TARNWICK_SCREENSHOTS", folder, MAX_PATH) == 0 || !RunningUnderWine()) return;
  // Painted: neither it nor a control in it has anything left to paint.
  WaitUntil(
      [&] {
        bool pending = GetUpdateRect(window, nullptr, FALSE) != FALSE;
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr && !pending;
             child = GetWindow(child, GW_HWNDNEXT)) {
          pending = GetUpdateRect(child, nullptr, FALSE) != FALSE;
        }
        return !pending;
      },
      10000);
  RECT r;
  GetWindowRect(window, &r);
  const std::wstring geometry = std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top) + L"+" +
                                std::to_wstring(r.left) + L"+" + std::to_wstring(r.top);
  const std::wstring target = std::wstring(folder) + L"/" + name + L".png";
  const std::wstring command = L"Z:\\bin\\sh -c \"/usr/bin/import -window root -crop " + geometry + L" +repage 'png:" +
                              target + L".part' && mv '" + target + L".part' '" + target + L"'\"";
  // Wine does not wait for a Linux process: wait for its output instead.
  if (RunProcess(command, CREATE_NO_WINDOW, 0)) WaitUntil([&] { return Exists(L"Z:" + target); }, 10000);
}

// ---- keyboard -------------------------------------------------------------------

namespace {
INPUT KeyInput(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

void SendKeys(const std::vector<WORD>& keys, bool up) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back(KeyInput(key, up));
  if (up) std::reverse(inputs.begin(), inputs.end());
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
}  // namespace

void PressKeys(const std::vector<WORD>& modifiers, WORD key) {
  HeldKeys held(modifiers, key);
}

void PressDefaultHotKey() { PressKeys({VK_CONTROL}, VK_NUMPAD9); }

HeldKeys::HeldKeys(const std::vector<WORD>& modifiers, WORD key) : keys_(modifiers), key_(key) {
  keys_.push_back(key);
  SendKeys(keys_, false);
}

HeldKeys::~HeldKeys() { SendKeys(keys_, true); }

void HeldKeys::Repeat(int times, DWORD apartMs) {
  for (int i = 0; i < times; ++i) {
    Pump(apartMs);
    SendKeys({key_}, false);
  }
}

// ---- tray -------------------------------------------------------------------------

ShellTray::ShellTray() {
  // Wine's desktop process, started by a session's first window and ended a
  // moment after its last program, makes a tray window of its own; ours must
  // come after it to be the one found.
  if (RunningUnderWine()) {
    GetDesktopWindow();
    WaitUntil([] { return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr; }, 10000);
  }
  WNDCLASSW cls{};
  cls.lpfnWndProc = Proc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"Shell_TrayWnd";
  RegisterClassW(&cls);
  window_ = CreateWindowExW(0, cls.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ShellTray::~ShellTray() { DestroyWindow(window_); }

bool ShellTray::observing() const {
  return window_ != nullptr && FindWindowW(L"Shell_TrayWnd", nullptr) == window_;
}

LRESULT CALLBACK ShellTray::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* tray = reinterpret_cast<ShellTray*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message != WM_COPYDATA || tray == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  const auto& record = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (tray->refuseAdds_ > 0) {
    if (record.dwData == NIM_ADD) {
      ++tray->refusedAdds_;
      --tray->refuseAdds_;
    }
    return FALSE;
  }
  return tray->Take(static_cast<DWORD>(record.dwData), record) ? TRUE : FALSE;
}

// Wine's record starts with the owner window, as 32 bits, and the uID, under
// Wine 8 (5184 bytes in all) and Wine 10 (5200) alike. Answered as the
// shell answers: an add of an icon it holds, and any other command for one it
// does not hold, is refused.
bool ShellTray::Take(DWORD command, const COPYDATASTRUCT& record) {
  if (record.cbData < 8) return false;
  std::pair<DWORD, DWORD> icon;
  std::memcpy(&icon.first, record.lpData, 4);
  std::memcpy(&icon.second, static_cast<const char*>(record.lpData) + 4, 4);
  DWORD flags = 0;
  if (record.cbData >= 12) std::memcpy(&flags, static_cast<const char*>(record.lpData) + 8, 4);
  const auto known = std::find(icons_.begin(), icons_.end(), icon);
  const bool held = known != icons_.end();
  switch (command) {
    case NIM_ADD:
      if (held) return false;
      icons_.push_back(icon);
      return true;
    case NIM_MODIFY:
      if (!held) return false;
      if ((flags & NIF_INFO) != 0) {
        const auto* units = static_cast<const wchar_t*>(record.lpData);
        balloons_.emplace_back(units, units + record.cbData / sizeof(wchar_t));
      }
      return true;
    case NIM_DELETE:
      if (!held) return false;
      icons_.erase(known);
      return true;
    default:
      return held;  // NIM_SETVERSION, NIM_SETFOCUS
  }
}

int ShellTray::BalloonsNaming(const std::wstring& text) const {
  return static_cast<int>(std::count_if(balloons_.begin(), balloons_.end(), [&](const std::wstring& record) {
    return record.find(text) != std::wstring::npos;
  }));
}

// ---- registry ---------------------------------------------------------------------

namespace {
constexpr wchar_t kSettingsKey[] = L"Software\\ClipboardTarnwick";
}

void DeleteSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey); }

bool ReadSetting(const wchar_t* name, DWORD* type, Bytes* data) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  data->assign(size, 0);
  return RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, type, data->data(), &size) == ERROR_SUCCESS;
}

bool WriteSetting(const wchar_t* name, DWORD type, const Bytes& data) {
  return RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, type, data.data(), static_cast<DWORD>(data.size())) ==
         ERROR_SUCCESS;
}

bool WriteFolderSetting(const std::wstring& folder) {
  wchar_t buffer[220] = {};
  lstrcpynW(buffer, folder.c_str(), 220);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
  return WriteSetting(L"Path", REG_BINARY, Bytes(bytes, bytes + sizeof buffer));
}

bool WriteDwordSetting(const wchar_t* name, DWORD value) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  return WriteSetting(name, REG_DWORD, Bytes(bytes, bytes + sizeof value));
}

// ---- files --------------------------------------------------------------------------

std::wstring NewScratchFolder() { return testsupport::NewTempFolder(L"tarnwick-e2e-"); }

std::wstring DesktopFolder() {
  wchar_t path[MAX_PATH] = {};
  SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, TRUE);
  return std::wstring(path) + L"\\";
}

void DeleteTree(const std::wstring& folder) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((base + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(base + name);
      } else {
        DeleteFileW((base + name).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(base.c_str());
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadFileBytes(const std::wstring& path, Bytes* content) { return testsupport::ReadWholeFile(path, content); }

Bytes BmpFileOf(const Bytes& block) {
  const std::uint32_t size = static_cast<std::uint32_t>(14 + block.size());
  Bytes file{'B', 'M'};
  for (std::uint32_t value : {size, 0u, 54u})
    for (int shift = 0; shift < 32; shift += 8) file.push_back(static_cast<std::uint8_t>(value >> shift));
  file.insert(file.end(), block.begin(), block.end());
  return file;
}

std::wstring SaveNameAt(const SYSTEMTIME& t) {
  wchar_t name[40];
  swprintf(name, 40, L"%d-%d-%d_%d-%d-%02d.bmp", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return name;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// ---- another process holding the clipboard -------------------------------------------

ForeignClipboardHold::ForeignClipboardHold(const std::wstring& program, const ClipboardContent* owns) {
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
  const std::wstring opened = L"tarnwick-e2e-opened-" + suffix;
  const std::wstring release = L"tarnwick-e2e-release-" + suffix;
  HANDLE openedEvent = CreateEventW(nullptr, TRUE, FALSE, opened.c_str());
  release_ = CreateEventW(nullptr, TRUE, FALSE, release.c_str());

  const std::wstring holder = program.empty() ? DriverFolder() + L"tarnwick_clipboard_holder.exe" : program;
  std::wstring commandLine = L"\"" + holder + L"\" " + opened + L" " + release;
  if (owns != nullptr) commandLine += L" " + std::to_wstring(owns->seed) + (owns->withText ? L" text" : L" alone");
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (CreateProcessW(holder.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_)) {
    holding_ = WaitUntil([&] { return WaitForSingleObject(openedEvent, 0) == WAIT_OBJECT_0; }, 10000);
  }
  CloseHandle(openedEvent);
}

ForeignClipboardHold::~ForeignClipboardHold() {
  SetEvent(release_);
  if (process_.hProcess != nullptr) {
    WaitUntil([&] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }, 10000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  CloseHandle(release_);
}

std::wstring CopyClipboardHolderAs(const std::wstring& folder, const wchar_t* name) {
  const std::wstring copy = folder + name;
  return CopyFileW((DriverFolder() + L"tarnwick_clipboard_holder.exe").c_str(), copy.c_str(), FALSE) ? copy : L"";
}

int HoldClipboardUntilReleased(const wchar_t* openedEvent, const wchar_t* releaseEvent,
                               const ClipboardContent* owns) {
  HANDLE opened = OpenEventW(EVENT_MODIFY_STATE, FALSE, openedEvent);
  HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, releaseEvent);
  if (opened == nullptr || release == nullptr) return 2;
  if (owns != nullptr) {
    // In one change, as an office program copies cells; this process's window
    // owns it.
    std::vector<testsupport::ClipboardFormat> formats{{nullptr, CF_DIB, testsupport::RgbDib(4, 4, 24, owns->seed)}};
    if (owns->withText) formats.push_back({nullptr, CF_UNICODETEXT, Bytes{'A', 0, 0, 0}});
    if (!testsupport::PutFormatsOnRealClipboard(formats)) return 4;
  } else {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!WaitUntil([&] { return OpenClipboard(window) != FALSE; }, 5000)) return 3;
  }
  SetEvent(opened);
  // Its messages keep moving meanwhile: the clipboard sends its owner some.
  WaitUntil([&] { return WaitForSingleObject(release, 0) == WAIT_OBJECT_0; }, 60000);
  if (owns == nullptr) CloseClipboard();
  return 0;
}

}  // namespace e2e
