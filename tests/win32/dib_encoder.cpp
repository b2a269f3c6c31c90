#include "dib_encoder.h"

namespace testsupport {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
  std::uint8_t r, g, b;
};

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Append32(Bytes& b, std::uint32_t v) {
  b.resize(b.size() + 4);
  Put32(b, b.size() - 4, v);
}

// Deterministic noise: neighbouring pixels differ.
std::uint32_t Hash(unsigned x, unsigned y, unsigned seed) {
  std::uint32_t h = x * 73856093u ^ y * 19349663u ^ seed * 83492791u;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return h;
}

int LowestBit(std::uint32_t mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int BitCount(std::uint32_t mask) {
  int n = 0;
  for (; mask != 0; mask &= mask - 1) ++n;
  return n;
}

// Widens a `from`-bit value to `to` bits by repeating its bits, as decoders do.
std::uint32_t Replicate(std::uint32_t v, int from, int to) {
  std::uint64_t r = 0;
  int filled = 0;
  while (filled < to) {
    r = (r << from) | v;
    filled += from;
  }
  return static_cast<std::uint32_t>(r >> (filled - to));
}

// A pixel value under the masks made from `noise`, and the colour it shows.
// Channels of up to 8 bits take any value, shown with its bits repeated.
// Wider ones take, for a chosen 8-bit e, the middle of the values whose top
// 8 bits are e; decoders show e or a neighbour (ImageMagick shows a 10-bit v
// as 64v / 257, rounded down, so 4e + 2 is e - 1 above e = 128).
std::uint32_t PackMasked(const std::uint32_t masks[3], std::uint32_t noise, Rgb* shown) {
  std::uint32_t value = 0;
  std::uint8_t channel[3];
  for (int c = 0; c < 3; ++c) {
    const int bits = BitCount(masks[c]);
    const std::uint32_t random = (noise >> (8 * c)) & 0xFF;
    std::uint32_t v;
    if (bits <= 8) {
      v = random >> (8 - bits);
      channel[c] = static_cast<std::uint8_t>(Replicate(v, bits, 8));
    } else {
      v = random << (bits - 8) | 1u << (bits - 9);
      channel[c] = static_cast<std::uint8_t>(random);
    }
    value |= v << LowestBit(masks[c]);
  }
  *shown = {channel[0], channel[1], channel[2]};
  return value;
}

bool IsRle(std::uint32_t compression) { return compression == 1 || compression == 2; }

// One row of colour indices as RLE8 or RLE4 runs of equal indices.
void AppendRleRow(const std::vector<int>& row, bool fourBits, Bytes* out) {
  for (std::size_t x = 0; x < row.size();) {
    std::size_t run = 1;
    while (x + run < row.size() && row[x + run] == row[x] && run < 255) ++run;
    out->push_back(static_cast<std::uint8_t>(run));
    out->push_back(static_cast<std::uint8_t>(fourBits ? row[x] << 4 | row[x] : row[x]));
    x += run;
  }
}

}  // namespace

