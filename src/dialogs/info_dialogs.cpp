#include "dialogs/info_dialogs.h"

#include "resource.h"

CHelpDlg::CHelpDlg(HWND parent) : CDialogEx(IDD_HELP_DIALOG, parent) {}

bool CHelpDlg::OnCommand(UINT id, UINT notifyCode) {
  if (id == IDC_HELP_CLOSE && notifyCode == BN_CLICKED) {
    CDialog::OnCancel();
    return true;
  }
  return CDialogEx::OnCommand(id, notifyCode);
}

CAboutDlg::CAboutDlg(HWND parent) : CDialogEx(IDD_ABOUTBOX, parent) {}

bool CAboutDlg::OnCommand(UINT id, UINT notifyCode) {
  if (id == IDC_ABOUT_CLOSE && notifyCode == BN_CLICKED) {
    CDialog::OnCancel();
    return true;
  }
  return CDialogEx::OnCommand(id, notifyCode);
}
