// Puts every process-wide variable back to the value it has when the process
// starts, so that a test sees the same state whichever tests ran before it
// (unit_tests --gtest_shuffle). Every fixture's constructor calls it.
#pragma once

#include <algorithm>

#include "common/app_state.h"
#include "common/bounded_text.h"

inline void ResetAppState() {
  g_nHotKeyId = kFirstHotKeyId;
  g_hMainWnd = nullptr;
  g_bHotKeyRegistered = 0;
  g_dwRefusedKeys = 0;
  g_bHelpDlgOpen = 0;
  g_bConfigDlgOpen = 0;
  g_bAboutDlgOpen = 0;
  g_dwKeys = 0;
  g_hConfigKey = nullptr;
  std::fill_n(g_szPath, kPathChars, u'\0');
  g_dwFormat = kFormatBmp;
  g_bAutoSave = 0;
  g_bNotify = 0;
  std::fill_n(g_szNameFormat, kNameFormatChars, u'\0');
  CopyText(g_szNameFormat, kNameFormatChars, kDefaultNameFormat);
}
