#include "platform/win32/wic_codecs.h"

#include <wrl/client.h>

#include <cstring>
#include <memory>
#include <new>

#include "platform/win32/debug_log.h"

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

// The memory an HGLOBAL stream wrote, copied out.
bool CopyStream(IStream* stream, std::vector<std::uint8_t>* bytes) {
  STATSTG stat{};
  HGLOBAL memory = nullptr;
  if (!Ok(stream->Stat(&stat, STATFLAG_NONAME), L"IStream::Stat") ||
      !Ok(GetHGlobalFromStream(stream, &memory), L"GetHGlobalFromStream")) {
    return false;
  }
  const auto size = static_cast<std::size_t>(stat.cbSize.QuadPart);
  const void* data = GlobalLock(memory);
  if (data == nullptr) {
    LogLastError(L"GlobalLock (PNG)");
    return false;
  }
  bytes->assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
  GlobalUnlock(memory);
  return true;
}

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

bool Encode(const std::uint8_t* bmp, std::size_t size, bool keepAlpha, WICPngFilterOption filter,
            std::vector<std::uint8_t>* png) {
  ComPtr<IWICImagingFactory> factory;
  if (!Ok(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
          L"CoCreateInstance (WIC)")) {
    return false;
  }

  // The BMP file, read by the system's BMP decoder straight from memory.
  ComPtr<IWICStream> input;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (!Ok(factory->CreateStream(&input), L"CreateStream") ||
      !Ok(input->InitializeFromMemory(const_cast<BYTE*>(bmp), static_cast<DWORD>(size)), L"InitializeFromMemory") ||
      !Ok(factory->CreateDecoder(GUID_ContainerFormatBmp, nullptr, &decoder), L"CreateDecoder (BMP)") ||
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

  // Opaque pictures are stored as RGB, without an alpha channel.
  WICPixelFormatGUID format = keepAlpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
  ComPtr<IStream> output;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> target;
  ComPtr<IPropertyBag2> options;
  if (!Ok(CreateStreamOnHGlobal(nullptr, TRUE, &output), L"CreateStreamOnHGlobal") ||
      !Ok(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), L"CreateEncoder (PNG)") ||
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
  if (!Ok(target->WriteSource(source, nullptr), L"WriteSource") ||
      !Ok(target->Commit(), L"IWICBitmapFrameEncode::Commit") || !Ok(encoder->Commit(), L"IWICBitmapEncoder::Commit")) {
    return false;
  }
  return CopyStream(output.Get(), png);
}

}  // namespace

bool WicCodecs::EncodePng(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* png) {
  const ComOnThisThread com;
  if (!com.ready()) return false;

  if (count == 0) return false;
  // The decoder reads one stream: several runs are put side by side.
  const std::uint8_t* bmp = runs[0].data;
  std::size_t size = runs[0].length;
  std::unique_ptr<std::uint8_t[]> joined;
  if (count > 1) {
    for (std::size_t i = 1; i < count; ++i) size += runs[i].length;
    joined.reset(new (std::nothrow) std::uint8_t[size]);
    if (!joined) {
      LogFailure(L"EncodePng (memory for the picture)", static_cast<DWORD>(E_OUTOFMEMORY));
      return false;
    }
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
      std::memcpy(joined.get() + at, runs[i].data, runs[i].length);
      at += runs[i].length;
    }
    bmp = joined.get();
  }
  try {
    return Encode(bmp, size, keepAlpha, filter_, png);
  } catch (const std::bad_alloc&) {
    LogFailure(L"EncodePng (memory for the PNG)", static_cast<DWORD>(E_OUTOFMEMORY));
    return false;
  }
}

}  // namespace platform
