#include "capture/png_picture.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kWidthAt = 4;
constexpr std::size_t kHeightAt = 8;
constexpr std::size_t kBitCountAt = 14;
constexpr std::size_t kCompressionAt = 16;
constexpr std::size_t kAlphaMaskAt = 52;  // V4 and V5
constexpr std::uint32_t kLcsSrgb = 0x73524742;

struct Masks {
  std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// The header fields of the pieces' bitmap info that the PNG side looks at.
struct Picture {
  std::uint32_t headerSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  Masks masks;  // meaningful for BI_BITFIELDS only
  std::uint32_t stride = 0;
  std::uint32_t rows = 0;
};

Picture ReadPicture(const BmpPieces& pieces) {
  const std::uint8_t* info = pieces.bitmapInfo;
  Picture p;
  p.headerSize = ReadU32(info);
  p.width = static_cast<std::int32_t>(ReadU32(info + kWidthAt));
  p.height = static_cast<std::int32_t>(ReadU32(info + kHeightAt));
  p.bitCount = static_cast<std::uint16_t>(info[kBitCountAt] | info[kBitCountAt + 1] << 8);
  p.compression = ReadU32(info + kCompressionAt);
  if (p.compression == kBiBitfields) {
    // After a 40-byte header, or inside a V4 or V5 one with the alpha mask.
    p.masks = {ReadU32(info + kMasksOffset), ReadU32(info + kMasksOffset + 4), ReadU32(info + kMasksOffset + 8),
               p.headerSize >= kV4HeaderBytes ? ReadU32(info + kAlphaMaskAt) : 0};
  }
  p.stride = static_cast<std::uint32_t>((static_cast<std::uint64_t>(p.width) * p.bitCount + 31) / 32 * 4);
  p.rows = static_cast<std::uint32_t>(p.height < 0 ? -static_cast<std::int64_t>(p.height) : p.height);
  return p;
}

bool HasAlphaMask(const Picture& p) {
  return p.compression == kBiBitfields && p.masks.alpha != 0 && (p.bitCount == 16 || p.bitCount == 32);
}

std::uint32_t PixelAt(const std::uint8_t* row, std::int32_t x, std::uint16_t bitCount) {
  if (bitCount == 16) return static_cast<std::uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
  return ReadU32(row + 4 * x);
}

// The bit fields every BMP decoder reads, Windows' and Wine's alike; the
// others are unpacked here first.
bool CommonMasks(const Picture& p) {
  const Masks& m = p.masks;
  if (p.bitCount == 16) {
    return m.alpha == 0 && m.blue == 0x001F &&
           ((m.red == 0x7C00 && m.green == 0x03E0) || (m.red == 0xF800 && m.green == 0x07E0));
  }
  return m.red == 0x00FF0000 && m.green == 0x0000FF00 && m.blue == 0x000000FF &&
         (m.alpha == 0 || m.alpha == 0xFF000000);
}

// A channel's value under `mask`, scaled to 8 bits.
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const std::uint64_t top = mask >> shift;
  const std::uint64_t value = (pixel & mask) >> shift;
  return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
}

