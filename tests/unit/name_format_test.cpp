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
      {kSortable, late, 3, kFormatPng, u"2026-11-25_13-45-59 (3).png"},
      {kPerMonth, early, 1, kFormatPng, u"2026-03\\04_05-06-07.png"},
      {kPerMonth, midnight, 2, kFormatBmp, u"2027-01\\01_00-00-00 (2).bmp"},
      {kPerMonth, late, 1, kFormatJpg, u"2026-11\\25_13-45-59.jpg"},
      {u"shots {yyyy}\\{M}\\{d}\\{H}h{m}m{ss}s", early, 1, kFormatBmp, u"shots 2026\\3\\4\\5h6m07s.bmp"},
      {u"{yyyy}{M}{MM}{d}{dd}{H}{HH}{m}{mm}{ss}", early, 1, kFormatBmp, u"202630340450560607.bmp"},
      {u"{ss}", midnight, 1, kFormatBmp, u"00.bmp"},
      {u"{M}-{d}", early, 1, kFormatBmp, u""},  // refused: no name at all
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(std::u16string(c.name), MakeSaveFileName(c.time, c.format, c.copy, c.fileFormat)) << "case " << i;
  }
}

TEST(CheckNameFormat, RefusesWithTheDialogsTextsInTheirOrder) {
  const std::u16string folder219 = u"D:\\" + std::u16string(215, u'f') + u"\\";
  ASSERT_EQ(219u, folder219.size());
  const std::u16string_view noSeconds = u"文件名格式不能为空, 且必须包含 {ss}";
  const std::u16string_view badCharacter = u"文件名格式包含不允许的字符或未知的标记";
  const std::u16string_view badLevel = u"文件名格式的目录层级不合法";
  const std::u16string_view tooLong = u"文件名格式过长";
  const struct {
    std::u16string format;
    std::u16string folder;
    std::u16string_view refusal;  // empty: taken
  } cases[] = {
      {kDefaultNameFormat, folder219, {}},
      {kPerMonth, folder219, {}},
      {u"", u"D:\\s\\", noSeconds},
      {u"{yyyy}-{M}-{d}_{H}-{m}", u"D:\\s\\", noSeconds},
      {u"{yyyy}-{s}", u"D:\\s\\", noSeconds},
      {u"{SS}", u"D:\\s\\", noSeconds},
      {u"{YYYY}-{ss}", u"D:\\s\\", badCharacter},
      {u"{s}{ss}", u"D:\\s\\", badCharacter},
      {u"{ss}{", u"D:\\s\\", badCharacter},
      {u"{ss}}", u"D:\\s\\", badCharacter},
      {u"{ss}{}", u"D:\\s\\", badCharacter},
      {u"{ss}<", u"D:\\s\\", badCharacter},
      {u"{ss}>", u"D:\\s\\", badCharacter},
      {u"{ss}:", u"D:\\s\\", badCharacter},
      {u"{ss}\"", u"D:\\s\\", badCharacter},
      {u"{yyyy}/{ss}", u"D:\\s\\", badCharacter},
      {u"{ss}|", u"D:\\s\\", badCharacter},
      {u"{ss}?", u"D:\\s\\", badCharacter},
      {u"{ss}*", u"D:\\s\\", badCharacter},
      {u"{ss}\t", u"D:\\s\\", badCharacter},
      {std::u16string(u"{ss}\0", 5), u"D:\\s\\", badCharacter},
      {u"\\{ss}", u"D:\\s\\", badLevel},
      {u"{ss}\\", u"D:\\s\\", badLevel},
      {u"{yyyy}\\\\{ss}", u"D:\\s\\", badLevel},
      {u".\\{ss}", u"D:\\s\\", badLevel},
      {u"..\\{ss}", u"D:\\s\\", badLevel},
      {u"{yyyy}.\\{ss}", u"D:\\s\\", badLevel},
      {u"{yyyy} \\{ss}", u"D:\\s\\", badLevel},
      {u"{ss}.", u"D:\\s\\", badLevel},
      {u"{ss} ", u"D:\\s\\", badLevel},
      {u"{ss}" + std::u16string(96, u'x'), u"D:\\s\\", {}},  // 100 units
      {u"{ss}" + std::u16string(97, u'x'), u"D:\\s\\", tooLong},
      // The file with " (100)" and ".png", its temporary file and its
      // folder stay within the 259 units the save keeps; a year is counted
      // with five digits.
      {u"{ss}" + std::u16string(28, u'x'), folder219, {}},
      {u"{ss}" + std::u16string(29, u'x'), folder219.substr(0, 218), tooLong},
      {u"{yyyy}" + std::u16string(10, u'x') + u"\\{ss}", folder219, {}},
      {u"{yyyy}" + std::u16string(11, u'x') + u"\\{ss}", folder219, tooLong},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const char16_t* text = NameFormatFaultText(CheckNameFormat(c.format, c.folder));
    EXPECT_EQ(c.refusal, text == nullptr ? std::u16string_view() : std::u16string_view(text)) << "case " << i;
  }
}

}  // namespace
