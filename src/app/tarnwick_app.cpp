#include "app/tarnwick_app.h"

#include <commctrl.h>
#include <objbase.h>

#include "capture/save_clipboard.h"
#include "capture/save_request.h"
#include "framework/owned_handle.h"
#include "platform/win32/debug_log.h"
#include "settings/settings_store.h"
#include "ui/tarnwick_dlg.h"

// Start-up order: theApp is constructed first, then the settings defaults
// step runs, then the save's state is prepared. All are here, in this order,
// because C++ initialises the variables of one source file in the order they
// are defined. Preparing the save registers CloseSaveHandles with atexit
// after theApp's construction has registered its destructor, and exit
// handlers run in reverse order: at exit CloseSaveHandles runs first, then
// theApp is destroyed.
CTarnwickApp theApp;
namespace {
const bool s_defaultsInitialised = (InitDefaultSettings(), InitSaveState(), true);
}

BOOL CTarnwickApp::InitInstance() {
  CWinApp::InitInstance();

  // Named after the executable, so a copy under another name is another
  // application as far as the guard is concerned.
  m_hMutex = CreateMutexW(nullptr, FALSE, m_pszAppName);
  if (m_hMutex == nullptr) platform::LogLastError(L"CreateMutexW");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another instance holds the guard; ours is given back at once. The
    // first instance keeps its handle until the process ends.
    const OwnedKernelHandle duplicate(m_hMutex);
    return FALSE;
  }

  // What the dialogs rely on: the common controls (hot-key box, version 6
  // visuals through the manifest) and COM for the shell's folder picker.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (FAILED(com)) platform::LogFailure(L"CoInitializeEx", static_cast<DWORD>(com));

  CTarnwickDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;

  // The icon and the key are gone; the saves pressed before the exit still
  // get their files. A folder that hangs ends the process all the same, and
  // at once: the exit steps would close the file under the running save. Its
  // hidden temporary file is swept by the next save into that folder.
  if (!WaitForPendingSaves(kExitWaitMs)) ExitProcess(0);
  return FALSE;
}
