// Each case starts from a fresh settings key and a fresh save folder, with
// the save folder stored before the program starts.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dib_blocks.h"
#include "driver.h"
#include "win32_clipboard.h"

class E2E : public ::testing::Test {
 protected:
  void SetUp() override {
    e2e::DeleteSettings();
    scratch = e2e::NewScratchFolder();
    folder = scratch + L"shots\\";
  }

  // Stores `folder` and the default hot key, as an earlier run would have.
  void StoreSettings() {
    ASSERT_TRUE(e2e::WriteFolderSetting(folder));
    ASSERT_TRUE(e2e::WriteKeysSetting(0x00020069));
  }

  // Presses the hot key and waits for one new file in `where` (of `pattern`).
  std::wstring SaveWithHotKey(const std::wstring& where, const wchar_t* pattern = L"*.bmp") {
    const auto before = e2e::FilesIn(where, pattern);
    e2e::PressDefaultHotKey();
    std::wstring saved;
    e2e::WaitUntil(
        [&] {
          const auto now = e2e::FilesIn(where, pattern);
          if (now.size() <= before.size()) return false;
          for (const auto& name : now)
            if (std::find(before.begin(), before.end(), name) == before.end()) saved = name;
          return true;
        },
        10000);
    return saved;
  }

  std::wstring scratch;
  std::wstring folder;
};
