#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "capture/bmp_pieces.h"
#include "dib_blocks.h"

namespace {

using testsupport::Bytes;
using testsupport::DibBlock;
using testsupport::DibParts;
using testsupport::GetU32;

constexpr std::uint32_t kStandard32[] = {0x00FF0000, 0x0000FF00, 0x000000FF};

// The file the save would write for the block.
Bytes FileFrom(const Bytes& block) {
  const BmpPieces p = BuildBmpPieces(block.data(), block.size());
  EXPECT_TRUE(p.valid);
  if (!p.valid) return {};
  Bytes file(p.fileHeader, p.fileHeader + kFileHeaderBytes);
  file.insert(file.end(), p.bitmapInfo, p.bitmapInfo + p.bitmapInfoLength);
  file.insert(file.end(), block.begin() + p.pixelOffset, block.begin() + p.pixelOffset + p.pixelLength);
  return file;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t count) {
  return Bytes(b.begin() + from, b.begin() + from + count);
}

// Checks the file header against the file's own length and the given offset.
void ExpectFileHeader(const Bytes& file, std::uint32_t offBits) {
  ASSERT_GE(file.size(), 14u);
  EXPECT_EQ('B', file[0]);
  EXPECT_EQ('M', file[1]);
  EXPECT_EQ(file.size(), GetU32(file, 2)) << "bfSize";
  EXPECT_EQ(0u, GetU32(file, 6));
  EXPECT_EQ(offBits, GetU32(file, 10)) << "bfOffBits";
}

// Builds the block in an allocation of exactly its size, so that a read past
// its end is caught by AddressSanitizer.
bool Accepted(const Bytes& bytes) {
  std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), exact.get());
  return BuildBmpPieces(bytes.empty() ? nullptr : exact.get(), bytes.size()).valid;
}

TEST(BuildBmpPieces, OneByOne24BitBlockGivesThe58ByteFile) {
  Bytes block = testsupport::InfoHeader(1, 1, 24, 0, 4);
  block.insert(block.end(), {0x11, 0x22, 0x33, 0x00});
  ASSERT_EQ(44u, block.size());

  const Bytes file = FileFrom(block);
  ASSERT_EQ(58u, file.size());
  const Bytes start{0x42, 0x4D, 0x3A, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0};
  EXPECT_EQ(start, Slice(file, 0, 14));
  EXPECT_EQ(Slice(block, 0, 40), Slice(file, 14, 40));
  EXPECT_EQ((Bytes{0x11, 0x22, 0x33, 0x00}), Slice(file, 54, 4));
}

TEST(BuildBmpPieces, StandardBitfieldsMasksAreDroppedAndTheFileSaysRgb) {
  const Bytes block = testsupport::BitfieldsDib32(2, 1);
  ASSERT_EQ(60u, block.size());
  const Bytes before = block;

  const Bytes file = FileFrom(block);
  ASSERT_EQ(62u, file.size());
  ExpectFileHeader(file, 54);
  Bytes header = Slice(block, 0, 40);
  testsupport::PutU32(header, 16, 0);
  EXPECT_EQ(header, Slice(file, 14, 40)) << "the block's header, BI_RGB";
  EXPECT_EQ(Slice(block, 52, 8), Slice(file, 54, 8));
  EXPECT_EQ(before, block) << "the clipboard's own block is never changed";

  // The 16-bit standard masks (555) are BI_RGB too.
  const Bytes block16 = DibBlock({40, 3, 2, 16, 3, 16, 0, {0x7C00, 0x03E0, 0x001F}, 0, Bytes(16, 5)});
  const Bytes file16 = FileFrom(block16);
  ExpectFileHeader(file16, 54);
  EXPECT_EQ(0u, GetU32(file16, 14 + 16));
  EXPECT_EQ(Slice(block16, 52, 16), Slice(file16, 54, 16));
}

