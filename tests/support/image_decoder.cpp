#include "support/image_decoder.h"

#include "driver.h"
#include "win32_files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace testsupport {
namespace {

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

// A path as the decoder process sees it.
std::wstring DecoderPath(const std::wstring& windowsPath) {
  const std::wstring unixPath = e2e::UnixPathOf(windowsPath);
  return unixPath.empty() ? windowsPath : unixPath;
}

std::wstring DecoderProgram() {
  if (e2e::RunningUnderWine()) return L"Z:\\usr\\bin\\convert";
  wchar_t found[MAX_PATH];
  if (SearchPathW(nullptr, L"magick.exe", nullptr, MAX_PATH, found, nullptr) == 0) return L"";
  return found;
}

// A plain wait: the decoder's handle under Wine cannot be waited for (the
// wait fails at once, and DecodeImage polls for the output), and nothing on
// this thread is dispatched meanwhile.
bool Run(std::wstring commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &si, &pi)) {
    return false;
  }
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

// Reads the header of a binary PPM (P6, maxval 255).
bool ParsePpm(const std::vector<std::uint8_t>& ppm, DecodedImage* image) {
  std::size_t at = 0;
  auto token = [&]() {
    std::string t;
    while (at < ppm.size()) {
      const char c = static_cast<char>(ppm[at]);
      if (c == '#') {
        while (at < ppm.size() && ppm[at] != '\n') ++at;
      } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
        if (!t.empty()) break;
        ++at;
      } else {
        t += c;
        ++at;
      }
    }
    return t;
  };
  if (token() != "P6") return false;
  image->width = std::atoi(token().c_str());
  image->height = std::atoi(token().c_str());
  if (token() != "255") return false;
  ++at;  // the single white-space byte before the pixels
  const std::size_t size = static_cast<std::size_t>(image->width) * image->height * 3;
  if (ppm.size() < at + size) return false;
  image->rgb.assign(ppm.begin() + at, ppm.begin() + at + size);
  return true;
}

}  // namespace

bool ImageDecoderAvailable() { return !DecoderProgram().empty(); }

bool DecodeImage(const std::u16string& path, DecodedImage* image) {
  const std::wstring input(path.begin(), path.end());
  const std::wstring output = input + L".decoded.ppm";
  DeleteFileW(output.c_str());
  if (e2e::RunningUnderWine()) {
    // Wine does not wait for a Linux process to end: the shell renames the
    // output into place only once it is complete, and this side polls for it.
    const std::wstring temp = DecoderPath(output) + L".part";
    const std::wstring script = L"/usr/bin/convert '" + DecoderPath(input) + L"' -depth 8 'ppm:" + temp + L"' && mv '" +
                                temp + L"' '" + DecoderPath(output) + L"'";
    if (!Run(L"Z:\\bin\\sh -c " + Quote(script))) return false;
    for (int i = 0; i < 600 && GetFileAttributesW(output.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
  } else {
    const std::wstring command = Quote(DecoderProgram()) + L" " + Quote(input) + L" -depth 8 " + Quote(L"ppm:" + output);
    if (!Run(command)) return false;
  }
  std::vector<std::uint8_t> ppm;
  const bool ok = ReadWholeFile(output, &ppm) && ParsePpm(ppm, image);
  DeleteFileW(output.c_str());
  return ok;
}

DecodedImage PixelsOfRgbDib(const std::vector<std::uint8_t>& block, std::uint32_t pixelOffset) {
  auto i32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, &block[at], 4);
    return static_cast<std::int32_t>(v);
  };
  const int width = i32(4);
  const int height = i32(8);
  const int bits = block[14] | block[15] << 8;
  const int rows = height < 0 ? -height : height;
  const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  DecodedImage image;
  image.width = width;
  image.height = rows;
  for (int y = 0; y < rows; ++y) {
    const int row = height < 0 ? y : rows - 1 - y;
    const std::uint8_t* p = &block[pixelOffset + row * stride];
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* px = p + x * (bits / 8);
      image.rgb.push_back(px[2]);
      image.rgb.push_back(px[1]);
      image.rgb.push_back(px[0]);
    }
  }
  return image;
}

}  // namespace testsupport
