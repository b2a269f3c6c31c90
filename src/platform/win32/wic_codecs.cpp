#include "platform/win32/wic_codecs.h"

#include <wrl/client.h>

#include <algorithm>
#include <new>

#include "platform/debug_log.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/memory_stream.h"

namespace platform {
namespace {

using Microsoft::WRL::ComPtr;

// Rows a band: pictures are decoded and encoded a band at a time, so that an
// 8K picture needs no second whole copy in a 32-bit process.
constexpr UINT kBandRows = 64;
constexpr float kJpegQuality = 0.9f;

bool Ok(HRESULT result, const wchar_t* call) {
  if (SUCCEEDED(result)) return true;
  LogFailure(call, static_cast<DWORD>(result));
  return false;
}

// An encoder option: a byte (VT_UI1) or a float (VT_R4).
HRESULT SetOption(IPropertyBag2* options, const wchar_t* name, VARTYPE type, double value) {
  PROPBAG2 option{};
  option.pstrName = const_cast<wchar_t*>(name);
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = type;
  if (type == VT_R4) variant.fltVal = static_cast<float>(value);
  else variant.bVal = static_cast<BYTE>(value);
  return options->Write(1, &option, &variant);
}

bool Convert(IWICImagingFactory* factory, IWICBitmapSource* source, const WICPixelFormatGUID& format,
             ComPtr<IWICFormatConverter>* converter) {
  return Ok(factory->CreateFormatConverter(converter->ReleaseAndGetAddressOf()), L"CreateFormatConverter") &&
         Ok((*converter)->Initialize(source, format, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom),
            L"IWICFormatConverter::Initialize");
}

// The first frame of a file read in place from its runs, by the decoder of
// `container`, or by the one its first bytes name when that is null.
struct Source {
  ComPtr<IStream> input;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  double dpiX = 0, dpiY = 0;
  bool hasResolution = false;
};

bool Open(IWICImagingFactory* factory, const ByteRun* runs, std::size_t count, const GUID* container, Source* s) {
  s->input.Attach(MemoryStream::Reading(runs, count));
  if (s->input == nullptr) return false;
  if (container != nullptr) {
    if (!Ok(factory->CreateDecoder(*container, nullptr, &s->decoder), L"CreateDecoder") ||
        !Ok(s->decoder->Initialize(s->input.Get(), WICDecodeMetadataCacheOnDemand), L"IWICBitmapDecoder::Initialize")) {
      return false;
    }
  } else if (!Ok(factory->CreateDecoderFromStream(s->input.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &s->decoder),
                 L"CreateDecoderFromStream")) {
    return false;
  }
  if (!Ok(s->decoder->GetFrame(0, &s->frame), L"IWICBitmapDecoder::GetFrame") ||
      !Ok(s->frame->GetSize(&s->width, &s->height), L"IWICBitmapFrameDecode::GetSize")) {
    return false;
  }
  // The picture's own resolution when it has one; else the encoder's default.
  s->hasResolution = SUCCEEDED(s->frame->GetResolution(&s->dpiX, &s->dpiY)) && s->dpiX > 0 && s->dpiY > 0;
  return true;
}

// A new file of `container` being written into *bytes: one frame of the
// source's size and resolution.
struct Target {
  ComPtr<IStream> output;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
};

bool Start(IWICImagingFactory* factory, const GUID& container, std::vector<std::uint8_t>* bytes, Target* t) {
  bytes->clear();
  t->output.Attach(MemoryStream::Writing(bytes));
  return t->output != nullptr && Ok(factory->CreateEncoder(container, nullptr, &t->encoder), L"CreateEncoder") &&
         Ok(t->encoder->Initialize(t->output.Get(), WICBitmapEncoderNoCache), L"IWICBitmapEncoder::Initialize") &&
         Ok(t->encoder->CreateNewFrame(&t->frame, &t->options), L"CreateNewFrame");
}

// The frame's size, resolution and pixels: *format asked for, and then the
// one the encoder takes.
bool Describe(const Source& source, WICPixelFormatGUID* format, Target* t) {
  return Ok(t->frame->Initialize(t->options.Get()), L"IWICBitmapFrameEncode::Initialize") &&
         Ok(t->frame->SetSize(source.width, source.height), L"SetSize") &&
         (!source.hasResolution || Ok(t->frame->SetResolution(source.dpiX, source.dpiY), L"SetResolution")) &&
         Ok(t->frame->SetPixelFormat(format), L"SetPixelFormat");
}

bool Finish(Target* t) {
  return Ok(t->frame->Commit(), L"IWICBitmapFrameEncode::Commit") && Ok(t->encoder->Commit(), L"IWICBitmapEncoder::Commit");
}

// Every row of `source`, `bytesPerPixel` a pixel, handed to `take` a band at a time.
template <typename Take>
bool EachBand(IWICBitmapSource* source, UINT width, UINT height, UINT bytesPerPixel, Take take) {
  const UINT stride = (width * bytesPerPixel + 3) & ~3u;
  std::vector<std::uint8_t> band(static_cast<std::size_t>(stride) * kBandRows);
  for (UINT y = 0; y < height; y += kBandRows) {
    const UINT rows = std::min(kBandRows, height - y);
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
    if (!Ok(source->CopyPixels(&rect, stride, stride * rows, band.data()), L"IWICBitmapSource::CopyPixels") ||
        !take(band.data(), rows, stride)) {
      return false;
    }
  }
  return true;
}

ComPtr<IWICImagingFactory> Factory() {
  ComPtr<IWICImagingFactory> factory;
  Ok(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
     L"CoCreateInstance (WIC)");
  return factory;
}

bool EncodePngFrom(const ByteRun* runs, std::size_t count, bool keepAlpha, WICPngFilterOption filter,
                   std::vector<std::uint8_t>* png) {
  const ComPtr<IWICImagingFactory> factory = Factory();
  // The BMP file, read by the system's BMP decoder from its runs where they
  // lie: the picture is not copied to put the file header before it.
  Source source;
  if (factory == nullptr || !Open(factory.Get(), runs, count, &GUID_ContainerFormatBmp, &source)) return false;

  // Every layout converts to 32 bits a pixel: with straight alpha, or with a
  // fourth byte that no one reads, so that no pixel can come out transparent.
  const WICPixelFormatGUID decoded = keepAlpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat32bppBGR;
  ComPtr<IWICFormatConverter> converter;
  if (!Convert(factory.Get(), source.frame.Get(), decoded, &converter)) return false;

  // Opaque pictures are stored as RGB, without an alpha channel. Asked for
  // as decoded, 32 bits with a fourth byte no one reads: an encoder that
  // drops that byte itself (Wine's) takes the rows without a conversion
  // pass; one that does not names 24 bits, and gets them converted.
  WICPixelFormatGUID format = decoded;
  Target target;
  if (!Start(factory.Get(), GUID_ContainerFormatPng, png, &target) ||
      !Ok(SetOption(target.options.Get(), L"FilterOption", VT_UI1, filter),
          L"IPropertyBag2::Write (FilterOption)") ||
      !Describe(source, &format, &target)) {
    return false;
  }
  // The encoder names the format it takes; it gets exactly that.
  ComPtr<IWICFormatConverter> encoded;
  IWICBitmapSource* pixels = converter.Get();
  if (format != decoded) {
    if (!Convert(factory.Get(), converter.Get(), format, &encoded)) return false;
    pixels = encoded.Get();
  }
  return Ok(target.frame->WriteSource(pixels, nullptr), L"WriteSource") && Finish(&target);
}

bool EncodeJpegFrom(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* jpeg) {
  const ComPtr<IWICImagingFactory> factory = Factory();
  Source source;
  ComPtr<IWICFormatConverter> converter;
  if (factory == nullptr || !Open(factory.Get(), runs, count, nullptr, &source) ||
      !Convert(factory.Get(), source.frame.Get(), keepAlpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR,
               &converter)) {
    return false;
  }
  Target target;
  if (!Start(factory.Get(), GUID_ContainerFormatJpeg, jpeg, &target)) return false;
  // An encoder without the option keeps its own quality; Wine's has it and
  // still writes 75.
  const HRESULT quality = SetOption(target.options.Get(), L"ImageQuality", VT_R4, kJpegQuality);
  if (FAILED(quality)) LogFailure(L"IPropertyBag2::Write (ImageQuality)", static_cast<DWORD>(quality));
  // The rows are handed over as 24-bit BGR, which every JPEG encoder takes.
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (!Describe(source, &format, &target) || format != GUID_WICPixelFormat24bppBGR) return false;
  const UINT stride = (source.width * 3 + 3) & ~3u;
  std::vector<std::uint8_t> rgb(keepAlpha ? static_cast<std::size_t>(stride) * kBandRows : 0);
  const bool written = EachBand(converter.Get(), source.width, source.height, keepAlpha ? 4 : 3,
                                [&](std::uint8_t* band, UINT rows, UINT bandStride) {
    if (keepAlpha) {
      // Straight alpha laid on white, as a viewer shows it on a white page.
      for (UINT y = 0; y < rows; ++y) {
        const std::uint8_t* in = band + static_cast<std::size_t>(y) * bandStride;
        std::uint8_t* out = rgb.data() + static_cast<std::size_t>(y) * stride;
        for (UINT x = 0; x < source.width; ++x, in += 4, out += 3) {
          const unsigned alpha = in[3];
          for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((in[c] * alpha + 255 * (255 - alpha) + 127) / 255);
        }
      }
      band = rgb.data();
      bandStride = stride;
    }
    return Ok(target.frame->WritePixels(rows, bandStride, bandStride * rows, band), L"WritePixels");
  });
  return written && Finish(&target);
}

bool DecodeWhole(const std::uint8_t* png, std::size_t size, std::uint32_t width, std::uint32_t height) {
  const ComPtr<IWICImagingFactory> factory = Factory();
  const ByteRun run{png, static_cast<std::uint32_t>(size)};
  Source source;
  ComPtr<IWICFormatConverter> converter;
  return factory != nullptr && Open(factory.Get(), &run, 1, &GUID_ContainerFormatPng, &source) &&
         source.width == width && source.height == height &&
         Convert(factory.Get(), source.frame.Get(), GUID_WICPixelFormat32bppBGRA, &converter) &&
         EachBand(converter.Get(), width, height, 4, [](std::uint8_t*, UINT, UINT) { return true; });
}

// COM on the calling thread, and memory running short told as a failure.
template <typename Call>
bool WithCom(const wchar_t* what, Call call) {
  const ComApartment com(COINIT_MULTITHREADED);
  if (!com.ready()) return Ok(com.result(), L"CoInitializeEx");
  try {
    return call();
  } catch (const std::bad_alloc&) {
    LogFailure(what, static_cast<DWORD>(E_OUTOFMEMORY));
    return false;
  }
}

}  // namespace

bool WicCodecs::EncodePng(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* png) {
  return count != 0 &&
         WithCom(L"EncodePng (memory)", [&] { return EncodePngFrom(runs, count, keepAlpha, filter_, png); });
}

bool WicCodecs::EncodeJpeg(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* jpeg) {
  return count != 0 && WithCom(L"EncodeJpeg (memory)", [&] { return EncodeJpegFrom(runs, count, keepAlpha, jpeg); });
}

bool WicCodecs::DecodesPng(const std::uint8_t* png, std::size_t size, std::uint32_t width, std::uint32_t height) {
  return WithCom(L"DecodesPng (memory)", [&] { return DecodeWhole(png, size, width, height); });
}

}  // namespace platform
