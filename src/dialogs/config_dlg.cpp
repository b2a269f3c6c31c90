#include "dialogs/config_dlg.h"

#include <commctrl.h>

#include <string>

#include "common/app_state.h"
#include "framework/win_app.h"
#include "resource.h"
#include "settings/config_actions.h"
#include "dialogs/folder_picker.h"

CConfigDlg::CConfigDlg(HWND parent) : CDialogEx(IDD_CONFIG_DIALOG, parent) {}

BOOL CConfigDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();
  m_pathEdit = GetDlgItem(IDC_PATH_EDIT);
  m_hotKeyCtrl = GetDlgItem(IDC_HOTKEY);
  m_formatCombo = GetDlgItem(IDC_FORMAT_COMBO);
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
  SendMessageW(m_formatCombo, CB_SETCURSEL, choices.format <= kFormatJpg ? choices.format : kFormatBmp, 0);
  CheckDlgButton(m_hWnd, IDC_AUTOSAVE_CHECK, choices.autoSave ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_AUTOSTART_CHECK, choices.startWithWindows ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_NOTIFY_CHECK, choices.notify ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
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
      case IDC_BROWSE:
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
  const LRESULT format = SendMessageW(m_formatCombo, CB_GETCURSEL, 0, 0);
  choices.format = format >= 0 && format <= static_cast<LRESULT>(kFormatJpg) ? static_cast<std::uint32_t>(format) : kFormatBmp;
  choices.autoSave = IsDlgButtonChecked(m_hWnd, IDC_AUTOSAVE_CHECK) == BST_CHECKED;
  choices.startWithWindows = IsDlgButtonChecked(m_hWnd, IDC_AUTOSTART_CHECK) == BST_CHECKED;
  choices.notify = IsDlgButtonChecked(m_hWnd, IDC_NOTIFY_CHECK) == BST_CHECKED;
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