TEST(BuildBmpPieces, OtherBitfieldsMasksAreKeptAfterTheHeader) {
  struct Case {
    std::uint16_t bits;
    std::vector<std::uint32_t> masks;
  };
  const Case cases[] = {
      {16, {0xF800, 0x07E0, 0x001F}},              // 565
      {32, {0x000000FF, 0x0000FF00, 0x00FF0000}},  // red and blue swapped
      {32, {0xFFC00000, 0x003FF000, 0x00000FFC}},  // 10 bits a channel
  };
  for (const Case& c : cases) {
    const std::uint32_t stride = testsupport::RowStride(3, c.bits);
    const Bytes block = DibBlock({40, 3, 2, c.bits, 3, 0, 0, c.masks, 0, testsupport::PatternPixels(stride * 2)});
    const Bytes file = FileFrom(block);
    ExpectFileHeader(file, 66);
    EXPECT_EQ(3u, GetU32(file, 14 + 16)) << "BI_BITFIELDS, " << c.masks[0];
    EXPECT_EQ(stride * 2, GetU32(file, 14 + 20)) << "biSizeImage worked out";
    EXPECT_EQ(Slice(block, 40, 12), Slice(file, 54, 12)) << "masks";
    EXPECT_EQ(Slice(block, 52, stride * 2), Slice(file, 66, stride * 2));
  }
}

TEST(BuildBmpPieces, ColourTablesAreKeptAndThePixelsFollowThem) {
  struct Case {
    std::uint16_t bits;
    std::uint32_t clrUsed;
    std::uint32_t entries;
  };
  const Case cases[] = {{1, 0, 2}, {1, 1, 1}, {4, 0, 16}, {4, 6, 6}, {8, 0, 256}, {8, 20, 20}, {8, 256, 256}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, biClrUsed " << c.clrUsed);
    const std::uint32_t stride = testsupport::RowStride(13, c.bits);
    const Bytes block =
        DibBlock({40, 13, 3, c.bits, 0, 0, c.clrUsed, {}, c.entries, testsupport::PatternPixels(stride * 3)});
    const std::uint32_t table = 4 * c.entries;

    const BmpPieces p = BuildBmpPieces(block.data(), block.size());
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(40 + table, p.pixelOffset);
    EXPECT_EQ(stride * 3, p.pixelLength);

    const Bytes file = FileFrom(block);
    ExpectFileHeader(file, 54 + table);
    EXPECT_EQ(c.clrUsed, GetU32(file, 14 + 32)) << "biClrUsed as the block has it";
    EXPECT_EQ(Slice(block, 40, table), Slice(file, 54, table)) << "the table";
    EXPECT_EQ(Slice(block, 40 + table, stride * 3), Slice(file, 54 + table, stride * 3)) << "every row";

    // One byte short of the last row, or a table cut short: refused.
    EXPECT_FALSE(Accepted(Slice(block, 0, block.size() - 1)));
    EXPECT_FALSE(Accepted(Slice(block, 0, 40 + table - 1)));
  }
}

TEST(BuildBmpPieces, ImageSizeZeroOrWrongIsWorkedOutFromTheRows) {
  for (std::uint32_t sizeImage : {0u, 1u, 1000u}) {
    const Bytes block = DibBlock({40, 5, 3, 24, 0, sizeImage, 0, {}, 0, testsupport::PatternPixels(16 * 3)});
    const Bytes file = FileFrom(block);
    ASSERT_EQ(54u + 48, file.size()) << sizeImage;
    EXPECT_EQ(48u, GetU32(file, 14 + 20)) << "the file's biSizeImage";
  }
}

TEST(BuildBmpPieces, TopDownRowsKeepTheirNegativeHeight) {
  const Bytes block = DibBlock({40, 3, -4, 8, 0, 0, 2, {}, 2, testsupport::PatternPixels(4 * 4)});
  const Bytes file = FileFrom(block);
  ExpectFileHeader(file, 54 + 8);
  EXPECT_EQ(static_cast<std::uint32_t>(-4), GetU32(file, 14 + 8));
  EXPECT_EQ(16u, file.size() - 62);
}

