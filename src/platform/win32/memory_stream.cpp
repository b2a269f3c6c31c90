#include "platform/win32/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {

MemoryStream* MemoryStream::Reading(const ByteRun* runs, std::size_t count) {
  auto* stream = new (std::nothrow) MemoryStream;
  if (stream != nullptr) {
    stream->runs_ = runs;
    stream->count_ = count;
  }
  return stream;
}

MemoryStream* MemoryStream::Writing(std::vector<std::uint8_t>* bytes) {
  auto* stream = new (std::nothrow) MemoryStream;
  if (stream != nullptr) stream->written_ = bytes;
  return stream;
}

HRESULT MemoryStream::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (id == IID_IUnknown || id == IID_ISequentialStream || id == IID_IStream) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG MemoryStream::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG MemoryStream::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

std::uint64_t MemoryStream::Size() const {
  if (written_ != nullptr) return written_->size();
  std::uint64_t size = 0;
  for (std::size_t i = 0; i < count_; ++i) size += runs_[i].length;
  return size;
}

HRESULT MemoryStream::Read(void* data, ULONG count, ULONG* read) {
  if (written_ != nullptr) return STG_E_ACCESSDENIED;
  auto* out = static_cast<std::uint8_t*>(data);
  ULONG done = 0;
  // Find the run the position falls in, then copy across runs.
  std::uint64_t runStart = 0;
  for (std::size_t i = 0; i < count_ && done < count; ++i) {
    const std::uint64_t runEnd = runStart + runs_[i].length;
    if (position_ < runEnd) {
      const std::uint64_t offset = position_ - runStart;
      const ULONG take = static_cast<ULONG>(std::min<std::uint64_t>(count - done, runEnd - position_));
      std::memcpy(out + done, runs_[i].data + offset, take);
      done += take;
      position_ += take;
    }
    runStart = runEnd;
  }
  if (read != nullptr) *read = done;
  return done == count ? S_OK : S_FALSE;
}

HRESULT MemoryStream::Write(const void* data, ULONG count, ULONG* written) {
  if (written_ == nullptr) return STG_E_ACCESSDENIED;
  const auto* in = static_cast<const std::uint8_t*>(data);
  try {
    if (position_ + count > written_->size()) written_->resize(position_ + count);
  } catch (const std::bad_alloc&) {
    return STG_E_MEDIUMFULL;
  }
  std::memcpy(written_->data() + position_, in, count);
  position_ += count;
  if (written != nullptr) *written = count;
  return S_OK;
}

HRESULT MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  std::int64_t base = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      break;
    case STREAM_SEEK_CUR:
      base = static_cast<std::int64_t>(position_);
      break;
    case STREAM_SEEK_END:
      base = static_cast<std::int64_t>(Size());
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  const std::int64_t target = base + move.QuadPart;
  if (target < 0) return STG_E_INVALIDFUNCTION;
  position_ = static_cast<std::uint64_t>(target);
  if (position != nullptr) position->QuadPart = position_;
  return S_OK;
}

HRESULT MemoryStream::SetSize(ULARGE_INTEGER size) {
  if (written_ == nullptr) return STG_E_ACCESSDENIED;
  try {
    written_->resize(static_cast<std::size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return STG_E_MEDIUMFULL;
  }
  return S_OK;
}

HRESULT MemoryStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) { return E_NOTIMPL; }

HRESULT MemoryStream::Stat(STATSTG* stat, DWORD) {
  if (stat == nullptr) return STG_E_INVALIDPOINTER;
  *stat = STATSTG{};
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = Size();
  stat->grfMode = written_ != nullptr ? STGM_READWRITE : STGM_READ;
  return S_OK;
}

}  // namespace platform
