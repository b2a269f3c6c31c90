#include "capture/bmp_pieces.h"

#include <cstring>

namespace {

constexpr std::uint32_t kProfileLinked = 0x4C494E4B;    // 'LINK'
constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'

bool Uncompressed(std::uint32_t compression) { return compression == kBiRgb || compression == kBiBitfields; }

}  // namespace

BmpPieces BuildBmpPieces(const std::uint8_t* block, std::size_t size) {
  BmpPieces pieces;
  DibLayout& layout = pieces.layout;
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
    // The masks that BI_RGB means at this depth: the file may say BI_RGB instead.
    if (SameColourMasks(layout.masks, layout.bitCount == 16 ? kMasks555 : kMasks888)) {
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
