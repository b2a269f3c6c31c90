#include "capture/bmp_pieces.h"

#include <cstring>

namespace {

void WriteU32(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
  p[2] = static_cast<std::uint8_t>(value >> 16);
  p[3] = static_cast<std::uint8_t>(value >> 24);
}

// Header fields, by offset.
constexpr std::size_t kCompressionAt = 16;
constexpr std::size_t kSizeImageAt = 20;
constexpr std::size_t kClrUsedAt = 32;
constexpr std::size_t kColourSpaceAt = 56;   // V4 and V5
constexpr std::size_t kProfileDataAt = 112;  // V5
constexpr std::size_t kProfileSizeAt = 116;

constexpr std::uint32_t kLcsSrgb = 0x73524742;          // 'sRGB'
constexpr std::uint32_t kProfileLinked = 0x4C494E4B;    // 'LINK'
constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'

// The masks that BI_RGB means at this depth, so a file may say BI_RGB instead.
bool StandardMasks(const std::uint8_t* masks, std::uint16_t bitCount) {
  const std::uint32_t red = ReadU32(masks), green = ReadU32(masks + 4), blue = ReadU32(masks + 8);
  if (bitCount == 16) return red == 0x7C00 && green == 0x03E0 && blue == 0x001F;
  return red == 0x00FF0000 && green == 0x0000FF00 && blue == 0x000000FF;
}

bool Uncompressed(std::uint32_t compression) { return compression == kBiRgb || compression == kBiBitfields; }

}  // namespace

BmpPieces BuildBmpPieces(const std::uint8_t* block, std::size_t size) {
  BmpPieces pieces;
  DibLayout layout;
  if (!ReadDibLayout(block, size, &layout)) return pieces;

  // Viewers read 40-byte, V4 and V5 headers; the 52- and 56-byte ones become
  // 40 bytes, their masks written after the header as a 40-byte one has them.
  const std::uint32_t headerSize = layout.headerSize >= kV4HeaderBytes ? layout.headerSize : kInfoHeaderBytes;
  std::uint8_t* info = pieces.bitmapInfo;
  std::memcpy(info, block, headerSize);
  WriteU32(info, headerSize);
  std::uint32_t length = headerSize;

  if (Uncompressed(layout.compression)) WriteU32(info + kSizeImageAt, layout.pixelLength);

  if (layout.compression == kBiBitfields && headerSize == kInfoHeaderBytes) {
    if (StandardMasks(block + kMasksOffset, layout.bitCount)) {
      WriteU32(info + kCompressionAt, kBiRgb);
    } else {
      std::memcpy(info + length, block + kMasksOffset, kMaskBytes);
      length += kMaskBytes;
    }
  }

  if (layout.bitCount <= 8) {
    const std::uint32_t tableBytes = layout.colourCount * kColourEntryBytes;
    std::memcpy(info + length, block + layout.colourOffset, tableBytes);
    length += tableBytes;
  } else {
    WriteU32(info + kClrUsedAt, 0);
  }

  if (headerSize == kV5HeaderBytes) {
    const std::uint32_t colourSpace = ReadU32(info + kColourSpaceAt);
    if (colourSpace == kProfileLinked || colourSpace == kProfileEmbedded) {
      WriteU32(info + kColourSpaceAt, kLcsSrgb);
      WriteU32(info + kProfileDataAt, 0);
      WriteU32(info + kProfileSizeAt, 0);
    }
  }

  std::uint8_t* file = pieces.fileHeader;
  file[0] = 'B';
  file[1] = 'M';
  WriteU32(file + 2, kFileHeaderBytes + length + layout.pixelLength);
  WriteU32(file + 6, 0);
  WriteU32(file + 10, kFileHeaderBytes + length);

  pieces.bitmapInfoLength = length;
  pieces.pixelOffset = layout.pixelOffset;
  pieces.pixelLength = layout.pixelLength;
  pieces.valid = true;
  return pieces;
}
