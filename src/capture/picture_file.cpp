#include "capture/picture_file.h"

#include <memory>
#include <new>

namespace {

// The bit fields every BMP decoder reads, Windows' and Wine's alike; the
// others are unpacked here first.
bool DecodersReadMasks(const DibLayout& layout) {
  const DibMasks& m = layout.masks;
  if (layout.bitCount == 16) return m.alpha == 0 && (SameColourMasks(m, kMasks555) || SameColourMasks(m, kMasks565));
  return SameColourMasks(m, kMasks888) && (m.alpha == 0 || m.alpha == 0xFF000000);
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

// The picture as a plain 32-bit BMP file in memory: BI_RGB, or, keeping
// alpha, a V4 header with the usual BGRA masks. The rows keep their order.
std::unique_ptr<std::uint8_t[]> UnpackedFile(const DibLayout& p, const std::uint8_t* pixels, bool keepAlpha,
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
  info[kPlanesAt] = 1;
  info[kBitCountAt] = 32;
  WriteU32(info + kSizeImageAt, static_cast<std::uint32_t>(pixelBytes));
  if (keepAlpha) {
    WriteU32(info + kCompressionAt, kBiBitfields);
    WriteU32(info + kMasksOffset, kMasks888.red);
    WriteU32(info + kMasksOffset + 4, kMasks888.green);
    WriteU32(info + kMasksOffset + 8, kMasks888.blue);
    WriteU32(info + kAlphaMaskAt, 0xFF000000);
    WriteU32(info + kColourSpaceAt, kLcsSrgb);
  }

  std::uint8_t* out = info + headerSize;
  for (std::uint32_t y = 0; y < p.rows; ++y) {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * p.stride;
    for (std::int32_t x = 0; x < p.width; ++x, out += 4) {
      const std::uint32_t pixel = DibPixelAt(row, x, p.bitCount);
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

PictureBytes FileBytes(std::uint32_t format, const std::uint8_t* bytes, std::size_t size) {
  PictureBytes file;
  file.format = format;
  file.runs[0] = {bytes, static_cast<std::uint32_t>(size)};
  file.count = 1;
  return file;
}

bool EncodeDibPicture(platform::ImageCodecs& codecs, std::uint32_t format, const BmpPieces& pieces,
                      const std::uint8_t* block, std::vector<std::uint8_t>* out) {
  const DibLayout& layout = pieces.layout;
  const bool keepAlpha = DibAlphaUsed(layout, block);
  const auto encode = [&](const platform::ByteRun* runs, std::size_t count) {
    return format == kFormatJpg ? codecs.EncodeJpeg(runs, count, keepAlpha, out)
                                : codecs.EncodePng(runs, count, keepAlpha, out);
  };
  if (layout.compression != kBiBitfields || DecodersReadMasks(layout)) {
    const PictureBytes bmp = BmpFileBytes(pieces, block);
    return encode(bmp.runs, bmp.count);
  }
  // Other bit fields (10-10-10, swapped channels, 16 bits with alpha ...):
  // decoders differ on them, so the pixels are unpacked here to 8 bits a
  // channel and the decoder is handed a plain 32-bit picture.
  std::uint32_t size = 0;
  const std::unique_ptr<std::uint8_t[]> file = UnpackedFile(layout, block + pieces.pixelOffset, keepAlpha, &size);
  if (!file) return false;
  const platform::ByteRun run{file.get(), size};
  return encode(&run, 1);
}
