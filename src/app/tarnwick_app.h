// The application object: start-up with its single-instance guard, and the
// run of the hidden main dialog as the program's only message loop.
#pragma once

#include <windows.h>

#include "framework/owned_handle.h"
#include "framework/win_app.h"

class CTarnwickApp : public CWinApp {
 public:
  BOOL InitInstance() override;

  // The single-instance mutex, held while the program runs: given back at the
  // exit command, before the saves pressed earlier are finished, so that a
  // copy started meanwhile runs.
  OwnedKernelHandle m_hMutex;
};

extern CTarnwickApp theApp;
