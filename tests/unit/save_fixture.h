// A save folder D:\shots\ on an installed fake platform, with the process-wide
// state as start-up leaves it.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "capture/save_result.h"
#include "common/app_state.h"
#include "common/bounded_text.h"
#include "fake/fake_platform.h"
#include "unit/app_state_reset.h"
#include "dib_blocks.h"

class SaveFixture : public ::testing::Test {
 protected:
  SaveFixture() {
    ResetAppState();
    os.Install();
    os.files.AddDrive(u"D:\\");
    os.clock.now = platform::LocalTime{2026, 3, 3, 4, 5, 6, 7, 0};
    SetFolder(u"D:\\shots\\");
  }

  static void SetFolder(const std::u16string& folder) {
    std::fill_n(g_szPath, kPathChars, u'\0');
    CopyText(g_szPath, kPathChars, folder.c_str());
  }

  fake::FakePlatform os;
  const std::u16string savedFile = u"D:\\shots\\2026-3-4_5-6-07.bmp";
};

// Faults compared and printed whole: result, where and the Windows error.
inline bool operator==(const SaveFault& a, const SaveFault& b) {
  return a.result == b.result && a.where == b.where && a.error == b.error;
}
inline void PrintTo(const SaveFault& fault, std::ostream* out) {
  *out << "{" << fault.result << ", " << ::testing::PrintToString(fault.where) << ", " << fault.error << "}";
}
