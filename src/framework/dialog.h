// Modal dialogs from dialog templates, with a message loop of their own.
//
// A derived class handles messages by overriding OnMessage (return true when
// handled) and commands by overriding OnCommand. Whichever loop fetches a
// message, it goes first through the PreTranslateMessage of the running dialog
// whose window it is for (the dialog itself or one of its controls), so a
// dialog keeps its keyboard while another is open over it. A dialog that ends
// is hidden at once and takes no further command, even while a dialog opened
// over it keeps its own loop, and the one around it, running. When a loop
// meets WM_QUIT it ends its dialog and posts WM_QUIT again, so nested dialogs
// close innermost first.
#pragma once

#include <windows.h>

class CDialog {
 public:
  explicit CDialog(UINT templateId, HWND parent = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Creates the dialog, runs its loop until it ends, destroys it. Returns the
  // code given to EndDialog, or -1 when the dialog could not be created.
  INT_PTR DoModal();
  HWND GetSafeHwnd() const { return m_hWnd; }

 protected:
  virtual BOOL OnInitDialog();
  // Nonzero when the message was consumed. The default gives the dialog its
  // keyboard interface (Tab, Enter, Esc).
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual void OnOK();
  virtual void OnCancel();
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // WM_COMMAND from a control, menu or accelerator. IDOK and IDCANCEL reach
  // OnOK and OnCancel unless a derived class takes them first.
  virtual bool OnCommand(UINT id, UINT notifyCode);

  void EndDialog(int result);
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

  HWND m_hWnd = nullptr;
  // A dialog is shown the first time its queue is empty, unless it must stay
  // hidden (the program's hidden main window).
  bool m_bShowWhenIdle = true;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The running dialog whose window, or one of whose controls, `window` is.
  static CDialog* RunningOwnerOf(HWND window);

  // The innermost dialog whose modal loop runs, and for each the one whose
  // loop runs around it.
  static CDialog* s_pInnermost;
  CDialog* m_pOuter = nullptr;

  UINT m_nTemplateId;
  HWND m_hWndParent;
  bool m_bContinueModal = false;
  int m_nModalResult = -1;
};

// The framework's extended dialog: nothing of its own here.
class CDialogEx : public CDialog {
 public:
  using CDialog::CDialog;
};
