#include "picture.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "dib_blocks.h"

namespace bench {

Bytes ExpectedFile(int width, int height, std::uint32_t seed) {
  const std::uint32_t pixelBytes = testsupport::RowStride(width, 32) * static_cast<std::uint32_t>(height);
  Bytes file(kFileHeaderBytes + 40 + pixelBytes);
  file[0] = 'B';
  file[1] = 'M';
  testsupport::PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
  testsupport::PutU32(file, 10, kFileHeaderBytes + 40);
  const Bytes header = testsupport::InfoHeader(width, height, 32, 0, pixelBytes);
  std::copy(header.begin(), header.end(), file.begin() + kFileHeaderBytes);
  std::uint8_t* pixels = file.data() + kFileHeaderBytes + 40;
  for (std::uint32_t i = 0; i < pixelBytes; ++i) {
    pixels[i] = static_cast<std::uint8_t>(i * 37 + (i >> 8) + seed * 11);
  }
  // The seed itself in the first pixel, so no two seeds give the same picture.
  std::memcpy(pixels, &seed, sizeof seed);
  return file;
}

Bytes ScreenFile(int width, int height, std::uint32_t seed) {
  Bytes file = ExpectedFile(width, height, seed);
  std::uint8_t* pixels = file.data() + kFileHeaderBytes + 40;
  // Rows top first; the file's rows run bottom-up.
  auto at = [&](int x, int y) { return pixels + (static_cast<std::size_t>(height - 1 - y) * width + x) * 4; };
  auto fill = [&](int x0, int y0, int x1, int y1, std::uint32_t rgb) {
    for (int y = std::max(y0, 0); y < std::min(y1, height); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, width); ++x) {
        std::uint8_t* p = at(x, y);
        p[0] = static_cast<std::uint8_t>(rgb);
        p[1] = static_cast<std::uint8_t>(rgb >> 8);
        p[2] = static_cast<std::uint8_t>(rgb >> 16);
        p[3] = 0;
      }
    }
  };
  std::uint32_t state = seed * 2654435761u + 1;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };

  // The desktop: a vertical gradient.
  for (int y = 0; y < height; ++y) {
    const std::uint32_t shade = static_cast<std::uint32_t>(40 + 80 * y / height);
    fill(0, y, width, y + 1, shade << 8 | (shade + 60));
  }
  // Windows, each with a title bar, a white page, lines of "text" and a
  // photo-like patch in some.
  const int unit = std::max(8, height / 60);
  for (int w = 0; w < 6; ++w) {
    const int x0 = static_cast<int>(next() % static_cast<std::uint32_t>(width / 2));
    const int y0 = static_cast<int>(next() % static_cast<std::uint32_t>(height / 2));
    const int x1 = x0 + width / 3 + static_cast<int>(next() % static_cast<std::uint32_t>(width / 4));
    const int y1 = y0 + height / 3 + static_cast<int>(next() % static_cast<std::uint32_t>(height / 4));
    fill(x0, y0, x1, y1, 0xFFFFFF);
    fill(x0, y0, x1, y0 + 2 * unit, 0x2B579A);
    for (int line = y0 + 3 * unit; line + unit < y1; line += 2 * unit) {
      int x = x0 + unit;
      while (x < x1 - unit) {
        const int word = unit / 2 * (2 + static_cast<int>(next() % 8));
        for (int gx = x; gx < std::min(x + word, x1 - unit); gx += 1 + static_cast<int>(next() % 3)) {
          fill(gx, line + static_cast<int>(next() % 3), gx + 1, line + unit - static_cast<int>(next() % 3), 0x202020);
        }
        x += word + unit / 2;
      }
    }
    if (w % 2 == 0) {
      const int px = x1 - (x1 - x0) / 3, py = y1 - (y1 - y0) / 3;
      for (int y = py; y < y1 && y < height; ++y) {
        for (int x = px; x < x1 && x < width; ++x) {
          const std::uint32_t noise = next() >> 28;
          fill(x, y, x + 1, y + 1, (static_cast<std::uint32_t>(x * 3 + noise) & 0xFF) << 16 |
                                       (static_cast<std::uint32_t>(y * 2 + noise) & 0xFF) << 8 | ((x + y) & 0xFF));
        }
      }
    }
  }
  std::memcpy(pixels, &seed, sizeof seed);
  return file;
}

Bytes ClipboardBlock(const Bytes& expectedFile) { return Bytes(expectedFile.begin() + kFileHeaderBytes, expectedFile.end()); }

bool FileHolds(const std::wstring& path, const Bytes& expected) {
  // Shared for deletion too: MoveFileExW holds the file it renamed open (with
  // DELETE access) for a moment after the new name appears.
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool same = GetFileSizeEx(f, &size) && static_cast<std::uint64_t>(size.QuadPart) == expected.size();
  // In pieces: the largest files are over 100 MB, in a 32-bit process.
  Bytes chunk(1 << 20);
  for (std::size_t at = 0; same && at < expected.size();) {
    const DWORD want = static_cast<DWORD>(std::min(chunk.size(), expected.size() - at));
    DWORD read = 0;
    same = ReadFile(f, chunk.data(), want, &read, nullptr) && read == want &&
           std::memcmp(chunk.data(), expected.data() + at, want) == 0;
    at += want;
  }
  CloseHandle(f);
  return same;
}

}  // namespace bench