void WriteU32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The picture as a plain 32-bit BMP file in memory: BI_RGB, or, keeping
// alpha, a V4 header with the usual BGRA masks. The rows keep their order.
std::unique_ptr<std::uint8_t[]> UnpackedFile(const Picture& p, const std::uint8_t* pixels, bool keepAlpha,
                                             std::uint32_t* size) {
  const std::uint32_t headerSize = keepAlpha ? kV4HeaderBytes : kInfoHeaderBytes;
  const std::uint64_t pixelBytes = static_cast<std::uint64_t>(p.width) * 4 * p.rows;
  const std::uint64_t total = kFileHeaderBytes + headerSize + pixelBytes;
  if (total > 0x7FFFFFFF) return nullptr;
  std::unique_ptr<std::uint8_t[]> file(new (std::nothrow) std::uint8_t[total]());
  if (!file) return nullptr;

  std::uint8_t* f = file.get();
  f[0] = 'B';
  f[1] = 'M';
  WriteU32(f + 2, static_cast<std::uint32_t>(total));
  WriteU32(f + 10, kFileHeaderBytes + headerSize);
  std::uint8_t* info = f + kFileHeaderBytes;
  WriteU32(info, headerSize);
  WriteU32(info + kWidthAt, static_cast<std::uint32_t>(p.width));
  WriteU32(info + kHeightAt, static_cast<std::uint32_t>(p.height));
  info[12] = 1;   // planes
  info[14] = 32;  // bits a pixel
  WriteU32(info + 20, static_cast<std::uint32_t>(pixelBytes));
  if (keepAlpha) {
    WriteU32(info + kCompressionAt, kBiBitfields);
    WriteU32(info + kMasksOffset, 0x00FF0000);
    WriteU32(info + kMasksOffset + 4, 0x0000FF00);
    WriteU32(info + kMasksOffset + 8, 0x000000FF);
    WriteU32(info + kAlphaMaskAt, 0xFF000000);
    WriteU32(info + 56, kLcsSrgb);
  }

  std::uint8_t* out = info + headerSize;
  for (std::uint32_t y = 0; y < p.rows; ++y) {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * p.stride;
    for (std::int32_t x = 0; x < p.width; ++x, out += 4) {
      const std::uint32_t pixel = PixelAt(row, x, p.bitCount);
      out[0] = Channel(pixel, p.masks.blue);
      out[1] = Channel(pixel, p.masks.green);
      out[2] = Channel(pixel, p.masks.red);
      out[3] = keepAlpha ? Channel(pixel, p.masks.alpha) : 0;
    }
  }
  *size = static_cast<std::uint32_t>(total);
  return file;
}

}  // namespace

PictureBytes BmpFileBytes(const BmpPieces& pieces, const std::uint8_t* block) {
  PictureBytes bytes;
  bytes.format = kFormatBmp;
  bytes.runs[0] = {pieces.fileHeader, kFileHeaderBytes};
  bytes.runs[1] = {pieces.bitmapInfo, pieces.bitmapInfoLength};
  bytes.runs[2] = {block + pieces.pixelOffset, pieces.pixelLength};
  bytes.count = 3;
  return bytes;
}

bool PictureKeepsAlpha(const BmpPieces& pieces, const std::uint8_t* block) {
  const Picture p = ReadPicture(pieces);
  if (p.headerSize < kV4HeaderBytes || !HasAlphaMask(p)) return false;
  const std::uint8_t* pixels = block + pieces.pixelOffset;
  for (std::uint32_t y = 0; y < p.rows; ++y) {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * p.stride;
    for (std::int32_t x = 0; x < p.width; ++x) {
      if ((PixelAt(row, x, p.bitCount) & p.masks.alpha) != 0) return true;
    }
  }
  return false;
}

bool EncodePngPicture(platform::ImageCodecs& codecs, const BmpPieces& pieces, const std::uint8_t* block,
                      std::vector<std::uint8_t>* png) {
  const Picture p = ReadPicture(pieces);
  const bool keepAlpha = PictureKeepsAlpha(pieces, block);
  if (p.compression != kBiBitfields || CommonMasks(p)) {
    const PictureBytes bmp = BmpFileBytes(pieces, block);
    return codecs.EncodePng(bmp.runs, bmp.count, keepAlpha, png);
  }
  // Other bit fields (10-10-10, swapped channels, 16 bits with alpha ...):
  // decoders differ on them, so the pixels are unpacked here to 8 bits a
  // channel and the decoder is handed a plain 32-bit picture.
  std::uint32_t size = 0;
  const std::unique_ptr<std::uint8_t[]> file = UnpackedFile(p, block + pieces.pixelOffset, keepAlpha, &size);
  if (!file) return false;
  const platform::ByteRun run{file.get(), size};
  return codecs.EncodePng(&run, 1, keepAlpha, png);
}
