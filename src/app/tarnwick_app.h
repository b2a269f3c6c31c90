// The application object: start-up with its single-instance guard, and the
// run of the hidden main dialog as the program's only message loop.
#pragma once

#include <windows.h>

#include "framework/win_app.h"

class CTarnwickApp : public CWinApp {
 public:
  BOOL InitInstance() override;

  // The single-instance mutex; never closed by the program: the system closes
  // it when the process ends, and only then may a new instance start.
  HANDLE m_hMutex = nullptr;
};

extern CTarnwickApp theApp;