TEST(BuildBmpPieces, SixteenBitRgbAndOptionalPalettesAboveEightBits) {
  // 16-bit BI_RGB is 555 and stays as it is.
  const Bytes rgb16 = DibBlock({40, 3, 2, 16, 0, 16, 0, {}, 0, testsupport::PatternPixels(16)});
  const Bytes file16 = FileFrom(rgb16);
  ExpectFileHeader(file16, 54);
  EXPECT_EQ(Slice(rgb16, 0, 40), Slice(file16, 14, 40));

  // A palette before the pixels of a 24-bit bitmap is skipped, not carried.
  const Bytes block = DibBlock({40, 2, 2, 24, 0, 16, 3, {}, 3, testsupport::PatternPixels(16)});
  const Bytes file = FileFrom(block);
  ExpectFileHeader(file, 54);
  EXPECT_EQ(0u, GetU32(file, 14 + 32)) << "biClrUsed";
  EXPECT_EQ(Slice(block, 52, 16), Slice(file, 54, 16));
}

TEST(BuildBmpPieces, HeadersWithMasksInsideBecomeFortyBytes) {
  // Wine's CF_DIB from a program's BI_BITFIELDS CF_DIBV5: biSize 52.
  const Bytes block565 = DibBlock({52, 3, 2, 16, 3, 16, 0, {0xF800, 0x07E0, 0x001F}, 0, Bytes(16, 9)});
  const Bytes file565 = FileFrom(block565);
  ExpectFileHeader(file565, 66);
  EXPECT_EQ(40u, GetU32(file565, 14)) << "biSize";
  EXPECT_EQ(Slice(block565, 4, 36), Slice(file565, 18, 36));
  EXPECT_EQ(Slice(block565, 40, 12), Slice(file565, 54, 12)) << "masks after the header";
  EXPECT_EQ(Slice(block565, 52, 16), Slice(file565, 66, 16));

  const Bytes standard =
      DibBlock({52, 2, 1, 32, 3, 8, 0, {kStandard32[0], kStandard32[1], kStandard32[2]}, 0, Bytes(8, 3)});
  const Bytes fileStandard = FileFrom(standard);
  ExpectFileHeader(fileStandard, 54);
  EXPECT_EQ(0u, GetU32(fileStandard, 14 + 16)) << "BI_RGB";
  EXPECT_EQ(62u, fileStandard.size());

  // 56 bytes: the alpha mask, which a 40-byte header cannot carry, is left out.
  const Bytes alpha = DibBlock({56, 2, 1, 32, 3, 8, 0, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, 0, Bytes(8, 3)});
  const Bytes fileAlpha = FileFrom(alpha);
  ExpectFileHeader(fileAlpha, 66);
  EXPECT_EQ(Slice(alpha, 40, 12), Slice(fileAlpha, 54, 12));
  EXPECT_EQ(Slice(alpha, 56, 8), Slice(fileAlpha, 66, 8));
}

