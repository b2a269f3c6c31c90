#include "png_context.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "driver.h"

namespace bench {
namespace {

bool Run(const std::wstring& commandLine) { return e2e::RunProcess(commandLine, CREATE_NO_WINDOW, 300000); }

// The Linux shell times convert and renames its result into place when done.
double EncodeUnderWine(const std::wstring& bmp, const std::wstring& png) {
  const std::wstring timing = png + L".ns";
  DeleteFileW(timing.c_str());
  const std::wstring t = e2e::UnixPathOf(timing);
  const std::wstring script = L"s=$(date +%s%N); /usr/bin/convert '" + e2e::UnixPathOf(bmp) + L"' '" +
                              e2e::UnixPathOf(png) + L"' && e=$(date +%s%N) && echo $((e - s)) >'" + t +
                              L".part' && mv '" + t + L".part' '" + t + L"'";
  if (!Run(L"Z:\\bin\\sh -c \"" + script + L"\"")) return -1;
  if (!e2e::WaitUntil([&] { return e2e::Exists(timing); }, 300000)) return -1;
  e2e::Bytes text;
  e2e::ReadFileBytes(timing, &text);
  DeleteFileW(timing.c_str());
  text.push_back(0);
  return std::strtod(reinterpret_cast<const char*>(text.data()), nullptr) / 1e6;
}

double EncodeOnWindows(const std::wstring& magick, const std::wstring& bmp, const std::wstring& png) {
  const double start = NowMs();
  if (!Run(L"\"" + magick + L"\" \"" + bmp + L"\" \"" + png + L"\"")) return -1;
  return e2e::Exists(png) ? NowMs() - start : -1;
}

}  // namespace

Summary PngEncodeMs(const Bytes& bmpFile, const std::wstring& folder, int runs, std::size_t* pngBytes) {
  const bool underWine = e2e::RunningUnderWine();
  wchar_t magick[MAX_PATH] = {};
  if (!underWine && SearchPathW(nullptr, L"magick.exe", nullptr, MAX_PATH, magick, nullptr) == 0) return {};
  if (underWine && !e2e::Exists(L"Z:\\usr\\bin\\convert")) return {};

  const std::wstring bmp = folder + L"png-source.bmp";
  const std::wstring png = folder + L"png-output.png";
  HANDLE f = CreateFileW(bmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return {};
  DWORD written = 0;
  WriteFile(f, bmpFile.data(), static_cast<DWORD>(bmpFile.size()), &written, nullptr);
  CloseHandle(f);

  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    DeleteFileW(png.c_str());
    const double ms = underWine ? EncodeUnderWine(bmp, png) : EncodeOnWindows(magick, bmp, png);
    if (ms < 0) break;
    times.push_back(ms);
    e2e::Bytes written;
    if (pngBytes != nullptr && e2e::ReadFileBytes(png, &written)) *pngBytes = written.size();
  }
  DeleteFileW(bmp.c_str());
  DeleteFileW(png.c_str());
  return Summarize(times);
}

}  // namespace bench
