// The whole save against the real clipboard and file system: the file's
// bytes are checked where they are fixed, and a real decoder reads it back.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/app_state.h"
#include "common/bounded_text.h"
#include "support/save_now.h"
#include "contract/contract_environment.h"
#include "support/dib_blocks.h"
#include "support/image_decoder.h"
#include "support/win32_clipboard.h"

namespace {

using testsupport::Bytes;

class RealSave : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = contract::Current().NewScratchFolder() + u"shots\\new\\";
    std::fill_n(g_szPath, kPathChars, u'\0');
    ASSERT_TRUE(CopyText(g_szPath, kPathChars, folder.c_str()));
  }

  // Saves `block` from the real clipboard; returns the file's bytes.
  Bytes Save(const Bytes& block) {
    EXPECT_TRUE(testsupport::PutDibOnRealClipboard(block));
    const testsupport::SavedNow saved = testsupport::SaveNow();
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
