// Where the parts of a clipboard bitmap block (CF_DIB) lie: the header, the
// colour masks, the colour table and the pixels. Read from the header and
// checked against the block's size, so that nothing is read past its end.
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

// The red, green and blue masks of a BI_BITFIELDS bitmap always sit at block
// byte 40: just after a 40-byte header, or inside a larger one.
constexpr std::uint32_t kMasksOffset = 40;
constexpr std::uint32_t kMaskBytes = 12;
constexpr std::uint32_t kColourEntryBytes = 4;  // RGBQUAD
constexpr std::uint32_t kMaxColourEntries = 256;

struct DibLayout {
  std::uint32_t headerSize = 0;  // biSize
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t colourOffset = 0;  // the colour table in the block
  std::uint32_t colourCount = 0;   // its entries; for more than 8 bits an optional palette
  std::uint32_t pixelOffset = 0;
  std::uint32_t pixelLength = 0;   // rows times stride, or biSizeImage when compressed
};

// False when the block does not hold what its header claims, or is a kind
// of bitmap that cannot be written faithfully (JPEG, PNG, unknown headers or
// depths). Reads at most `size` bytes and changes nothing.
bool ReadDibLayout(const std::uint8_t* block, std::size_t size, DibLayout* layout);

// The little-endian 32-bit value at p.
std::uint32_t ReadU32(const std::uint8_t* p);
