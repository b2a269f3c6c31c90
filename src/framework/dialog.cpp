#include "framework/dialog.h"

#include "framework/win_app.h"

CDialog::CDialog(UINT templateId, HWND parent) : m_nTemplateId(templateId), m_hWndParent(parent) {}

CDialog::~CDialog() {
  if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

CDialog* CDialog::s_pInnermost = nullptr;

INT_PTR CDialog::DoModal() {
  // Set before creation: an EndDialog in OnInitDialog already ends it.
  m_bContinueModal = true;
  m_hWnd = CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nTemplateId), m_hWndParent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
  if (m_hWnd == nullptr) return -1;

  m_pOuter = s_pInnermost;
  s_pInnermost = this;
  bool shown = (GetWindowLongW(m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
  MSG msg;
  while (m_bContinueModal) {
    if (!shown && m_bShowWhenIdle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      ShowWindow(m_hWnd, SW_SHOWNORMAL);
      UpdateWindow(m_hWnd);
      shown = true;
    }
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT: end this dialog and hand the quit on to the loop around it.
      AfxRecordQuit(static_cast<int>(msg.wParam));
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    CDialog* owner = RunningOwnerOf(msg.hwnd);
    if (owner == nullptr || !owner->PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  s_pInnermost = m_pOuter;
  DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
  return m_nModalResult;
}

BOOL CDialog::OnInitDialog() { return TRUE; }

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (m_hWnd == nullptr) return FALSE;
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) return IsDialogMessageW(m_hWnd, msg);
  return FALSE;
}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool CDialog::OnCommand(UINT id, UINT) {
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  m_bContinueModal = false;
  // Gone at once, as the platform's own dialogs go: the window is destroyed
  // only when this loop returns, which waits for any dialog opened over it.
  ShowWindow(m_hWnd, SW_HIDE);
  // Wake the loop in case this runs outside its dispatch.
  PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

CDialog* CDialog::RunningOwnerOf(HWND window) {
  if (window == nullptr) return nullptr;
  const HWND top = GetAncestor(window, GA_ROOT);
  for (CDialog* dialog = s_pInnermost; dialog != nullptr; dialog = dialog->m_pOuter)
    if (dialog->m_hWnd == top) return dialog;
  return nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->m_hWnd = window;
    return self->OnInitDialog();
  }
  self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr) return FALSE;

  if (message == WM_COMMAND) {
    // An ended dialog takes no further command: a second click on a button
    // of its window, still alive under a dialog opened over it, does nothing.
    if (!self->m_bContinueModal) return TRUE;
    if (self->OnCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
  }
  LRESULT result = 0;
  if (self->OnMessage(message, wParam, lParam, &result)) {
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
  return FALSE;
}
