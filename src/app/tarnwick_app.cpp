#include "app/tarnwick_app.h"

#include <commctrl.h>
#include <objbase.h>

#include "capture/save_queue.h"
#include "common/texts.h"
#include "framework/owned_handle.h"
#include "platform/debug_log.h"
#include "platform/platform.h"
#include "settings/default_settings.h"
#include "ui/tarnwick_dlg.h"

CTarnwickApp theApp;

BOOL CTarnwickApp::InitInstance() {
  // The one place the platform is fetched: everything below is handed it.
  platform::Platform& os = platform::Current();
  // First of all, before the single-instance check: a second instance whose
  // desktop gives no folder tells it too.
  const SettingsFault defaults = InitDefaultSettings(os.shell);
  if (!defaults.ok()) {
    os.messageBoxes.Show(SettingsFaultText(defaults).c_str(), kStartupFailedCaption, platform::kMbIconError);
  }
  CWinApp::InitInstance();

  // Named after the executable, so a copy under another name is another
  // application as far as the guard is concerned.
  HANDLE guard = CreateMutexW(nullptr, FALSE, m_pszAppName);
  const DWORD created = GetLastError();
  m_hMutex.Reset(guard);
  if (guard == nullptr) platform::LogFailure(L"CreateMutexW", created);
  if (created == ERROR_ALREADY_EXISTS) {
    // Another instance holds the guard; ours is given back at once.
    m_hMutex.Reset(nullptr);
    return FALSE;
  }

  // What the dialogs rely on: the common controls (hot-key box, version 6
  // visuals through the manifest) and COM for the shell's folder picker.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (FAILED(com)) platform::LogFailure(L"CoInitializeEx", static_cast<DWORD>(com));

  // Never destroyed: its workers are ended with the process, so that a
  // worker stuck on a folder that hangs cannot hold up the exit.
  SaveQueue& saves = *new SaveQueue(os);
  SavePresses presses(os, saves);
  {
    CTarnwickDlg dlg(os, m_hMutex, presses);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
  }

  // The icon, the key and the guard are gone; the saves pressed before the
  // exit still get their files, and a failure its box, as ever. The quit
  // that ended the loops is taken first, or it would end the boxes too. A
  // folder that hangs ends the process all the same, and at once: the exit
  // steps would wait for the save. Its hidden temporary file is swept at the
  // next start.
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  if (!presses.FinishAtExit(kExitQuietMs)) ExitProcess(0);
  return FALSE;
}
