#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "common/name_format.h"

namespace {

constexpr char16_t kSortable[] = u"{yyyy}-{MM}-{dd}_{HH}-{mm}-{ss}";
constexpr char16_t kPerMonth[] = u"{yyyy}-{MM}\\{dd}_{HH}-{mm}-{ss}";

TEST(MakeSaveFileName, TokensSubFoldersAndTheDefaultGivingTheNamesOfOld) {
  const platform::LocalTime early{2026, 3, 3, 4, 5, 6, 7, 999}, late{2026, 11, 2, 25, 13, 45, 59, 0};
  const platform::LocalTime midnight{2027, 1, 5, 1, 0, 0, 0, 0};
  const struct {
    const char16_t* format;
    const platform::LocalTime& time;
    int copy;
    std::uint32_t fileFormat;
    const char16_t* name;
  } cases[] = {
      // The default: only the seconds padded, as every earlier version named them.
      {kDefaultNameFormat, early, 1, kFormatBmp, u"2026-3-4_5-6-07.bmp"},
      {kDefaultNameFormat, late, 1, kFormatBmp, u"2026-11-25_13-45-59.bmp"},
      {kDefaultNameFormat, midnight, 2, kFormatBmp, u"2027-1-1_0-0-00 (2).bmp"},
      {kDefaultNameFormat, early, 100, kFormatPng, u"2026-3-4_5-6-07 (100).png"},
      {kSortable, early, 1, kFormatBmp, u"2026-03-04_05-06-07.bmp"},
      {kPerMonth, early, 1, kFormatPng, u"2026-03\\04_05-06-07.png"},
      {kPerMonth, midnight, 2, kFormatBmp, u"2027-01\\01_00-00-00 (2).bmp"},
      {kPerMonth, late, 1, kFormatJpg, u"2026-11\\25_13-45-59.jpg"},
      {u"shots {yyyy}\\{M}\\{d}\\{H}h{m}m{ss}s", early, 1, kFormatBmp, u"shots 2026\\3\\4\\5h6m07s.bmp"},
      {u"{yyyy}{M}{MM}{d}{dd}{H}{HH}{m}{mm}{ss}", early, 1, kFormatBmp, u"202630340450560607.bmp"},
      {u"{M}-{d}", early, 1, kFormatBmp, u""},  // refused: no name at all
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(std::u16string(c.name), MakeSaveFileName(c.time, c.format, c.copy, c.fileFormat)) << "case " << i;
  }
}

TEST(CheckNameFormat, RefusesWithTheDialogsTextsInTheirOrder) {
  const std::u16string f219 = u"D:\\" + std::u16string(215, u'f') + u"\\", x(97, u'x');  // a folder of 219 units
  const std::u16string_view none, noSeconds = u"文件名格式不能为空, 且必须包含 {ss}",
                                  badCharacter = u"文件名格式包含不允许的字符或未知的标记",
                                  badLevel = u"文件名格式的目录层级不合法", tooLong = u"文件名格式过长";
  const struct {
    std::u16string format;
    std::u16string_view refusal;
    std::u16string folder = u"D:\\s\\";
  } cases[] = {
      {kDefaultNameFormat, none, f219}, {kPerMonth, none, f219}, {u"", noSeconds}, {u"{yyyy}-{M}-{d}_{H}-{m}", noSeconds},
      {u"{yyyy}-{s}", noSeconds}, {u"{SS}", noSeconds}, {u"{YYYY}-{ss}", badCharacter}, {u"{s}{ss}", badCharacter},
      {u"{ss}{", badCharacter}, {u"{ss}}", badCharacter}, {u"\\{ss}", badLevel},
      {u"{ss}\\", badLevel}, {u"{yyyy}\\\\{ss}", badLevel}, {u".\\{ss}", badLevel}, {u"..\\{ss}", badLevel},
      {u"{yyyy}.\\{ss}", badLevel}, {u"{yyyy} \\{ss}", badLevel}, {u"{ss}.", badLevel}, {u"{ss} ", badLevel},
      {u"{ss}" + x.substr(1), none},  // 100 units
      {u"{ss}" + x, tooLong},
      // The file with " (100)" and ".png", its temporary file and its folder
      // stay within the 259 units a save keeps; a year counts five digits.
      {u"{ss}" + x.substr(0, 28), none, f219}, {u"{ss}" + x.substr(0, 29), tooLong, f219.substr(0, 218)},
      {u"{yyyy}" + x.substr(0, 10) + u"\\{ss}", none, f219}, {u"{yyyy}" + x.substr(0, 11) + u"\\{ss}", tooLong, f219},
  };
  const auto refusal = [&](const std::u16string& format, const std::u16string& folder) {
    const char16_t* text = NameFormatFaultText(CheckNameFormat(format, folder));
    return text == nullptr ? none : std::u16string_view(text);
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].refusal, refusal(cases[i].format, cases[i].folder)) << "case " << i;
  for (const char16_t c : std::u16string(u"<>:\"/|?*\t\x1f\0", 12))
    EXPECT_EQ(badCharacter, refusal(u"{yyyy}" + std::u16string(1, c) + u"{ss}", u"D:\\s\\")) << int{c};
}

}  // namespace
