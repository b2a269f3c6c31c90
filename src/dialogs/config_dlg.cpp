#include "dialogs/config_dlg.h"

#include <commctrl.h>

#include <string>

#include "common/app_state.h"
#include "dialogs/folder_picker.h"
#include "dialogs/settings_boxes.h"
#include "framework/win_app.h"
#include "resource.h"
#include "settings/settings_store.h"

namespace {

// The preview names the next file down to its second: shown anew each second.
constexpr UINT_PTR kPreviewTimer = 1;
constexpr UINT kPreviewEveryMs = 1000;

// A control's whole text, however long: the rules refuse what does not fit.
std::wstring WholeText(HWND control) {
  std::wstring text(GetWindowTextLengthW(control) + 1, L'\0');
  text.resize(GetWindowTextW(control, text.data(), static_cast<int>(text.size())));
  return text;
}

std::u16string_view Portable(const std::wstring& text) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

}  // namespace

CConfigDlg::CConfigDlg(platform::Platform& os, HWND parent)
    : CDialogEx(IDD_CONFIG_DIALOG, parent), m_os(os), m_actions(os) {}

BOOL CConfigDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();
  m_pathEdit = GetDlgItem(IDC_PATH_EDIT);
  m_hotKeyCtrl = GetDlgItem(IDC_HOTKEY);
  m_formatCombo = GetDlgItem(IDC_FORMAT_COMBO);
  m_nameFormatEdit = GetDlgItem(IDC_NAME_FORMAT_EDIT);
  m_namePreview = GetDlgItem(IDC_NAME_PREVIEW);
  for (const char16_t* name : kFormatNames) {
    SendMessageW(m_formatCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }

  ShowWriteBackBox(m_os.messageBoxes, LoadSettings(m_os.registry));
  char16_t folder[kPathChars];
  HotKeyWord hotKey;
  const SettingsFault opened = m_actions.Open(folder, &hotKey);
  if (opened.ok()) {
    SetWindowTextW(m_pathEdit, reinterpret_cast<const wchar_t*>(folder));
    SendMessageW(m_hotKeyCtrl, HKM_SETHOTKEY, hotKey.ControlValue(), 0);
  } else {
    ShowSettingsFaultBox(m_os.messageBoxes, opened);
  }
  // Save compares what the dialog holds then with exactly these.
  const SettingsChoices& choices = m_actions.shown();
  // The stored format, loaded with the other settings (BMP when none is).
  SendMessageW(m_formatCombo, CB_SETCURSEL, choices.format <= kFormatJpg ? choices.format : kFormatBmp, 0);
  SetWindowTextW(m_nameFormatEdit, reinterpret_cast<const wchar_t*>(choices.nameFormat.c_str()));
  CheckDlgButton(m_hWnd, IDC_AUTOSAVE_CHECK, choices.autoSave ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_AUTOSTART_CHECK, choices.startWithWindows ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_NOTIFY_CHECK, choices.notify ? BST_CHECKED : BST_UNCHECKED);
  ShowPreview();
  SetTimer(m_hWnd, kPreviewTimer, kPreviewEveryMs, nullptr);
  return TRUE;
}

BOOL CConfigDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN)) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}

bool CConfigDlg::OnCommand(UINT id, UINT notifyCode) {
  // What the next name depends on: the template, the folder's length and
  // the format's extension.
  if ((notifyCode == EN_CHANGE && (id == IDC_NAME_FORMAT_EDIT || id == IDC_PATH_EDIT)) ||
      (notifyCode == CBN_SELCHANGE && id == IDC_FORMAT_COMBO)) {
    ShowPreview();
    return true;
  }
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

bool CConfigDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_TIMER && wParam == kPreviewTimer) {
    ShowPreview();
    *result = 0;
    return true;
  }
  return CDialogEx::OnMessage(message, wParam, lParam, result);
}

std::wstring CConfigDlg::FolderText() const { return WholeText(m_pathEdit); }

std::wstring CConfigDlg::NameFormatText() const { return WholeText(m_nameFormatEdit); }

std::uint32_t CConfigDlg::ChosenFormat() const {
  const LRESULT format = SendMessageW(m_formatCombo, CB_GETCURSEL, 0, 0);
  return format >= 0 && format <= static_cast<LRESULT>(kFormatJpg) ? static_cast<std::uint32_t>(format) : kFormatBmp;
}

void CConfigDlg::ShowPreview() {
  // Still empty while the dialog fills its controls.
  if (m_namePreview == nullptr) return;
  const std::u16string preview =
      NameFormatPreview(m_os.clock.Now(), Portable(FolderText()), Portable(NameFormatText()), ChosenFormat());
  const std::wstring shown = WholeText(m_namePreview);
  // Set only when it changes, so that it does not flicker each second.
  if (Portable(shown) != preview) SetWindowTextW(m_namePreview, reinterpret_cast<const wchar_t*>(preview.c_str()));
}

void CConfigDlg::OnBnClickedSave() {
  const std::wstring folder = FolderText();
  const HotKeyWord hotKey = HotKeyWord::FromControl(LOWORD(SendMessageW(m_hotKeyCtrl, HKM_GETHOTKEY, 0, 0)));
  SettingsChoices choices;
  choices.format = ChosenFormat();
  choices.autoSave = IsDlgButtonChecked(m_hWnd, IDC_AUTOSAVE_CHECK) == BST_CHECKED;
  choices.startWithWindows = IsDlgButtonChecked(m_hWnd, IDC_AUTOSTART_CHECK) == BST_CHECKED;
  choices.notify = IsDlgButtonChecked(m_hWnd, IDC_NOTIFY_CHECK) == BST_CHECKED;
  choices.nameFormat = Portable(NameFormatText());
  const SettingsFault fault = m_actions.Save(reinterpret_cast<const char16_t*>(folder.c_str()), hotKey, choices);
  if (!fault.ok()) {
    ShowSettingsFaultBox(m_os.messageBoxes, fault);
    return;
  }
  ShowSettingsBox(m_os.messageBoxes, kSettingsSavedText, g_szCaption, platform::kMbIconInformation);
  CDialogEx::OnOK();
}

void CConfigDlg::OnBnClickedCancel() {
  const SettingsFault fault = m_actions.Cancel();
  if (!fault.ok()) {
    ShowSettingsFaultBox(m_os.messageBoxes, fault);
    return;
  }
  CDialogEx::OnCancel();
}

void CConfigDlg::OnCancel() { OnBnClickedCancel(); }

void CConfigDlg::OnBrowse() {
  const std::wstring chosen = PickFolder(m_hWnd, FolderText());
  if (!chosen.empty()) SetWindowTextW(m_pathEdit, chosen.c_str());
}
