#include "dialogs/config_dlg.h"

#include <commctrl.h>

#include <string>

#include "common/app_state.h"
#include "framework/win_app.h"
#include "resource.h"
#include "settings/config_actions.h"
#include "dialogs/folder_picker.h"

namespace {
// The browse button at the folder field's right end.
constexpr int kBrowseButtonId = 1100;

}  // namespace

CConfigDlg::CConfigDlg(HWND parent) : CDialogEx(IDD_CONFIG_DIALOG, parent) {}

BOOL CConfigDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();
  m_pathEdit = GetDlgItem(IDC_PATH_EDIT);
  m_hotKeyCtrl = GetDlgItem(IDC_HOTKEY);
  m_formatCombo = GetDlgItem(IDC_FORMAT_COMBO);
  AddBrowseButton();
  for (const char16_t* name : kFormatNames) {
    SendMessageW(m_formatCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }

  char16_t folder[kPathChars];
  HotKeyWord hotKey;
  if (OpenSettings(folder, &hotKey)) {
    SetWindowTextW(m_pathEdit, reinterpret_cast<const wchar_t*>(folder));
    SendMessageW(m_hotKeyCtrl, HKM_SETHOTKEY, hotKey.ControlValue(), 0);
  }
  const SettingsChoices choices = StoredChoices();
  // The stored format, loaded with the other settings (BMP when none is).
  SendMessageW(m_formatCombo, CB_SETCURSEL, choices.format == kFormatPng ? kFormatPng : kFormatBmp, 0);
  CheckDlgButton(m_hWnd, IDC_AUTOSAVE_CHECK, choices.autoSave ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_AUTOSTART_CHECK, choices.startWithWindows ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CConfigDlg::AddBrowseButton() {
  // A button over the folder field's right end, above it in the z-order, and
  // the field keeps its text clear of it.
  RECT field;
  GetWindowRect(m_pathEdit, &field);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&field), 2);
  const int inset = GetSystemMetrics(SM_CXBORDER);
  const int side = field.bottom - field.top - 2 * inset;
  HWND button = CreateWindowExW(0, L"Button", L"...", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                field.right - inset - side, field.top + inset, side, side, m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBrowseButtonId)),
                                AfxGetInstanceHandle(), nullptr);
  SendMessageW(button, WM_SETFONT, SendMessageW(m_hWnd, WM_GETFONT, 0, 0), FALSE);
  // Just above the field in the z-order, so that it is drawn over it (and
  // Tab reaches it just before the field).
  HWND above = GetWindow(m_pathEdit, GW_HWNDPREV);
  SetWindowPos(button, above != nullptr ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowLongW(m_pathEdit, GWL_STYLE, GetWindowLongW(m_pathEdit, GWL_STYLE) | WS_CLIPSIBLINGS);
  SendMessageW(m_pathEdit, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, side + 2));
}

BOOL CConfigDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN)) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}

bool CConfigDlg::OnCommand(UINT id, UINT notifyCode) {
  if (notifyCode == BN_CLICKED) {
    switch (id) {
      case IDC_SAVE:
        OnBnClickedSave();
        return true;
      case IDC_CONFIG_CANCEL:
        OnBnClickedCancel();
        return true;
      case kBrowseButtonId:
        OnBrowse();
        return true;
    }
  }
  return CDialogEx::OnCommand(id, notifyCode);
}

std::wstring CConfigDlg::FolderText() const {
  // The whole text, however long: the folder rules refuse what does not fit.
  std::wstring text(GetWindowTextLengthW(m_pathEdit) + 1, L'\0');
  text.resize(GetWindowTextW(m_pathEdit, text.data(), static_cast<int>(text.size())));
  return text;
}

void CConfigDlg::OnBnClickedSave() {
  const std::wstring folder = FolderText();
  const HotKeyWord hotKey = HotKeyWord::FromControl(LOWORD(SendMessageW(m_hotKeyCtrl, HKM_GETHOTKEY, 0, 0)));
  SettingsChoices choices;
  choices.format =
      SendMessageW(m_formatCombo, CB_GETCURSEL, 0, 0) == static_cast<LRESULT>(kFormatPng) ? kFormatPng : kFormatBmp;
  choices.autoSave = IsDlgButtonChecked(m_hWnd, IDC_AUTOSAVE_CHECK) == BST_CHECKED;
  choices.startWithWindows = IsDlgButtonChecked(m_hWnd, IDC_AUTOSTART_CHECK) == BST_CHECKED;
  if (SaveSettings(reinterpret_cast<const char16_t*>(folder.c_str()), hotKey, choices)) {
    CDialogEx::OnOK();
  }
}

void CConfigDlg::OnBnClickedCancel() {
  if (CancelSettings()) CDialogEx::OnCancel();
}

void CConfigDlg::OnCancel() { OnBnClickedCancel(); }

void CConfigDlg::OnBrowse() {
  const std::wstring chosen = PickFolder(m_hWnd, FolderText());
  if (!chosen.empty()) SetWindowTextW(m_pathEdit, chosen.c_str());
}
