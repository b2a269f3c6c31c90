// The settings dialog: the save folder, the hot key, the file-name template
// with a preview of the next name, the file format and the other choices.
// Save and Cancel are its only ways out; Esc and Enter are dropped.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "platform/platform.h"
#include "settings/config_actions.h"

class CConfigDlg : public CDialogEx {
 public:
  explicit CConfigDlg(platform::Platform& os, HWND parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  bool OnCommand(UINT id, UINT notifyCode) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  // Every other close (Alt+F4, a close request from another program or the
  // window manager) takes the Cancel path, so the hot key is never left
  // suspended.
  void OnCancel() override;

 private:
  void OnBnClickedSave();
  void OnBnClickedCancel();
  void OnBrowse();
  std::wstring FolderText() const;
  std::wstring NameFormatText() const;
  std::uint32_t ChosenFormat() const;
  void ShowPreview();

  platform::Platform& m_os;
  ConfigActions m_actions;
  HWND m_pathEdit = nullptr;
  HWND m_hotKeyCtrl = nullptr;
  HWND m_formatCombo = nullptr;
  HWND m_nameFormatEdit = nullptr;
  HWND m_namePreview = nullptr;
};
