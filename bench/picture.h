// The pictures the benchmark saves: 32-bit BI_RGB clipboard bitmaps whose
// pixels differ with every seed, and the BMP file a save must make of one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<std::uint8_t>;

// The file a save of picture (width, height, seed) must leave: the 14-byte
// file header, then the clipboard block (40-byte header and rows) unchanged.
Bytes ExpectedFile(int width, int height, std::uint32_t seed);
constexpr std::size_t kFileHeaderBytes = 14;

// A picture like a screen: a desktop, windows with title bars, lines of text,
// a gradient and a photo-like patch; 32-bit BI_RGB, fourth byte 0, as a BMP
// file the same way. Different for every seed.
Bytes ScreenFile(int width, int height, std::uint32_t seed);

// The clipboard block of that picture: the file without its file header.
Bytes ClipboardBlock(const Bytes& expectedFile);

// True when the file at `path` holds exactly `expected`.
bool FileHolds(const std::wstring& path, const Bytes& expected);

}  // namespace bench
