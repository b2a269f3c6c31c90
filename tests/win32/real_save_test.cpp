// The whole save against the real clipboard and file system: the file's
// bytes are checked where they are fixed, and a real decoder reads it back.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/app_state.h"
#include "common/bounded_text.h"
#include "save_now.h"
#include "contract/contract_environment.h"
#include "dib_blocks.h"
#include "support/image_decoder.h"
#include "support/png_blocks.h"
#include "win32_clipboard.h"

namespace {

using testsupport::Bytes;

class RealSave : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = contract::Current().NewScratchFolder() + u"shots\\new\\";
    std::fill_n(g_szPath, kPathChars, u'\0');
    ASSERT_TRUE(CopyText(g_szPath, kPathChars, folder.c_str()));
  }

  // Saves `block` from the real clipboard, a "PNG" before it when given;
  // returns the file's bytes.
  Bytes Save(const Bytes& block, const Bytes& png = {}, std::uint64_t bound = SaveLimits{}.bytes) {
    EXPECT_TRUE(png.empty() ? testsupport::PutDibOnRealClipboard(block)
                            : testsupport::PutFormatsOnRealClipboard({{L"PNG", 0, png}, {nullptr, CF_DIB, block}}));
    const testsupport::SavedNow saved = testsupport::SaveNow(false, bound);
    EXPECT_EQ(SAVE_OK, saved.result);
    path = saved.file;
    Bytes file;
    EXPECT_TRUE(contract::Current().ReadFile(path, &file));
    return file;
  }

  void ExpectDecodesTo(const Bytes& block, std::uint32_t pixelOffset) {
    if (!testsupport::ImageDecoderAvailable()) GTEST_SKIP() << "no ImageMagick here";
    testsupport::DecodedImage decoded;
    ASSERT_TRUE(testsupport::DecodeImage(path, &decoded));
    const testsupport::DecodedImage expected = testsupport::PixelsOfRgbDib(block, pixelOffset);
    EXPECT_EQ(expected.width, decoded.width);
    EXPECT_EQ(expected.height, decoded.height);
    EXPECT_TRUE(expected.rgb == decoded.rgb) << "the decoded pixels differ from the source";
  }

  std::u16string folder;
  std::u16string path;
};

TEST_F(RealSave, TwentyFourBitBitmapIsSavedByteForByteAndDecodes) {
  const Bytes block = testsupport::RgbDib(37, 23, 24);
  const Bytes file = Save(block);

  ASSERT_EQ(54 + block.size() - 40, file.size());
  EXPECT_EQ('B', file[0]);
  EXPECT_EQ('M', file[1]);
  EXPECT_EQ(file.size(), testsupport::GetU32(file, 2));
  EXPECT_EQ(54u, testsupport::GetU32(file, 10));
  EXPECT_EQ(Bytes(block.begin(), block.end()), Bytes(file.begin() + 14, file.end()));
  EXPECT_EQ(0, path.compare(0, folder.size(), folder)) << "saved into the folder, created on the way";
  ExpectDecodesTo(block, 40);
}

TEST_F(RealSave, ThirtyTwoBitBitfieldsBitmapDropsTheMasksAndDecodes) {
  const Bytes block = testsupport::BitfieldsDib32(16, 9);
  const Bytes file = Save(block);

  ASSERT_EQ(54 + block.size() - 52, file.size());
  EXPECT_EQ(0u, testsupport::GetU32(file, 14 + 16)) << "BI_RGB";
  EXPECT_EQ(Bytes(block.begin() + 52, block.end()), Bytes(file.begin() + 54, file.end()));
  ExpectDecodesTo(block, 52);
}

TEST_F(RealSave, PngBesideTheDibIsWrittenAsItIsOnlyWhenItDecodesWholeAndJpgLaysItsTransparencyOnWhite) {
  // 16 by 8: the left half transparent, the right opaque grey; one 8 by 8
  // JPEG block each.
  Bytes rgba(16 * 8 * 4, 0x40);
  for (std::size_t i = 0; i < rgba.size(); i += 4) rgba[i + 3] = (i / 4) % 16 < 8 ? 0 : 0xFF;
  const Bytes good = testsupport::PngFile(16, 8, rgba);
  Bytes badCrc = good, broken = testsupport::StoredZlib(Bytes(8 * 65, 0));
  badCrc[33 + 8] ^= 1;  // IDAT's first byte of data
  broken[2] = 0x07;     // a final deflate block of the reserved type 3
  const struct { const char* name; Bytes png; std::uint64_t bound; } bad[] = {
      {"no IEND", Bytes(good.begin(), good.end() - 12), SaveLimits{}.bytes},
      {"a bad CRC", badCrc, SaveLimits{}.bytes},
      {"more pixels than the bound", good, 16 * 8 * 4 - 1},
      {"broken deflate data, its CRC right", testsupport::PngOf(16, 8, broken), SaveLimits{}.bytes},
  };
  g_dwFormat = kFormatPng;
  const Bytes dib = testsupport::RgbDib(16, 8, 24, 3);
  for (const auto& row : bad) {
    EXPECT_NE(row.png, Save(dib, row.png, row.bound)) << row.name;
    ExpectDecodesTo(dib, 40);
  }
  EXPECT_EQ(good, Save(dib, good)) << "a whole \"PNG\" is the file";

  g_dwFormat = kFormatJpg;
  Save(dib, good);
  EXPECT_EQ(u".jpg", path.substr(path.size() - 4));
  testsupport::DecodedImage decoded;
  if (!testsupport::ImageDecoderAvailable()) GTEST_SKIP() << "no ImageMagick here";
  ASSERT_TRUE(testsupport::DecodeImage(path, &decoded));
  for (std::size_t i = 0; i < decoded.rgb.size(); ++i) {
    EXPECT_NEAR((i / 3) % 16 < 8 ? 0xFF : 0x40, decoded.rgb[i], 4) << "pixel " << i / 3;
  }
}

TEST_F(RealSave, ClipboardHeldByAnotherThreadIsReported) {
  testsupport::PutDibOnRealClipboard(testsupport::RgbDib(2, 2, 24));
  testsupport::ClipboardHolder holder;
  ASSERT_TRUE(holder.holding());
  EXPECT_EQ(SAVE_ERR_OPEN_CLIPBOARD, testsupport::SaveNow().result);
}

TEST_F(RealSave, TextOnlyClipboardSavesNothing) {
  testsupport::PutTextOnRealClipboard(u"only text");
  EXPECT_EQ(SAVE_NO_BITMAP, testsupport::SaveNow().result);
  EXPECT_FALSE(contract::Current().Exists(folder));
}

}  // namespace
