#include "png_bench.h"

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>

#include "dib_blocks.h"
#include "picture.h"
#include "platform/win32/wic_codecs.h"
#include "png_context.h"
#include "tarnwick_session.h"
#include "win32_clipboard.h"

namespace bench {
namespace {

using Microsoft::WRL::ComPtr;

std::size_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return static_cast<std::size_t>(data.nFileSizeLow);
}

// The PNG at `path`, decoded by WIC, shows the pixels of the 32-bit BMP file
// (its fourth bytes ignored). Compared in bands, to keep within a 32-bit
// process with the largest pictures.
bool PngShows(IWICImagingFactory* factory, const std::wstring& path, const Bytes& bmp) {
  const auto width = static_cast<UINT>(testsupport::GetU32(bmp, 18));
  const auto height = static_cast<UINT>(testsupport::GetU32(bmp, 22));
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  UINT w = 0, h = 0;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&w, &h)) || w != width || h != height ||
      FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom))) {
    return false;
  }
  const UINT band = 64;
  const UINT stride = (width * 3 + 3) & ~3u;
  Bytes rows(static_cast<std::size_t>(stride) * band);
  const std::uint8_t* pixels = bmp.data() + kFileHeaderBytes + 40;
  for (UINT y0 = 0; y0 < height; y0 += band) {
    const UINT count = std::min(band, height - y0);
    const WICRect rect{0, static_cast<INT>(y0), static_cast<INT>(width), static_cast<INT>(count)};
    if (FAILED(converter->CopyPixels(&rect, stride, static_cast<UINT>(rows.size()), rows.data()))) return false;
    for (UINT y = 0; y < count; ++y) {
      const std::uint8_t* want = pixels + static_cast<std::size_t>(height - 1 - (y0 + y)) * width * 4;
      const std::uint8_t* got = rows.data() + static_cast<std::size_t>(y) * stride;
      for (UINT x = 0; x < width; ++x) {
        if (std::memcmp(want + 4 * x, got + 3 * x, 3) != 0) return false;
      }
    }
  }
  return true;
}

void MeasureProgram(PngFigures& f, int width, int height, int runs, const std::wstring& folder,
                    IWICImagingFactory* factory) {
  TarnwickSession tarnwick;
  if (!tarnwick.Start(folder, 1)) {
    f.error = "Tarnwick.exe did not start";
    return;
  }
  tarnwick.Settle();
  std::vector<double> times, copiedTimes;
  platform::WicCodecs codecs;
  // Encoded and as copied in turn; the first save of each warms up and is not counted.
  for (int i = 0; i < 2 * (runs + 1); ++i) {
    const Bytes bmp = ScreenFile(width, height, static_cast<std::uint32_t>(height + i));
    // As a browser copies it: its PNG (made before the press) first, then
    // CF_DIB; the file must be that PNG.
    const bool copied = i % 2 == 1;
    Bytes png;
    const platform::ByteRun run{bmp.data(), static_cast<std::uint32_t>(bmp.size())};
    std::vector<testsupport::ClipboardFormat> formats;
    formats.push_back({nullptr, CF_DIB, ClipboardBlock(bmp)});
    if (copied && codecs.EncodePng(&run, 1, false, &png)) formats.insert(formats.begin(), {L"PNG", 0, png});
    if (!testsupport::PutFormatsOnRealClipboard(formats) || copied != !png.empty()) {
      f.error = "could not put the picture on the clipboard";
      return;
    }
    std::wstring path;
    double ms = 0;
    const bool saved = tarnwick.SaveWithHotKey(&path, &ms, 120000);
    tarnwick.Settle();
    if (!saved) {
      f.error = "no PNG appeared";
      for (const auto& text : tarnwick.DismissMessageBoxes()) f.error += "; the program said: " + text;
      return;
    }
    if (i >= 2) (copied ? copiedTimes : times).push_back(ms);
    if (!copied) f.pngBytes = FileSize(path);
    f.bmpBytes = bmp.size();
    ++f.filesChecked;
    if (copied ? FileHolds(path, png) : PngShows(factory, path, bmp)) ++f.filesCorrect;
    DeleteFileW(path.c_str());
  }
  f.pressToFile = Summarize(times);
  f.copiedToFile = Summarize(copiedTimes);
}

}  // namespace

PngFigures MeasurePng(int width, int height, int runs, int encodeRuns, const std::wstring& folder) {
  PngFigures f;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))) {
    f.error = "no WIC here";
  } else {
    MeasureProgram(f, width, height, runs, folder, factory.Get());
    // The picture of the program's last encoded press, so that every size compares one picture.
    const Bytes bmp = ScreenFile(width, height, static_cast<std::uint32_t>(height + 2 * runs));
    f.magick = PngEncodeMs(bmp, folder, encodeRuns, &f.magickBytes);
  }
  factory.Reset();
  CoUninitialize();
  return f;
}

}  // namespace bench
