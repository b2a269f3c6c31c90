// The tray icon's clicks, its menu, the three dialog launchers and the exit
// command: the user's whole handle on the running program.
#include <cstdint>

#include "common/app_state.h"
#include "dialogs/info_dialogs.h"
#include "framework/win_app.h"
#include "resource.h"
#include "dialogs/config_dlg.h"
#include "settings/hot_key.h"
#include "ui/tarnwick_dlg.h"

namespace {

// One dialog of each kind at a time: a second request while it runs (from
// the tray, through its nested loop) does nothing.
template <typename Dialog>
void RunOnce(std::int32_t& open, Dialog&& dlg) {
  if (open != 0) return;
  open = 1;
  dlg.DoModal();
  open = 0;
}

}  // namespace

LRESULT CTarnwickDlg::OnTrayNotify(WPARAM, LPARAM lParam) {
  switch (lParam) {
    case WM_LBUTTONDOWN:
      SetForegroundWindow(m_hWnd);
      OnMenuSettings();
      break;
    case WM_RBUTTONDOWN: {
      OwnedMenu menu(LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_TRAY_MENU)));
      HMENU popup = GetSubMenu(menu.get(), 0);
      POINT cursor{0, 0};
      GetCursorPos(&cursor);
      // The menu closes when the user clicks elsewhere only if our window is
      // in the foreground, and the posted message makes it notice.
      SetForegroundWindow(m_hWnd);
      PostMessageW(m_hWnd, WM_NULL, 0, 0);
      TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, m_hWnd, nullptr);
      break;
    }
    case NIN_BALLOONUSERCLICK:
      m_presses.ShowLastSaved();
      break;
    default:
      break;  // releases, double clicks, moves: nothing
  }
  return 0;
}

void CTarnwickDlg::OnMenuOpenFolder() { m_presses.OpenSaveFolder(); }

void CTarnwickDlg::OnMenuSettings() {
  RunOnce(g_bConfigDlgOpen, CConfigDlg(m_os));
  // A Save may have turned saving every new picture on or off.
  m_clipboardWatch.Follow(m_hWnd, g_bAutoSave != 0);
}

void CTarnwickDlg::OnMenuHelp() { RunOnce(g_bHelpDlgOpen, CHelpDlg()); }

void CTarnwickDlg::OnMenuAbout() { RunOnce(g_bAboutDlgOpen, CAboutDlg()); }

void CTarnwickDlg::OnMenuExit() {
  // A WM_CLOSE after 退出, or the other way round, finds it all done.
  if (!m_presses.Exit()) return;
  ReleaseHotKey(m_os.hotKeys);
  m_clipboardWatch.Stop();
  // Whether or not the icon ever got in: exit does not depend on the shell.
  KillTimer(m_hWnd, kTrayIconTimer);
  Shell_NotifyIconW(NIM_DELETE, &m_nid);
  // What is left to do is only to finish the saves: a copy started now runs.
  m_instanceGuard.Reset(nullptr);
  PostQuitMessage(0);
}
