// Builds clipboard bitmap blocks (CF_DIB: a header, optional masks and colour
// table, then the rows) for the tests, and reads BMP files back.
#pragma once

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint32_t GetU32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A 40-byte BITMAPINFOHEADER.
inline Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                        std::uint32_t compression, std::uint32_t sizeImage) {
  Bytes h(40, 0);
  PutU32(h, 0, 40);
  PutU32(h, 4, static_cast<std::uint32_t>(width));
  PutU32(h, 8, static_cast<std::uint32_t>(height));
  PutU16(h, 12, 1);
  PutU16(h, 14, bitCount);
  PutU32(h, 16, compression);
  PutU32(h, 20, sizeImage);
  PutU32(h, 24, 2835);  // 72 dpi
  PutU32(h, 28, 2835);
  return h;
}

inline std::uint32_t RowStride(std::int32_t width, std::uint16_t bitCount) {
  return ((static_cast<std::uint32_t>(width) * bitCount + 31) / 32) * 4;
}

// Deterministic pixel bytes, different in every position.
inline Bytes PatternPixels(std::size_t count, std::uint8_t seed = 1) {
  Bytes p(count);
  for (std::size_t i = 0; i < count; ++i) p[i] = static_cast<std::uint8_t>(i * 37 + seed * 11 + (i >> 8));
  return p;
}

// BI_RGB block of any depth above 8 bits: header then rows.
inline Bytes RgbDib(std::int32_t width, std::int32_t height, std::uint16_t bitCount, std::uint8_t seed = 1) {
  const std::uint32_t size = RowStride(width, bitCount) * static_cast<std::uint32_t>(height < 0 ? -height : height);
  Bytes block = InfoHeader(width, height, bitCount, 0, size);
  const Bytes pixels = PatternPixels(size, seed);
  block.insert(block.end(), pixels.begin(), pixels.end());
  return block;
}

// 32-bit BI_BITFIELDS block with the standard masks between header and rows.
inline Bytes BitfieldsDib32(std::int32_t width, std::int32_t height, std::uint8_t seed = 1) {
  const std::uint32_t size = RowStride(width, 32) * static_cast<std::uint32_t>(height);
  Bytes block = InfoHeader(width, height, 32, 3, size);
  Bytes masks(12, 0);
  PutU32(masks, 0, 0x00FF0000);
  PutU32(masks, 4, 0x0000FF00);
  PutU32(masks, 8, 0x000000FF);
  block.insert(block.end(), masks.begin(), masks.end());
  const Bytes pixels = PatternPixels(size, seed);
  block.insert(block.end(), pixels.begin(), pixels.end());
  return block;
}

// Any layout, part by part: a header of `headerSize` bytes (the fields after
// the first 40 zero, except the masks at byte 40 of a larger one), the masks
// after a 40-byte header, `tableEntries` colour-table entries, then `pixels`.
struct DibParts {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::uint32_t clrUsed = 0;
  std::vector<std::uint32_t> masks;
  std::uint32_t tableEntries = 0;
  Bytes pixels;
};

inline Bytes DibBlock(const DibParts& parts) {
  Bytes block = InfoHeader(parts.width, parts.height, parts.bitCount, parts.compression, parts.sizeImage);
  PutU32(block, 0, parts.headerSize);
  PutU32(block, 32, parts.clrUsed);
  block.resize(parts.headerSize < 40 ? 40 : parts.headerSize, 0);
  Bytes masks(parts.masks.size() * 4);
  for (std::size_t i = 0; i < parts.masks.size(); ++i) PutU32(masks, 4 * i, parts.masks[i]);
  if (parts.headerSize > 40) {
    std::copy(masks.begin(), masks.end(), block.begin() + 40);
  } else {
    block.insert(block.end(), masks.begin(), masks.end());
  }
  const Bytes table = PatternPixels(parts.tableEntries * 4, 7);
  block.insert(block.end(), table.begin(), table.end());
  block.insert(block.end(), parts.pixels.begin(), parts.pixels.end());
  return block;
}

}  // namespace testsupport
