#include "picture.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "support/dib_blocks.h"

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
