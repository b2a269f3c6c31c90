#include "framework/win_app.h"

namespace {
CWinApp* g_app = nullptr;
int g_exitCode = 0;
}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p != L'\0'; ++p)
    if (*p == L'\\' || *p == L'/') name = p + 1;
  lstrcpynW(m_szAppName, name, MAX_PATH);
  for (wchar_t* dot = m_szAppName + lstrlenW(m_szAppName); dot > m_szAppName; --dot) {
    if (*dot == L'.') {
      *dot = L'\0';
      break;
    }
  }
  m_pszAppName = m_szAppName;
  return TRUE;
}

int CWinApp::ExitInstance() { return g_exitCode; }

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleW(nullptr); }

void AfxRecordQuit(int exitCode) { g_exitCode = exitCode; }

// The program's entry: static construction has built the application object
// (and run the settings defaults step) before this runs.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  app->InitInstance();
  return app->ExitInstance();
}
