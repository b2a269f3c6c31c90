// A thin application framework in place of MFC's: one application object
// whose InitInstance runs the program's user interface, and the entry point
// that calls it.
#pragma once

#include <windows.h>

class CDialog;

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();

  // Runs the user interface; FALSE ends the program (it never runs a message
  // loop of its own: the main dialog's modal loop is the only one).
  virtual BOOL InitInstance();
  // After InitInstance: the exit code, the one the last WM_QUIT carried.
  virtual int ExitInstance();

  // The application's name: the executable's file name without folder and
  // extension (the program carries no title string).
  const wchar_t* m_pszAppName = nullptr;
  CDialog* m_pMainWnd = nullptr;

 private:
  wchar_t m_szAppName[MAX_PATH] = {};
};

// The one application object.
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// Every modal loop that meets WM_QUIT records its code here before posting it
// again for the loop around it.
void AfxRecordQuit(int exitCode);
