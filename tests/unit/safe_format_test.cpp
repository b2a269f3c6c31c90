#include <gtest/gtest.h>

#include <string>

#include "common/safe_format.h"
#include "common/bounded_text.h"

namespace {

TEST(SafeFormat, FillsTheBufferExactlyToItsLastUnitAndNoFurther) {
  char16_t buffer[8];
  EXPECT_EQ(7, SafeFormat(buffer, 8, u"%s", u"1234567"));
  EXPECT_EQ(std::u16string(u"1234567"), buffer);

  char16_t guarded[10];
  std::fill(guarded, guarded + 10, u'#');
  EXPECT_EQ(-1, SafeFormat(guarded, 8, u"%s", u"12345678"));
  EXPECT_EQ(u'\0', guarded[0]) << "a text that does not fit leaves an empty buffer";
  EXPECT_EQ(u'#', guarded[8]);
  EXPECT_EQ(u'#', guarded[9]);
}

TEST(SafeFormat, EmptyResultIsZeroWhichCallersTreatAsFailure) {
  char16_t buffer[8];
  EXPECT_EQ(0, SafeFormat(buffer, 8, u"%s", u""));
  EXPECT_EQ(u'\0', buffer[0]);
}

TEST(SafeFormat, NumbersInDecimalAndPadded) {
  char16_t buffer[40];
  EXPECT_EQ(9, SafeFormat(buffer, 40, u"%d|%02d|%02d", 440, 7, 59));
  EXPECT_EQ(std::u16string(u"440|07|59"), buffer);
  SafeFormat(buffer, 40, u"%d %02d %d", -12, -3, 2147483647);
  EXPECT_EQ(std::u16string(u"-12 -3 2147483647"), buffer);
  SafeFormat(buffer, 40, u"%d", static_cast<int>(-2147483647 - 1));
  EXPECT_EQ(std::u16string(u"-2147483648"), buffer);
  SafeFormat(buffer, 40, u"100%%");
  EXPECT_EQ(std::u16string(u"100%"), buffer);
}

TEST(SafeFormat, RefusesWhatItCannotFormat) {
  char16_t buffer[40] = u"old";
  EXPECT_EQ(-1, SafeFormat(buffer, 40, u"%s", 5)) << "number for a text";
  EXPECT_EQ(u'\0', buffer[0]);
  EXPECT_EQ(-1, SafeFormat(buffer, 40, u"%d", u"text")) << "text for a number";
  EXPECT_EQ(-1, SafeFormat(buffer, 40, u"%d %d", 1)) << "too few arguments";
  EXPECT_EQ(-1, SafeFormat(buffer, 40, u"%x", 1)) << "unknown conversion";
  EXPECT_EQ(-1, SafeFormat(buffer, 40, u"50%")) << "lone percent sign";
  EXPECT_EQ(-1, SafeFormat(buffer, 0, u"x"));
}

TEST(BoundedText, CopiesAndAppendsNeverOverrun) {
  char16_t buffer[6];
  EXPECT_TRUE(CopyText(buffer, 6, u"abcde"));
  EXPECT_FALSE(AppendText(buffer, 6, u"f"));
  EXPECT_EQ(u'\0', buffer[0]);

  EXPECT_TRUE(CopyText(buffer, 6, u"ab"));
  EXPECT_TRUE(AppendText(buffer, 6, u"cde"));
  EXPECT_EQ(std::u16string(u"abcde"), buffer);

  EXPECT_TRUE(CopyText(buffer, 6, std::u16string_view(u"D:\\shots\\", 3)));
  EXPECT_EQ(std::u16string(u"D:\\"), buffer);
  EXPECT_FALSE(CopyText(buffer, 6, std::u16string_view(u"D:\\shots\\", 9)));
  EXPECT_EQ(u'\0', buffer[0]);

  char16_t unterminated[3] = {u'a', u'b', u'c'};
  EXPECT_FALSE(AppendText(unterminated, 3, u"")) << "no NUL within the capacity";
  EXPECT_EQ(3u, BoundedLength(u"abc", 10));
  EXPECT_EQ(2u, BoundedLength(u"abc", 2));
}

}  // namespace
