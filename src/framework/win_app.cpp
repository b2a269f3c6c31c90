#include "framework/win_app.h"

#include <shlwapi.h>

namespace {
CWinApp* s_app = nullptr;
int s_exitCode = 0;
}  // namespace

CWinApp::CWinApp() { s_app = this; }

CWinApp::~CWinApp() {
  if (s_app == this) s_app = nullptr;
}

BOOL CWinApp::InitInstance() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  lstrcpynW(m_szAppName, PathFindFileNameW(path), MAX_PATH);
  PathRemoveExtensionW(m_szAppName);
  m_pszAppName = m_szAppName;
  return TRUE;
}

int CWinApp::ExitInstance() { return s_exitCode; }

CWinApp* AfxGetApp() { return s_app; }

HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleW(nullptr); }

void AfxRecordQuit(int exitCode) { s_exitCode = exitCode; }

// The program's entry: static construction has built the application object
// before this runs.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  app->InitInstance();
  return app->ExitInstance();
}
