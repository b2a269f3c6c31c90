// The registered clipboard format "PNG" that browsers, the snipping tool,
// Office and Paint.NET put first: a whole PNG file, in a block that may be
// larger than the file (GlobalSize may round up).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char16_t kPngFormatName[] = u"PNG";

struct PngExtent {
  bool valid = false;
  std::size_t length = 0;  // the file's bytes, up to the end of IEND
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Checks the block as a PNG file without decoding it: the signature; IHDR
// first, with a width and height whose pixels at 4 bytes each take at most
// `pixelBytes`; and every chunk's CRC up to IEND. Reads at most `size` bytes
// and changes nothing.
PngExtent CheckPngBlock(const std::uint8_t* block, std::size_t size, std::uint64_t pixelBytes);
