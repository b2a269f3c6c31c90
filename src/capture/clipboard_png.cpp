#include "capture/clipboard_png.h"

#include <cstring>

namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkFrame = 12;  // length, type, CRC
constexpr std::uint32_t kIhdrBytes = 13;
constexpr std::uint32_t kMaxChunkOrSide = 0x7FFFFFFF;

std::uint32_t ReadBigEndian(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// CRC-32 eight bytes a step: the check runs while the clipboard is held.
struct CrcTables {
  std::uint32_t t[8][256] = {};
};

constexpr CrcTables MakeCrcTables() {
  CrcTables c;
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t v = n;
    for (int k = 0; k < 8; ++k) v = (v & 1) != 0 ? 0xEDB88320u ^ (v >> 1) : v >> 1;
    c.t[0][n] = v;
  }
  for (std::uint32_t n = 0; n < 256; ++n) {
    for (int k = 1; k < 8; ++k) c.t[k][n] = (c.t[k - 1][n] >> 8) ^ c.t[0][c.t[k - 1][n] & 0xFF];
  }
  return c;
}
constexpr CrcTables kCrc = MakeCrcTables();

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
  const auto& t = kCrc.t;
  std::uint32_t c = 0xFFFFFFFF;
  for (; n >= 8; p += 8, n -= 8) {
    const std::uint32_t lo = c ^ (p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24);
    const std::uint32_t hi = p[4] | p[5] << 8 | p[6] << 16 | static_cast<std::uint32_t>(p[7]) << 24;
    c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][hi & 0xFF] ^
        t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
  }
  for (; n > 0; ++p, --n) c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFF;
}

}  // namespace

PngExtent CheckPngBlock(const std::uint8_t* block, std::size_t size, std::uint64_t pixelBytes) {
  PngExtent png;
  if (block == nullptr || size < sizeof kSignature || std::memcmp(block, kSignature, sizeof kSignature) != 0) {
    return png;
  }
  for (std::size_t at = sizeof kSignature;;) {
    if (size - at < kChunkFrame) return png;
    const std::uint32_t length = ReadBigEndian(block + at);
    if (length > kMaxChunkOrSide || length > size - at - kChunkFrame) return png;
    const std::uint8_t* type = block + at + 4;
    if (at == sizeof kSignature) {
      if (std::memcmp(type, "IHDR", 4) != 0 || length != kIhdrBytes) return png;
      png.width = ReadBigEndian(type + 4);
      png.height = ReadBigEndian(type + 8);
      if (png.width == 0 || png.height == 0 || png.width > kMaxChunkOrSide || png.height > kMaxChunkOrSide ||
          std::uint64_t{png.width} * png.height * 4 > pixelBytes) {
        return png;
      }
    }
    if (Crc32(type, 4 + std::size_t{length}) != ReadBigEndian(type + 4 + length)) return png;
    at += kChunkFrame + length;
    if (std::memcmp(type, "IEND", 4) == 0) {
      png.valid = true;
      png.length = at;
      return png;
    }
  }
}
