#include "ui/tarnwick_dlg.h"

#include "common/app_state.h"
#include "common/texts.h"
#include "dialogs/settings_boxes.h"
#include "framework/win_app.h"
#include "platform/debug_log.h"
#include "resource.h"
#include "settings/hot_key.h"
#include "settings/settings_store.h"

static_assert(sizeof(NOTIFYICONDATAW) == 956, "the tray icon record is the full NOTIFYICONDATAW");

namespace {
// On the save queue's writer: the window shows what the save ended with. Once
// the window is gone (at exit) the exit's own wait shows it instead.
void PostSaveEnded() { PostMessageW(static_cast<HWND>(g_hMainWnd), WM_SAVE_ENDED, 0, 0); }
void PostRequestFailed() { PostMessageW(static_cast<HWND>(g_hMainWnd), WM_REQUEST_FAILED, 0, 0); }
}  // namespace

CTarnwickDlg::CTarnwickDlg(platform::Platform& os, OwnedKernelHandle& instanceGuard, SavePresses& presses)
    : CDialogEx(IDD_MAIN_DIALOG),
      m_nid{},
      m_os(os),
      m_instanceGuard(instanceGuard),
      m_presses(presses),
      m_clipboardWatch(presses) {
  // This window must never be seen, not even for an instant.
  m_bShowWhenIdle = false;
}

BOOL CTarnwickDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();

  // Keep it hidden whatever shows it: minimised, off-screen, zero-sized.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  placement.flags = WPF_RESTORETOMAXIMIZED;
  placement.showCmd = SW_HIDE;
  placement.ptMinPosition = POINT{-32000, -32000};
  placement.ptMaxPosition = POINT{-32000, -32000};
  placement.rcNormalPosition = RECT{-32000, -32000, -32000, -32000};
  SetWindowPlacement(m_hWnd, &placement);

  g_hMainWnd = m_hWnd;

  m_nid.cbSize = sizeof(NOTIFYICONDATAW);
  m_nid.hWnd = m_hWnd;
  m_nid.uID = 0;
  m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_nid.uCallbackMessage = WM_TRAYNOTIFY;
  // ExtractIconW gives 1 for a file that is no program or library. The
  // stand-in is the system's shared icon, which is never destroyed.
  HICON extracted = ExtractIconW(nullptr, L"Shell32.dll", 2);
  if (extracted != reinterpret_cast<HICON>(1)) m_icon.Reset(extracted);
  m_nid.hIcon = m_icon.get();
  if (m_nid.hIcon == nullptr) m_nid.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  lstrcpynW(m_nid.szTip, reinterpret_cast<const wchar_t*>(kTrayTipText), ARRAYSIZE(m_nid.szTip));
  AddTrayIcon();
  m_uTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

  // Told in this order: the write-back's count, the failed load, then the
  // key refused. The default key stands in for one that could not be loaded.
  const SettingsFault loaded = LoadSettings(m_os.registry);
  ShowWriteBackBox(m_os.messageBoxes, loaded);
  if (!loaded.ok()) ShowErrorBox(m_os.messageBoxes, SettingsFaultText(loaded).c_str());
  const SettingsFault key = RegisterHotKeyAtStartup(m_os.hotKeys, loaded.ok());
  if (!key.ok()) ShowErrorBox(m_os.messageBoxes, SettingsFaultText(key).c_str());
  if (g_dwRefusedKeys != 0) SetTimer(m_hWnd, kHotKeyTimer, m_keyRetry.After(false), nullptr);
  m_presses.Start(SavePresses::Signals{PostSaveEnded, PostRequestFailed});
  m_clipboardWatch.Follow(m_hWnd, g_bAutoSave != 0);
  return TRUE;
}

bool CTarnwickDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (m_clipboardWatch.OnMessage(message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return true;
    case WM_HOTKEY:
      *result = OnHotKey(wParam, lParam);
      return true;
    case WM_SAVE_ENDED:
      m_presses.ShowEnded();
      return true;
    case WM_REQUEST_FAILED:
      m_presses.ShowFailedRequests();
      return true;
    case WM_CLOSE:
      // From outside (taskkill without /f, a program closing others): taken
      // before the dialog makes it IDCANCEL, and ended as 退出 ends.
      OnMenuExit();
      *result = 0;
      return true;
    case WM_QUERYENDSESSION:
      // Never a refusal: a logoff is the person's choice. While saves are
      // pending the shutdown reason stands, and WM_ENDSESSION waits for them.
      *result = TRUE;
      return true;
    case WM_ENDSESSION:
      m_presses.EndSession(wParam != FALSE, kSessionEndWaitMs);
      *result = 0;
      return true;
    case WM_TRAYNOTIFY:
      *result = OnTrayNotify(wParam, lParam);
      return true;
    case WM_TIMER:
      if (wParam == kHotKeyTimer) {
        RetryHotKey();
        return true;
      }
      if (wParam != kTrayIconTimer) return false;
      AddTrayIcon();
      return true;
    case WM_DESTROY:
      // However the dialog ends, it leaves the viewer chain whole.
      m_clipboardWatch.Stop();
      return false;
  }
  if (message == m_uTaskbarCreated && m_uTaskbarCreated != 0) {
    // The shell restarted and forgot every icon: add ours again.
    m_iconRetry.Restart();
    AddTrayIcon();
    return true;
  }
  return false;
}

bool CTarnwickDlg::OnCommand(UINT id, UINT notifyCode) {
  switch (id) {
    case ID_TRAY_OPEN_FOLDER:
      OnMenuOpenFolder();
      return true;
    case ID_TRAY_SETTINGS:
      OnMenuSettings();
      return true;
    case ID_TRAY_HELP:
      OnMenuHelp();
      return true;
    case ID_TRAY_ABOUT:
      OnMenuAbout();
      return true;
    case ID_TRAY_EXIT:
      OnMenuExit();
      return true;
    case IDOK:
    case IDCANCEL:
      // Enter or Esc reaching the hidden window, which a right click on the
      // icon left in the foreground: nothing to confirm or cancel here.
      return true;
  }
  return CDialogEx::OnCommand(id, notifyCode);
}

void CTarnwickDlg::OnPaint() {
  PAINTSTRUCT paint;
  BeginPaint(m_hWnd, &paint);
  EndPaint(m_hWnd, &paint);
  ShowWindow(m_hWnd, SW_HIDE);
}

LRESULT CTarnwickDlg::OnHotKey(WPARAM, LPARAM) { return m_presses.Press(); }

void CTarnwickDlg::AddTrayIcon() {
  KillTimer(m_hWnd, kTrayIconTimer);
  // An add that timed out may still have put the icon in; then it can be
  // modified, and a further add would be refused for ever.
  const bool added = Shell_NotifyIconW(NIM_ADD, &m_nid) || Shell_NotifyIconW(NIM_MODIFY, &m_nid);
  if (!added) platform::LogLastError(L"Shell_NotifyIconW");
  const std::uint32_t pause = m_iconRetry.After(added);
  if (pause != 0) SetTimer(m_hWnd, kTrayIconTimer, pause, nullptr);
}

void CTarnwickDlg::RetryHotKey() {
  KillTimer(m_hWnd, kHotKeyTimer);
  // Taken up, or no longer wanted: nothing is said either way.
  if (RetryRefusedHotKey(m_os.hotKeys)) SetTimer(m_hWnd, kHotKeyTimer, m_keyRetry.After(false), nullptr);
}
