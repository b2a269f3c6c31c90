#include "capture/dib_layout.h"

#include <limits>

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

namespace {

std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

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
  const std::int32_t width = static_cast<std::int32_t>(ReadU32(block + 4));
  const std::int32_t height = static_cast<std::int32_t>(ReadU32(block + 8));
  const std::uint16_t planes = ReadU16(block + 12);
  const std::uint16_t bitCount = ReadU16(block + 14);
  const std::uint32_t compression = ReadU32(block + 16);
  const std::uint32_t sizeImage = ReadU32(block + 20);
  const std::uint32_t clrUsed = ReadU32(block + 32);

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
  if (compression == kBiRle8 || compression == kBiRle4) {
    // A compressed bitmap's length is known only from its header.
    if (sizeImage == 0) return false;
    pixelLength = sizeImage;
  } else {
    // biSizeImage may be 0 (or wrong) for uncompressed rows: work it out.
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
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
  layout->bitCount = bitCount;
  layout->compression = compression;
  layout->colourOffset = static_cast<std::uint32_t>(colourOffset + skipped);
  layout->colourCount = static_cast<std::uint32_t>(colourCount);
  layout->pixelOffset = static_cast<std::uint32_t>(pixelOffset);
  layout->pixelLength = static_cast<std::uint32_t>(pixelLength);
  return true;
}
