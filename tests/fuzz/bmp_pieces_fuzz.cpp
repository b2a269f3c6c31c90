// Feeds arbitrary blocks to the two clipboard-block parsers: BuildBmpPieces
// (CF_DIB) and CheckPngBlock (the "PNG" format). The sanitizers catch any read
// past the block (held in an allocation of exactly its size) and any
// overflow; the checks below catch a file that would send a viewer past its
// own end, and a "PNG" passed whose extent or size is not what it says.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "capture/bmp_pieces.h"
#include "capture/clipboard_png.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// What a viewer reading only the file would need, checked against the file.
void CheckFileIsSelfConsistent(const BmpPieces& p) {
  const std::uint8_t* info = p.bitmapInfo;
  const std::uint32_t infoLength = p.bitmapInfoLength;
  Check(infoLength >= kInfoHeaderBytes && infoLength <= kMaxBitmapInfoBytes);
  Check(ReadU32(p.fileHeader + 2) == kFileHeaderBytes + infoLength + p.pixelLength);
  Check(ReadU32(p.fileHeader + 10) == kFileHeaderBytes + infoLength);

  const std::uint32_t headerSize = ReadU32(info);
  Check(headerSize == kInfoHeaderBytes || headerSize == kV4HeaderBytes || headerSize == kV5HeaderBytes);
  const std::int32_t width = static_cast<std::int32_t>(ReadU32(info + 4));
  const std::int32_t height = static_cast<std::int32_t>(ReadU32(info + 8));
  const std::uint16_t bitCount = static_cast<std::uint16_t>(info[14] | info[15] << 8);
  const std::uint32_t compression = ReadU32(info + 16);
  const std::uint32_t sizeImage = ReadU32(info + 20);
  const std::uint32_t clrUsed = ReadU32(info + 32);
  Check(compression <= kBiBitfields);
  Check(width > 0 && height != 0);
  Check(sizeImage == p.pixelLength);

  std::uint64_t needed = headerSize;
  if (compression == kBiBitfields && headerSize == kInfoHeaderBytes) needed += kMaskBytes;
  if (bitCount <= 8) needed += std::uint64_t{kColourEntryBytes} * (clrUsed != 0 ? clrUsed : 1u << bitCount);
  Check(needed == infoLength);

  if (compression == kBiRgb || compression == kBiBitfields) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    Check(stride * rows == p.pixelLength);
  }
}

}  // namespace

// A "PNG" passed ends with IEND within the block, and its size keeps to the bound.
void CheckPngExtent(const std::vector<std::uint8_t>& block) {
  constexpr std::uint64_t kBound = 512ull << 20;
  const PngExtent png = CheckPngBlock(block.data(), block.size(), kBound);
  if (!png.valid) return;
  Check(png.length >= 8 + 25 + 12 && png.length <= block.size());
  Check(std::memcmp(block.data() + png.length - 8, "IEND", 4) == 0);
  Check(png.width > 0 && png.height > 0 && std::uint64_t{png.width} * png.height * 4 <= kBound);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> block(data, data + size);
  CheckPngExtent(block);
  const BmpPieces p = BuildBmpPieces(block.data(), block.size());
  Check(size == 0 || std::memcmp(block.data(), data, size) == 0);
  if (!p.valid) return 0;

  Check(static_cast<std::uint64_t>(p.pixelOffset) + p.pixelLength <= size);
  CheckFileIsSelfConsistent(p);

  // Touch every pixel byte the save would write.
  std::uint32_t sum = 0;
  for (std::uint32_t i = 0; i < p.pixelLength; ++i) sum += block[p.pixelOffset + i];
  volatile std::uint32_t sink = sum;
  (void)sink;
  return 0;
}
