#include "platform/win32/wic_codecs.h"

#include <wrl/client.h>

#include <new>

#include "platform/win32/debug_log.h"
#include "platform/win32/memory_stream.h"

namespace platform {
namespace {

using Microsoft::WRL::ComPtr;

bool Ok(HRESULT result, const wchar_t* call) {
  if (SUCCEEDED(result)) return true;
  LogFailure(call, static_cast<DWORD>(result));
  return false;
}

// COM on the calling thread for as long as the owner lives. The save runs on
// a worker thread of its own, which has no apartment; a thread that already
// has one keeps it, and COM is usable there as it is.
class ComOnThisThread {
 public:
  ComOnThisThread() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComOnThisThread() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComOnThisThread(const ComOnThisThread&) = delete;
  ComOnThisThread& operator=(const ComOnThisThread&) = delete;

  bool ready() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE || Ok(result_, L"CoInitializeEx"); }

 private:
  HRESULT result_;
};

bool SetFilter(IPropertyBag2* options, WICPngFilterOption filter) {
  wchar_t name[] = L"FilterOption";
  PROPBAG2 option{};
  option.pstrName = name;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_UI1;
  value.bVal = static_cast<BYTE>(filter);
  return Ok(options->Write(1, &option, &value), L"IPropertyBag2::Write (FilterOption)");
}

bool Convert(IWICImagingFactory* factory, IWICBitmapSource* source, const WICPixelFormatGUID& format,
             ComPtr<IWICFormatConverter>* converter) {
  return Ok(factory->CreateFormatConverter(converter->ReleaseAndGetAddressOf()), L"CreateFormatConverter") &&
         Ok((*converter)->Initialize(source, format, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom),
            L"IWICFormatConverter::Initialize");
}

bool Encode(const ByteRun* runs, std::size_t count, bool keepAlpha, WICPngFilterOption filter,
            std::vector<std::uint8_t>* png) {
  ComPtr<IWICImagingFactory> factory;
  if (!Ok(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
          L"CoCreateInstance (WIC)")) {
    return false;
  }

  // The BMP file, read by the system's BMP decoder from its runs where they
  // lie: the picture is not copied to put the file header before it.
  ComPtr<IStream> input;
  input.Attach(MemoryStream::Reading(runs, count));
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (input == nullptr || !Ok(factory->CreateDecoder(GUID_ContainerFormatBmp, nullptr, &decoder), L"CreateDecoder (BMP)") ||
      !Ok(decoder->Initialize(input.Get(), WICDecodeMetadataCacheOnDemand), L"IWICBitmapDecoder::Initialize") ||
      !Ok(decoder->GetFrame(0, &frame), L"IWICBitmapDecoder::GetFrame")) {
    return false;
  }

  // Every layout converts to 32 bits a pixel: with straight alpha, or with a
  // fourth byte that no one reads, so that no pixel can come out transparent.
  const WICPixelFormatGUID decoded = keepAlpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat32bppBGR;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  double dpiX = 0, dpiY = 0;
  if (!Convert(factory.Get(), frame.Get(), decoded, &converter) ||
      !Ok(frame->GetSize(&width, &height), L"IWICBitmapFrameDecode::GetSize")) {
    return false;
  }
  // The picture's own resolution when it has one; else the encoder's default.
  const bool hasResolution = SUCCEEDED(frame->GetResolution(&dpiX, &dpiY)) && dpiX > 0 && dpiY > 0;

  // Opaque pictures are stored as RGB, without an alpha channel. Asked for
  // as decoded, 32 bits with a fourth byte no one reads: an encoder that
  // drops that byte itself (Wine's) takes the rows without a conversion
  // pass; one that does not names 24 bits, and gets them converted.
  WICPixelFormatGUID format = decoded;
  png->clear();
  ComPtr<IStream> output;
  output.Attach(MemoryStream::Writing(png));
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> target;
  ComPtr<IPropertyBag2> options;
  if (output == nullptr || !Ok(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), L"CreateEncoder (PNG)") ||
      !Ok(encoder->Initialize(output.Get(), WICBitmapEncoderNoCache), L"IWICBitmapEncoder::Initialize") ||
      !Ok(encoder->CreateNewFrame(&target, &options), L"CreateNewFrame") || !SetFilter(options.Get(), filter) ||
      !Ok(target->Initialize(options.Get()), L"IWICBitmapFrameEncode::Initialize") ||
      !Ok(target->SetSize(width, height), L"SetSize") ||
      (hasResolution && !Ok(target->SetResolution(dpiX, dpiY), L"SetResolution")) ||
      !Ok(target->SetPixelFormat(&format), L"SetPixelFormat")) {
    return false;
  }
  // The encoder names the format it takes; it gets exactly that.
  ComPtr<IWICFormatConverter> encoded;
  IWICBitmapSource* source = converter.Get();
  if (format != decoded) {
    if (!Convert(factory.Get(), converter.Get(), format, &encoded)) return false;
    source = encoded.Get();
  }
  return Ok(target->WriteSource(source, nullptr), L"WriteSource") &&
         Ok(target->Commit(), L"IWICBitmapFrameEncode::Commit") && Ok(encoder->Commit(), L"IWICBitmapEncoder::Commit");
}

}  // namespace

bool WicCodecs::EncodePng(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* png) {
  const ComOnThisThread com;
  if (!com.ready()) return false;

  if (count == 0) return false;
  try {
    return Encode(runs, count, keepAlpha, filter_, png);
  } catch (const std::bad_alloc&) {
    LogFailure(L"EncodePng (memory for the PNG)", static_cast<DWORD>(E_OUTOFMEMORY));
    return false;
  }
}

}  // namespace platform
