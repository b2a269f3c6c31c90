// Where the parts of a clipboard bitmap block (CF_DIB or CF_DIBV5) lie and
// what its header says: the header, the colour masks, the colour table and
// the pixels. Read once from the header and checked against the block's
// size, so that nothing is read past its end; the BMP, PNG and JPEG saves
// all work from this one reading.
#pragma once

#include <cstddef>
#include <cstdint>

// biCompression values this program saves.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

// biSize values: BITMAPINFOHEADER, then the larger headers whose first 40
// bytes are the same fields. 52 and 56 carry the colour masks inside the
// header (Wine makes a 52-byte one from a program's BITMAPV5HEADER).
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kMasksInHeaderBytes = 52;
constexpr std::uint32_t kAlphaMaskInHeaderBytes = 56;
constexpr std::uint32_t kV4HeaderBytes = 108;
constexpr std::uint32_t kV5HeaderBytes = 124;

// Header fields, by offset.
constexpr std::size_t kWidthAt = 4;
constexpr std::size_t kHeightAt = 8;
constexpr std::size_t kPlanesAt = 12;
constexpr std::size_t kBitCountAt = 14;
constexpr std::size_t kCompressionAt = 16;
constexpr std::size_t kSizeImageAt = 20;
constexpr std::size_t kClrUsedAt = 32;
constexpr std::size_t kAlphaMaskAt = 52;     // V4 and V5
constexpr std::size_t kColourSpaceAt = 56;   // V4 and V5
constexpr std::size_t kProfileDataAt = 112;  // V5
constexpr std::size_t kProfileSizeAt = 116;

constexpr std::uint32_t kLcsSrgb = 0x73524742;  // 'sRGB'

// The red, green and blue masks of a BI_BITFIELDS bitmap always sit at block
// byte 40: just after a 40-byte header, or inside a larger one.
constexpr std::uint32_t kMasksOffset = 40;
constexpr std::uint32_t kMaskBytes = 12;
constexpr std::uint32_t kColourEntryBytes = 4;  // RGBQUAD
constexpr std::uint32_t kMaxColourEntries = 256;

struct DibMasks {
  std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};
// What BI_RGB means at 16 and at 32 bits, and the 565 that every BMP decoder
// reads as well.
constexpr DibMasks kMasks555{0x7C00, 0x03E0, 0x001F, 0};
constexpr DibMasks kMasks565{0xF800, 0x07E0, 0x001F, 0};
constexpr DibMasks kMasks888{0x00FF0000, 0x0000FF00, 0x000000FF, 0};

struct DibLayout {
  std::uint32_t headerSize = 0;  // biSize
  std::int32_t width = 0;
  std::int32_t height = 0;       // negative for top-down rows
  std::uint32_t rows = 0;
  std::uint32_t stride = 0;      // bytes a row, uncompressed
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  // BI_BITFIELDS only. The alpha mask is read from V4 and V5 headers alone:
  // a 56-byte header's is written by no program that means it.
  DibMasks masks;
  std::uint32_t colourOffset = 0;  // the colour table in the block
  std::uint32_t colourCount = 0;   // its entries; for more than 8 bits an optional palette
  std::uint32_t pixelOffset = 0;
  std::uint32_t pixelLength = 0;   // rows times stride, or biSizeImage when compressed
};

// False when the block does not hold what its header claims, or is a kind
// of bitmap that cannot be written faithfully (JPEG, PNG, unknown headers or
// depths). Reads at most `size` bytes and changes nothing.
bool ReadDibLayout(const std::uint8_t* block, std::size_t size, DibLayout* layout);

// The red, green and blue masks are these.
bool SameColourMasks(const DibMasks& a, const DibMasks& b);

// True when the picture's alpha is worth keeping: a V4 or V5 header that
// declares BI_BITFIELDS with an alpha mask, and some pixel whose alpha is not
// 0. Every other picture is opaque: a fourth byte without a mask is no alpha,
// and a picture whose every alpha is 0 would be saved invisible.
bool DibAlphaUsed(const DibLayout& layout, const std::uint8_t* block);

// The pixel at column x of a 16- or 32-bit row.
std::uint32_t DibPixelAt(const std::uint8_t* row, std::int32_t x, std::uint16_t bitCount);

// Little-endian fields.
inline std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void WriteU32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
