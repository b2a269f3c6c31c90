// A COM stream over the program's own memory, for the image codecs: read
// from a file made of several runs of bytes side by side (a BMP file header
// before the picture's copy, with nothing joined), or written into a growing
// vector (the encoded file).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace platform {

class MemoryStream : public IStream {
 public:
  // Read-only over the runs, which must outlive the stream.
  static MemoryStream* Reading(const ByteRun* runs, std::size_t count);
  // Written into *bytes, which must outlive the stream.
  static MemoryStream* Writing(std::vector<std::uint8_t>* bytes);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* data, ULONG count, ULONG* read) override;
  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) override;
  // IStream
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  MemoryStream() = default;
  virtual ~MemoryStream() = default;
  std::uint64_t Size() const;

  LONG references_ = 1;
  const ByteRun* runs_ = nullptr;
  std::size_t count_ = 0;
  std::vector<std::uint8_t>* written_ = nullptr;
  std::uint64_t position_ = 0;
};

}  // namespace platform