TEST(BuildBmpPieces, V4AndV5HeadersAreKeptWhole) {
  for (std::uint32_t headerSize : {108u, 124u}) {
    const Bytes block =
        DibBlock({headerSize, 3, 2, 16, 3, 0, 0, {0xF800, 0x07E0, 0x001F}, 0, testsupport::PatternPixels(16)});
    const Bytes file = FileFrom(block);
    ExpectFileHeader(file, 14 + headerSize);
    Bytes header = Slice(block, 0, headerSize);
    testsupport::PutU32(header, 20, 16);  // biSizeImage worked out
    EXPECT_EQ(header, Slice(file, 14, headerSize)) << headerSize;
    EXPECT_EQ(Slice(block, headerSize, 16), Slice(file, 14 + headerSize, 16));
  }

  // With a colour table, and with the three masks repeated after the header.
  const Bytes indexed = DibBlock({124, 4, 2, 4, 0, 0, 3, {}, 3, Bytes(8, 0x12)});
  ExpectFileHeader(FileFrom(indexed), 14 + 124 + 12);
  Bytes repeated = DibBlock({124, 2, 1, 32, 3, 8, 0, {0xFF, 0xFF00, 0xFF0000}, 0, {}});
  const Bytes masks = Slice(repeated, 40, 12);
  repeated.insert(repeated.end(), masks.begin(), masks.end());
  repeated.insert(repeated.end(), {1, 2, 3, 4, 5, 6, 7, 8});
  const BmpPieces p = BuildBmpPieces(repeated.data(), repeated.size());
  ASSERT_TRUE(p.valid);
  EXPECT_EQ(136u, p.pixelOffset) << "the repeated masks are skipped";
}

TEST(BuildBmpPieces, V5ColourProfileIsNotCarriedAndTheFileSaysSrgb) {
  for (std::uint32_t profile : {0x4C494E4Bu /* LINK */, 0x4D424544u /* MBED */}) {
    Bytes block = DibBlock({124, 1, 1, 24, 0, 4, 0, {}, 0, {1, 2, 3, 0}});
    testsupport::PutU32(block, 56, profile);
    testsupport::PutU32(block, 112, 128);
    testsupport::PutU32(block, 116, 20);
    block.resize(block.size() + 20, 0x55);  // the profile follows the pixels
    const Bytes file = FileFrom(block);
    ASSERT_EQ(14u + 124 + 4, file.size());
    EXPECT_EQ(0x73524742u, GetU32(file, 14 + 56));
    EXPECT_EQ(0u, GetU32(file, 14 + 112));
    EXPECT_EQ(0u, GetU32(file, 14 + 116));
  }
}

TEST(BuildBmpPieces, RleStaysCompressedWithItsTable) {
  const Bytes rle8{2, 7, 0, 0, 1, 9, 0, 1};  // a run of two, end of line, one, end of bitmap
  const Bytes block8 = DibBlock({40, 2, 2, 8, 1, 8, 10, {}, 10, rle8});
  const Bytes file8 = FileFrom(block8);
  ExpectFileHeader(file8, 54 + 40);
  EXPECT_EQ(1u, GetU32(file8, 14 + 16)) << "BI_RLE8";
  EXPECT_EQ(8u, GetU32(file8, 14 + 20));
  EXPECT_EQ(rle8, Slice(file8, 94, 8));

  const Bytes block4 = DibBlock({40, 4, 1, 4, 2, 4, 0, {}, 16, {4, 0x12, 0, 1}});
  const Bytes file4 = FileFrom(block4);
  ExpectFileHeader(file4, 54 + 64);
  EXPECT_EQ(2u, GetU32(file4, 14 + 16)) << "BI_RLE4";

  EXPECT_FALSE(Accepted(DibBlock({40, 2, 2, 8, 1, 0, 0, {}, 256, rle8}))) << "no biSizeImage";
  EXPECT_FALSE(Accepted(DibBlock({40, 2, 2, 8, 1, 9, 0, {}, 256, rle8}))) << "a stream past the block";
  EXPECT_FALSE(Accepted(DibBlock({40, 2, -2, 8, 1, 8, 0, {}, 256, rle8}))) << "top-down";
  EXPECT_FALSE(Accepted(DibBlock({40, 2, 2, 4, 1, 8, 0, {}, 16, rle8}))) << "RLE8 at 4 bits";
}

