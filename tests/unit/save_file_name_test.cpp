#include <gtest/gtest.h>

#include <string>

#include "capture/save_file_name.h"

namespace {

std::u16string NameFor(std::uint16_t y, std::uint16_t mo, std::uint16_t d, std::uint16_t h, std::uint16_t mi,
                       std::uint16_t s) {
  char16_t buffer[40];
  const platform::LocalTime time{y, mo, 5, d, h, mi, s, 999};
  const int length = MakeSaveFileName(time, buffer, 40);
  EXPECT_GT(length, 0);
  return std::u16string(buffer);
}

TEST(MakeSaveFileName, OnlyTheSecondsArePadded) {
  EXPECT_EQ(u"2026-3-4_5-6-07.bmp", NameFor(2026, 3, 4, 5, 6, 7));
  EXPECT_EQ(u"2026-11-25_13-45-59.bmp", NameFor(2026, 11, 25, 13, 45, 59));
  EXPECT_EQ(u"2026-1-1_0-0-00.bmp", NameFor(2026, 1, 1, 0, 0, 0));
}

TEST(MakeSaveFileName, LargestFieldsStillFitTheBuffer) {
  // Every field at its 16-bit maximum: 5 digits each.
  const std::u16string name = NameFor(65535, 65535, 65535, 65535, 65535, 65535);
  EXPECT_EQ(u"65535-65535-65535_65535-65535-65535.bmp", name);
  EXPECT_LT(name.size(), 40u);

  char16_t small[10];
  EXPECT_LE(MakeSaveFileName(platform::LocalTime{2026, 3, 0, 4, 5, 6, 7, 0}, small, 10), 0);
}

}  // namespace
