// The hidden main dialog: owns the tray icon, is the hot key's window,
// receives the tray icon's clicks and the tray menu's commands.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "common/retry_backoff.h"
#include "framework/dialog.h"
#include "framework/owned_handle.h"
#include "platform/platform.h"
#include "ui/clipboard_watch.h"
#include "ui/core/save_presses.h"

constexpr UINT WM_TRAYNOTIFY = WM_USER + 3;
// Posted by the save queue's writer each time a save has ended.
constexpr UINT WM_SAVE_ENDED = WM_USER + 4;
// Posted by a request off the window's thread that failed; the presses hold
// what failed. (WM_USER + 5 is taken: the tray's balloon click.)
constexpr UINT WM_REQUEST_FAILED = WM_USER + 6;

class CTarnwickDlg : public CDialogEx {
 public:
  // `instanceGuard` is given back at the exit command, with the icon and the
  // key, so that a new copy can start while the saves are still written.
  CTarnwickDlg(platform::Platform& os, OwnedKernelHandle& instanceGuard, SavePresses& presses);

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool OnCommand(UINT id, UINT notifyCode) override;

 private:
  void OnPaint();
  LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);
  // The tray icon and its menu (tray_menu.cpp).
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
  void OnMenuOpenFolder();
  void OnMenuSettings();
  void OnMenuHelp();
  void OnMenuAbout();
  void OnMenuExit();
  // Puts the icon into the notification area; while the shell refuses it
  // (not started yet at logon, or busy), tries again on a timer.
  void AddTrayIcon();
  // Tries the hot key that was refused at start again, on a timer, until
  // it is registered or the settings or exit take over the key.
  void RetryHotKey();

  NOTIFYICONDATAW m_nid;
  // The icon the tray shows, when extracted from the system library.
  OwnedIcon m_icon;
  RetryBackoff m_iconRetry{500, 30000};
  RetryBackoff m_keyRetry{1000, 60000};
  // Sent to every top-level window when the shell (re)starts its taskbar.
  UINT m_uTaskbarCreated = 0;
  platform::Platform& m_os;
  OwnedKernelHandle& m_instanceGuard;
  SavePresses& m_presses;
  // Listens for new clipboard pictures while g_bAutoSave is on.
  ClipboardWatch m_clipboardWatch;
};

// The timer that adds the tray icon again after a refusal.
constexpr UINT_PTR kTrayIconTimer = 1;
// The timer that tries again the hot key refused at start (2 is the
// clipboard watch's kAutoSaveTimer).
constexpr UINT_PTR kHotKeyTimer = 3;