TEST(BuildBmpPieces, LayoutsThatCannotBeWrittenFaithfullyAreRefused) {
  auto parts = [] { return DibParts{40, 2, 2, 24, 0, 0, 0, {}, 0, Bytes(16, 0)}; };
  ASSERT_TRUE(Accepted(DibBlock(parts())));

  for (std::uint32_t compression : {4u, 5u, 6u, 11u, 0x47504A4Du}) {  // JPEG, PNG, alpha masks, CMYK, other
    DibParts p = parts();
    p.compression = compression;
    EXPECT_FALSE(Accepted(DibBlock(p))) << "compression " << compression;
  }
  for (std::uint16_t bits : {0, 2, 15, 48}) {
    DibParts p = parts();
    p.bitCount = bits;
    EXPECT_FALSE(Accepted(DibBlock(p))) << bits << " bits";
  }
  DibParts bitfields24 = parts();
  bitfields24.compression = 3;
  bitfields24.masks = {0xFF0000, 0xFF00, 0xFF};
  EXPECT_FALSE(Accepted(DibBlock(bitfields24))) << "masks at 24 bits";

  for (std::uint32_t headerSize : {12u, 39u, 44u, 64u, 100u, 200u}) {
    DibParts p = parts();
    p.headerSize = headerSize;
    EXPECT_FALSE(Accepted(DibBlock(p))) << "biSize " << headerSize;
  }
  for (std::int32_t width : {0, -2}) {
    DibParts p = parts();
    p.width = width;
    EXPECT_FALSE(Accepted(DibBlock(p))) << "width " << width;
  }
  for (std::int32_t height : {0, INT_MIN}) {
    DibParts p = parts();
    p.height = height;
    EXPECT_FALSE(Accepted(DibBlock(p))) << "height " << height;
  }
  Bytes noPlanes = DibBlock(parts());
  testsupport::PutU16(noPlanes, 12, 0);
  EXPECT_FALSE(Accepted(noPlanes)) << "biPlanes 0";

  EXPECT_FALSE(Accepted(DibBlock({40, 2, 2, 4, 0, 0, 17, {}, 17, Bytes(8, 0)}))) << "17 colours at 4 bits";
}

TEST(BuildBmpPieces, BlockShorterThanItsHeaderClaimsIsRefusedWithoutReadingPastIt) {
  EXPECT_FALSE(Accepted(Bytes())) << "no block";
  EXPECT_FALSE(Accepted(Bytes(39, 0))) << "shorter than a header";
  EXPECT_FALSE(BuildBmpPieces(nullptr, 100).valid);

  Bytes v5 = DibBlock({124, 1, 1, 24, 0, 0, 0, {}, 0, Bytes(4, 1)});
  EXPECT_TRUE(Accepted(v5));
  EXPECT_FALSE(Accepted(Slice(v5, 0, 100))) << "a V5 header cut short";

  Bytes masks = testsupport::BitfieldsDib32(2, 1);
  EXPECT_FALSE(Accepted(Slice(masks, 0, 59)));

  // Dimensions whose product overflows 32 and 64 bits are refused, not wrapped.
  for (std::int32_t side : {0x10000, 0x7FFFFFFF}) {
    const Bytes huge = testsupport::InfoHeader(side, side, 32, 0, 0);
    EXPECT_FALSE(Accepted(huge)) << side;
  }
  EXPECT_FALSE(Accepted(DibBlock({40, 1, 1, 8, 1, 0xFFFFFFF0u, 0, {}, 256, Bytes(24, 0)}))) << "RLE size near 4 GiB";
}

TEST(BuildBmpPieces, BytesAfterThePixelsAreIgnored) {
  // GlobalSize may report more than the bitmap needs.
  for (std::size_t spare : {1u, 4u, 12u, 16u, 100u}) {
    Bytes block = testsupport::RgbDib(1, 1, 32);
    block.resize(block.size() + spare, 0xAB);
    const BmpPieces p = BuildBmpPieces(block.data(), block.size());
    ASSERT_TRUE(p.valid) << spare;
    EXPECT_EQ(40u, p.pixelOffset) << spare;
    EXPECT_EQ(4u, p.pixelLength) << spare;
  }
}

}  // namespace
