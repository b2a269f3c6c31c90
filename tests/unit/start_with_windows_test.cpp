#include <gtest/gtest.h>

#include "settings/start_with_windows.h"

namespace {

const std::u16string kProgram = u"C:\\Program Files\\Tarnwick\\Tarnwick.exe";

TEST(StartWithWindows, RunValueIsTheQuotedPathAndNamesOnlyThisProgram) {
  EXPECT_EQ(u"\"C:\\Program Files\\Tarnwick\\Tarnwick.exe\"", RunValueText(kProgram));
  for (const char16_t* same : {u"\"C:\\Program Files\\Tarnwick\\Tarnwick.exe\"",
                               u"  \"c:\\PROGRAM FILES\\tarnwick\\TARNWICK.EXE\" ",
                               u"C:\\Program Files\\Tarnwick\\Tarnwick.exe"}) {
    EXPECT_TRUE(RunValueNamesProgram(same, kProgram));
  }
  for (const char16_t* other : {u"\"D:\\Tarnwick\\Tarnwick.exe\"", u"\"C:\\Program Files\\Tarnwick\\Tarnwick.exe.old\"",
                                u"\"C:\\Program Files\\Tarnwick\\Tarnwick.exe\" /min",
                                u"\"C:\\Program Files\\Tarnwick\\Tarnwick.ex\"", u"\"\"", u""}) {
    EXPECT_FALSE(RunValueNamesProgram(other, kProgram));
  }
  EXPECT_FALSE(RunValueNamesProgram(u"", u"")) << "no program path names nothing";
}

TEST(StartWithWindows, StartupApprovedMarkIsOffWhenTheLowestBitOfItsFirstByteIsSet) {
  const std::uint8_t on2[12] = {0x02}, on6[12] = {0x06}, off3[12] = {0x03, 0, 0, 0, 0x17, 0x79}, off7[12] = {0x07},
                     off63[12] = {0x63, 0x60};
  EXPECT_FALSE(StartupApprovedSaysOff(on2, 12));
  EXPECT_FALSE(StartupApprovedSaysOff(on6, 12));
  EXPECT_FALSE(StartupApprovedSaysOff(off3, 0)) << "an empty value turns nothing off";
  EXPECT_TRUE(StartupApprovedSaysOff(off3, 12));
  EXPECT_TRUE(StartupApprovedSaysOff(off7, 12));
  EXPECT_TRUE(StartupApprovedSaysOff(off63, 12));
}

}  // namespace
