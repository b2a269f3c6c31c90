#include <gtest/gtest.h>

#include <vector>

#include "capture/bmp_pieces.h"
#include "support/dib_blocks.h"

namespace {

using testsupport::Bytes;

Bytes FileFrom(const Bytes& block) {
  const BmpPieces p = BuildBmpPieces(block.data(), block.size());
  EXPECT_TRUE(p.valid);
  Bytes file(p.fileHeader, p.fileHeader + kFileHeaderBytes);
  file.insert(file.end(), p.infoHeader, p.infoHeader + p.infoLength);
  file.insert(file.end(), block.begin() + p.pixelOffset, block.begin() + p.pixelOffset + p.pixelLength);
  return file;
}

TEST(BuildBmpPieces, OneByOne24BitBlockGivesThe58ByteFile) {
  Bytes block = testsupport::InfoHeader(1, 1, 24, 0, 4);
  block.insert(block.end(), {0x11, 0x22, 0x33, 0x00});
  ASSERT_EQ(44u, block.size());

  const Bytes file = FileFrom(block);
  ASSERT_EQ(58u, file.size());
  const Bytes start{0x42, 0x4D, 0x3A, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0};
  EXPECT_EQ(start, Bytes(file.begin(), file.begin() + 14));
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 40), Bytes(file.begin() + 14, file.begin() + 54));
  EXPECT_EQ((Bytes{0x11, 0x22, 0x33, 0x00}), Bytes(file.begin() + 54, file.end()));
}

TEST(BuildBmpPieces, BitfieldsMasksAreDroppedAndTheFileSaysRgb) {
  const Bytes block = testsupport::BitfieldsDib32(2, 1);
  ASSERT_EQ(60u, block.size());
  const Bytes before = block;

  const Bytes file = FileFrom(block);
  ASSERT_EQ(62u, file.size());
  EXPECT_EQ(62u, testsupport::GetU32(file, 2));
  EXPECT_EQ(54u, testsupport::GetU32(file, 10));
  EXPECT_EQ(0u, testsupport::GetU32(file, 14 + 16)) << "biCompression";
  EXPECT_EQ(Bytes(block.begin() + 52, block.end()), Bytes(file.begin() + 54, file.end()));
  EXPECT_EQ(before, block) << "the clipboard's own block is never changed";
}

TEST(BuildBmpPieces, PixelsStartAt52OnlyForExactlyTwelveSpareBytes) {
  for (std::size_t spare : {0u, 4u, 11u, 12u, 13u, 16u}) {
    Bytes block = testsupport::InfoHeader(1, 1, 32, 0, 4);
    block.resize(40 + spare + 4, 0xAB);
    const BmpPieces p = BuildBmpPieces(block.data(), block.size());
    ASSERT_TRUE(p.valid) << spare;
    EXPECT_EQ(spare == 12 ? 52u : 40u, p.pixelOffset) << spare;
    EXPECT_EQ(4u, p.pixelLength);
  }
}

TEST(BuildBmpPieces, ImageSizeNearFourGigabytesIsRefusedNotWrapped) {
  Bytes block = testsupport::InfoHeader(1, 1, 32, 0, 0xFFFFFFF0u);
  block.resize(64);
  const BmpPieces p = BuildBmpPieces(block.data(), block.size());
  EXPECT_FALSE(p.valid) << "the block cannot hold 4 GiB of pixels";
}

TEST(BuildBmpPieces, BlockShorterThanItsHeaderClaimsIsRefusedWithoutReadingPastIt) {
  // Each block is copied to an allocation of its exact size, so that a read
  // past its end is caught by AddressSanitizer.
  auto build = [](const Bytes& bytes) {
    std::vector<std::uint8_t>* exact = new std::vector<std::uint8_t>(bytes);
    exact->shrink_to_fit();
    const BmpPieces p = BuildBmpPieces(exact->data(), exact->size());
    delete exact;
    return p;
  };
  EXPECT_FALSE(build(Bytes(39, 0)).valid) << "shorter than a header";
  EXPECT_FALSE(build(Bytes()).valid);

  Bytes claimsTooMuch = testsupport::InfoHeader(2, 2, 24, 0, 16);
  claimsTooMuch.resize(40 + 15);
  EXPECT_FALSE(build(claimsTooMuch).valid);
  claimsTooMuch.resize(40 + 16);
  EXPECT_TRUE(build(claimsTooMuch).valid);

  EXPECT_FALSE(BuildBmpPieces(nullptr, 100).valid);
}

TEST(BuildBmpPieces, ZeroImageSizeWritesHeadersOnly) {
  const Bytes block = testsupport::InfoHeader(1, 1, 24, 0, 0);
  const BmpPieces p = BuildBmpPieces(block.data(), block.size());
  ASSERT_TRUE(p.valid);
  EXPECT_EQ(0u, p.pixelLength);
  EXPECT_EQ(54u, testsupport::GetU32(Bytes(p.fileHeader, p.fileHeader + 14), 2));
}

}  // namespace
