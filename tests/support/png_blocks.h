// Small PNG files for the tests, as the clipboard's "PNG" holds them: 8-bit
// RGBA rows in one stored deflate block, every chunk with its CRC.
#pragma once

#include <cstdint>
#include <vector>

namespace testsupport {

inline void PutBig(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline void AddChunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data) {
  PutBig(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t from = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = from; i < png.size(); ++i) {
    crc ^= png[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  PutBig(png, crc ^ 0xFFFFFFFF);
}

// The zlib stream of `raw`, at most 65535 bytes.
inline std::vector<std::uint8_t> StoredZlib(const std::vector<std::uint8_t>& raw) {
  const std::size_t n = raw.size();
  std::vector<std::uint8_t> z(raw);
  z.insert(z.begin(), {0x78, 0x01, 1, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                       static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t c : raw) b = (b + (a = (a + c) % 65521)) % 65521;
  PutBig(z, b << 16 | a);
  return z;
}

// IHDR (8-bit RGBA), the one IDAT chunk `idat`, and IEND.
inline std::vector<std::uint8_t> PngOf(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& idat) {
  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ihdr;
  PutBig(ihdr, width);
  PutBig(ihdr, height);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  AddChunk(png, "IHDR", ihdr);
  AddChunk(png, "IDAT", idat);
  AddChunk(png, "IEND", {});
  return png;
}

// The picture of `rgba`, 4 bytes a pixel, top row first.
inline std::vector<std::uint8_t> PngFile(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba) {
  std::vector<std::uint8_t> raw;
  for (std::uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), rgba.begin() + y * width * 4, rgba.begin() + (y + 1) * width * 4);
  }
  return PngOf(width, height, StoredZlib(raw));
}

}  // namespace testsupport
