// The Help and About windows: text only, closed by their button, the close
// box or Esc, with no effect.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

class CHelpDlg : public CDialogEx {
 public:
  explicit CHelpDlg(HWND parent = nullptr);

 protected:
  bool OnCommand(UINT id, UINT notifyCode) override;
};

class CAboutDlg : public CDialogEx {
 public:
  explicit CAboutDlg(HWND parent = nullptr);

 protected:
  bool OnCommand(UINT id, UINT notifyCode) override;
};
