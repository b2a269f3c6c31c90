#include "capture/bmp_pieces.h"

#include <cstring>

namespace {

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void WriteU32(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
  p[2] = static_cast<std::uint8_t>(value >> 16);
  p[3] = static_cast<std::uint8_t>(value >> 24);
}

constexpr std::size_t kCompressionOffset = 16;
constexpr std::uint32_t kBitfieldMaskBytes = 12;

}  // namespace

BmpPieces BuildBmpPieces(const std::uint8_t* block, std::size_t size) {
  BmpPieces pieces;
  if (block == nullptr || size < kInfoHeaderBytes) return pieces;

  const std::uint32_t biSize = ReadU32(block);
  const std::uint32_t biSizeImage = ReadU32(block + 20);
  const std::uint32_t blockSize = static_cast<std::uint32_t>(size);

  // Exactly 12 spare bytes between header and pixels are the three colour
  // masks of a BI_BITFIELDS bitmap: they are skipped, and the file says BI_RGB.
  const std::uint32_t spare = blockSize - biSize - biSizeImage;
  pieces.pixelOffset = spare == kBitfieldMaskBytes ? kInfoHeaderBytes + kBitfieldMaskBytes : kInfoHeaderBytes;
  pieces.pixelLength = biSizeImage;
  if (static_cast<std::uint64_t>(pieces.pixelOffset) + pieces.pixelLength > size) return pieces;

  std::uint8_t* file = pieces.fileHeader;
  file[0] = 'B';
  file[1] = 'M';
  WriteU32(file + 2, biSizeImage + kFileHeaderBytes + kInfoHeaderBytes);
  WriteU32(file + 6, 0);
  WriteU32(file + 10, kFileHeaderBytes + kInfoHeaderBytes);

  std::memcpy(pieces.infoHeader, block, kInfoHeaderBytes);
  WriteU32(pieces.infoHeader + kCompressionOffset, 0);
  pieces.infoLength = kInfoHeaderBytes;
  pieces.valid = true;
  return pieces;
}
