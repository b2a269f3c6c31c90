// Encodes a test image as a clipboard bitmap block (CF_DIB or CF_DIBV5) in a
// chosen layout, and says what a faithful viewer must show for it. Each
// layout's image uses only colours the layout can hold exactly, so the
// decoded file can be compared pixel for pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/image_decoder.h"

namespace testsupport {

struct DibLayoutRecipe {
  std::string name;
  std::uint32_t headerSize = 40;  // 40, 52, 56, 108 or 124
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;   // BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS, or another to be refused
  std::uint32_t masks[4] = {};     // red, green, blue (and alpha) for BI_BITFIELDS
  std::uint32_t clrUsed = 0;       // indexed layouts: colour-table entries, 0 for all
  bool topDown = false;
  bool sizeImageZero = false;
};

struct EncodedDib {
  std::vector<std::uint8_t> block;
  DecodedImage expected;  // what the bitmap shows, top row first
  // How far a decoded channel may be from `expected`: 0, or 1 when a channel
  // has more than 8 bits, as decoders round those to 8 bits differently.
  int tolerance = 0;
};

// A width × height image in the layout; `seed` varies the pixels.
EncodedDib EncodeDib(const DibLayoutRecipe& recipe, int width, int height, unsigned seed = 1);

}  // namespace testsupport
