// Assembles a BMP file from a clipboard bitmap block (CF_DIB) without copying
// the pixels: the file is `fileHeader`, then `bitmapInfo` (the header, the
// colour masks and the colour table the file carries), then the block's bytes
// [pixelOffset, pixelOffset + pixelLength).
#pragma once

#include <cstddef>
#include <cstdint>

#include "capture/dib_layout.h"

constexpr std::uint32_t kFileHeaderBytes = 14;
// A V5 header, three masks and a full colour table: each at its largest.
constexpr std::uint32_t kMaxBitmapInfoBytes = kV5HeaderBytes + kMaskBytes + kMaxColourEntries * kColourEntryBytes;

struct BmpPieces {
  // False when the block does not hold what its header claims, or holds a
  // bitmap that cannot be saved faithfully; nothing may then be written.
  bool valid = false;
  DibLayout layout;  // the block's, as read
  std::uint8_t fileHeader[kFileHeaderBytes] = {};
  std::uint8_t bitmapInfo[kMaxBitmapInfoBytes] = {};
  std::uint32_t bitmapInfoLength = 0;
  std::uint32_t pixelOffset = 0;
  std::uint32_t pixelLength = 0;
};

// Reads the block (and never past `size` bytes); changes nothing.
//
// What the file carries:
// - a 40-byte header stays 40 bytes; 52- and 56-byte ones (masks inside)
//   become 40 bytes with the masks after them; V4 and V5 headers are kept;
// - BI_BITFIELDS after a 40-byte header: the standard masks (555 for 16 bits,
//   888 for 32) are dropped and BI_RGB declared, other masks kept;
// - up to 8 bits a pixel, the colour table as the block has it; above, an
//   optional palette is not carried (biClrUsed 0);
// - uncompressed: biSizeImage is the rows times their stride, 0 or not;
//   RLE8 and RLE4 stay compressed with their biSizeImage;
// - a V5 header's linked or embedded colour profile is not carried: it then
//   declares sRGB.
BmpPieces BuildBmpPieces(const std::uint8_t* block, std::size_t size);
