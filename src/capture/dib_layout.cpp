#include "capture/dib_layout.h"

#include <limits>

namespace {

bool KnownHeaderSize(std::uint32_t size) {
  return size == kInfoHeaderBytes || size == kMasksInHeaderBytes || size == kAlphaMaskInHeaderBytes ||
         size == kV4HeaderBytes || size == kV5HeaderBytes;
}

// The depths each compression allows; RLE is bottom-up only. Anything else
// (JPEG, PNG, CMYK) is refused rather than written as what it is not.
bool KnownDepth(std::uint32_t compression, std::uint16_t bitCount, std::int32_t height) {
  switch (compression) {
    case kBiRgb:
      return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    case kBiRle8:
      return bitCount == 8 && height > 0;
    case kBiRle4:
      return bitCount == 4 && height > 0;
    case kBiBitfields:
      return bitCount == 16 || bitCount == 32;
    default:
      return false;
  }
}

}  // namespace

bool ReadDibLayout(const std::uint8_t* block, std::size_t size, DibLayout* layout) {
  if (block == nullptr || size < kInfoHeaderBytes) return false;
  const std::uint32_t headerSize = ReadU32(block);
  const std::int32_t width = static_cast<std::int32_t>(ReadU32(block + kWidthAt));
  const std::int32_t height = static_cast<std::int32_t>(ReadU32(block + kHeightAt));
  const std::uint16_t planes = ReadU16(block + kPlanesAt);
  const std::uint16_t bitCount = ReadU16(block + kBitCountAt);
  const std::uint32_t compression = ReadU32(block + kCompressionAt);
  const std::uint32_t sizeImage = ReadU32(block + kSizeImageAt);
  const std::uint32_t clrUsed = ReadU32(block + kClrUsedAt);

  if (!KnownHeaderSize(headerSize) || size < headerSize) return false;
  if (planes != 1 || width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) return false;
  if (!KnownDepth(compression, bitCount, height)) return false;

  // Up to 8 bits a pixel is an index into the table, which has biClrUsed
  // entries, or all 2^bits when that is 0. Above, biClrUsed counts an
  // optional palette that only sits between the header and the pixels.
  std::uint64_t colourCount = clrUsed;
  if (bitCount <= 8) {
    const std::uint32_t full = 1u << bitCount;
    if (clrUsed > full) return false;
    if (clrUsed == 0) colourCount = full;
  }

  const bool masksFollowHeader = headerSize == kInfoHeaderBytes && compression == kBiBitfields;
  const std::uint64_t colourOffset = headerSize + (masksFollowHeader ? kMaskBytes : 0);
  std::uint64_t pixelOffset = colourOffset + colourCount * kColourEntryBytes;

  std::uint64_t pixelLength = 0;
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
  const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (compression == kBiRle8 || compression == kBiRle4) {
    // A compressed bitmap's length is known only from its header.
    if (sizeImage == 0) return false;
    pixelLength = sizeImage;
  } else {
    // biSizeImage may be 0 (or wrong) for uncompressed rows: work it out.
    if (rows > size / stride) return false;  // cannot fit, and the product cannot wrap
    pixelLength = stride * rows;
  }
  if (pixelOffset > size || pixelLength > size - pixelOffset) return false;

  // Some programs repeat the three masks after a larger header that holds
  // them already: exactly 12 spare bytes there are that copy, and skipped.
  std::uint64_t skipped = 0;
  if (compression == kBiBitfields && !masksFollowHeader && size - pixelOffset - pixelLength == kMaskBytes) {
    skipped = kMaskBytes;
  }
  pixelOffset += skipped;

  // The file's size, with its 14-byte file header, is a 32-bit field.
  const std::uint64_t fileLimit = std::numeric_limits<std::uint32_t>::max() - 14;
  if (pixelOffset + pixelLength > fileLimit) return false;

  layout->headerSize = headerSize;
  layout->width = width;
  layout->height = height;
  layout->rows = static_cast<std::uint32_t>(rows);
  layout->stride = static_cast<std::uint32_t>(stride);
  layout->bitCount = bitCount;
  layout->compression = compression;
  layout->masks = {};
  if (compression == kBiBitfields) {
    layout->masks = {ReadU32(block + kMasksOffset), ReadU32(block + kMasksOffset + 4),
                     ReadU32(block + kMasksOffset + 8),
                     headerSize >= kV4HeaderBytes ? ReadU32(block + kAlphaMaskAt) : 0};
  }
  layout->colourOffset = static_cast<std::uint32_t>(colourOffset + skipped);
  layout->colourCount = static_cast<std::uint32_t>(colourCount);
  layout->pixelOffset = static_cast<std::uint32_t>(pixelOffset);
  layout->pixelLength = static_cast<std::uint32_t>(pixelLength);
  return true;
}

bool SameColourMasks(const DibMasks& a, const DibMasks& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

std::uint32_t DibPixelAt(const std::uint8_t* row, std::int32_t x, std::uint16_t bitCount) {
  if (bitCount == 16) return ReadU16(row + 2 * x);
  return ReadU32(row + 4 * x);
}

bool DibAlphaUsed(const DibLayout& layout, const std::uint8_t* block) {
  const std::uint32_t alpha = layout.masks.alpha;
  if (layout.headerSize < kV4HeaderBytes || layout.compression != kBiBitfields || alpha == 0) return false;
  const std::uint8_t* pixels = block + layout.pixelOffset;
  for (std::uint32_t y = 0; y < layout.rows; ++y) {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * layout.stride;
    for (std::int32_t x = 0; x < layout.width; ++x) {
      if ((DibPixelAt(row, x, layout.bitCount) & alpha) != 0) return true;
    }
  }
  return false;
}
