// Assembles a BMP file from a clipboard bitmap block (CF_DIB) without copying
// the pixels: the file is `fileHeader`, then `infoHeader`, then the block's
// bytes [pixelOffset, pixelOffset + pixelLength).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;

struct BmpPieces {
  // False when the block does not hold what its header claims; the other
  // fields are then meaningless and nothing may be written.
  bool valid = false;
  std::uint8_t fileHeader[kFileHeaderBytes] = {};
  std::uint8_t infoHeader[kInfoHeaderBytes] = {};
  std::uint32_t infoLength = 0;
  std::uint32_t pixelOffset = 0;
  std::uint32_t pixelLength = 0;
};

// Reads the block (and never past `size` bytes); changes nothing.
BmpPieces BuildBmpPieces(const std::uint8_t* block, std::size_t size);