EncodedDib EncodeDib(const DibLayoutRecipe& recipe, int width, int height, unsigned seed) {
  const bool indexed = recipe.bitCount <= 8;
  const std::uint32_t entries = indexed ? (recipe.clrUsed != 0 ? recipe.clrUsed : 1u << recipe.bitCount) : 0;
  std::vector<Rgb> palette;
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint32_t h = Hash(i, 1000, seed);
    palette.push_back({static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8), static_cast<std::uint8_t>(h >> 16)});
  }
  static const std::uint32_t kRgb555[3] = {0x7C00, 0x03E0, 0x001F};
  const std::uint32_t* masks = recipe.compression == 3 ? recipe.masks : kRgb555;
  EncodedDib out;
  for (int c = 0; c < 3; ++c) {
    if (recipe.compression == 3 && BitCount(masks[c]) > 8) out.tolerance = 1;
  }

  // Rows top first: the values to store, and what each pixel shows.
  out.expected.width = width;
  out.expected.height = height;
  std::vector<std::vector<int>> indices(height, std::vector<int>(width));
  std::vector<std::vector<std::uint32_t>> values(height, std::vector<std::uint32_t>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Runs of three, so that RLE has runs to encode.
      const std::uint32_t noise = Hash(indexed ? x / 3 : x, y, seed);
      Rgb shown{};
      if (indexed) {
        indices[y][x] = static_cast<int>(noise % entries);
        shown = palette[indices[y][x]];
      } else if (recipe.bitCount == 16 || recipe.compression == 3) {
        values[y][x] = PackMasked(masks, noise, &shown);
      } else {
        shown = {static_cast<std::uint8_t>(noise), static_cast<std::uint8_t>(noise >> 8),
                 static_cast<std::uint8_t>(noise >> 16)};
        values[y][x] = static_cast<std::uint32_t>(shown.r) << 16 | shown.g << 8 | shown.b;
      }
      out.expected.rgb.insert(out.expected.rgb.end(), {shown.r, shown.g, shown.b});
    }
  }

  Bytes pixels;
  if (IsRle(recipe.compression)) {
    for (int y = height - 1; y >= 0; --y) {
      AppendRleRow(indices[y], recipe.compression == 2, &pixels);
      pixels.insert(pixels.end(), {0, static_cast<std::uint8_t>(y == 0 ? 1 : 0)});  // end of line, or of bitmap
    }
  } else {
    const std::size_t stride = (static_cast<std::size_t>(width) * recipe.bitCount + 31) / 32 * 4;
    pixels.assign(stride * height, 0);
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row = &pixels[stride * (recipe.topDown ? y : height - 1 - y)];
      for (int x = 0; x < width; ++x) {
        const std::uint32_t v = values[y][x];
        switch (recipe.bitCount) {
          case 1:
          case 4:
          case 8: {
            const int perByte = 8 / recipe.bitCount;
            const int shift = 8 - recipe.bitCount * (x % perByte + 1);
            row[x / perByte] |= static_cast<std::uint8_t>(indices[y][x] << shift);
            break;
          }
          case 16:
            row[2 * x] = static_cast<std::uint8_t>(v);
            row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
            break;
          case 24:
            row[3 * x] = static_cast<std::uint8_t>(v);
            row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
            break;
          default:  // 32: an alpha mask, when there is one, is opaque
            for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<std::uint8_t>((v | recipe.masks[3]) >> (8 * i));
            break;
        }
      }
    }
  }

  Bytes& block = out.block;
  block.assign(recipe.headerSize, 0);
  Put32(block, 0, recipe.headerSize);
  Put32(block, 4, static_cast<std::uint32_t>(width));
  Put32(block, 8, static_cast<std::uint32_t>(recipe.topDown ? -height : height));
  Put16(block, 12, 1);
  Put16(block, 14, recipe.bitCount);
  Put32(block, 16, recipe.compression);
  Put32(block, 20, recipe.sizeImageZero && !IsRle(recipe.compression) ? 0 : static_cast<std::uint32_t>(pixels.size()));
  Put32(block, 24, 2835);
  Put32(block, 28, 2835);
  Put32(block, 32, recipe.clrUsed);
  if (recipe.compression == 3) {
    if (recipe.headerSize == 40) {
      for (int c = 0; c < 3; ++c) Append32(block, recipe.masks[c]);
    } else {
      const int inHeader = recipe.headerSize >= 56 ? 4 : 3;
      for (int c = 0; c < inHeader; ++c) Put32(block, 40 + 4 * c, recipe.masks[c]);
    }
  }
  if (recipe.headerSize >= 108) Put32(block, 56, 0x73524742);  // LCS_sRGB
  if (recipe.headerSize >= 124) Put32(block, 108, 4);          // LCS_GM_IMAGES
  for (const Rgb& c : palette) Append32(block, static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b);
  block.insert(block.end(), pixels.begin(), pixels.end());
  return out;
}

}  // namespace testsupport
