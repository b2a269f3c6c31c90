#include "observed_platform.h"

#include <windows.h>

#include "measure.h"
#include "memory_watch.h"

namespace bench {

ObservedPlatform::ObservedPlatform()
    : clipboard_(platform::Default().clipboard, steps_),
      memory_(platform::Default().memory, steps_, clipboard_.getStartedAt),
      files_(platform::Default().files, steps_),
      platform_{clipboard_,
                memory_,
                files_,
                platform::Default().clock,
                platform::Default().threads,
                boxes_,
                platform::Default().registry,
                platform::Default().shell,
                platform::Default().hotKeys,
                platform::Default().codecs,
                platform::Default().session} {
  platform::Install(&platform_);
}

ObservedPlatform::~ObservedPlatform() { platform::Install(nullptr); }

bool ObservedPlatform::Clipboard::Open() {
  steps = SaveSteps{};  // a save begins here
  const double start = NowMs();
  const bool opened = real.Open();
  steps.open = NowMs() - start;
  return opened;
}

platform::Handle ObservedPlatform::Clipboard::GetDib() {
  getStartedAt = NowMs();
  return real.GetDib();
}

const std::uint8_t* ObservedPlatform::Memory::Lock(platform::Handle block) {
  const std::uint8_t* bytes = real.Lock(block);
  steps.handOver = NowMs() - getStartedAt;
  if (sample) bytesAfterHandOver = PrivateBytes(GetCurrentProcess());
  return bytes;
}

std::uint8_t* ObservedPlatform::Memory::AllocateCopy(std::size_t size) {
  copyStartedAt = NowMs();
  return real.AllocateCopy(size);
}

// The block is unlocked once the copy is made: the clipboard is free again.
void ObservedPlatform::Memory::Unlock(platform::Handle block) {
  if (copyStartedAt != 0) steps.copy = NowMs() - copyStartedAt;
  copyStartedAt = 0;
  real.Unlock(block);
}

platform::Handle ObservedPlatform::Files::CreateTemporary(const char16_t* path, std::uint32_t* error) {
  createdAt = NowMs();
  return real.CreateTemporary(path, error);
}

bool ObservedPlatform::Files::Write(platform::Handle file, const void* data, std::uint32_t count,
                                    std::uint32_t* error) {
  const bool written = real.Write(file, data, count, error);
  steps.write = NowMs() - createdAt;
  return written;
}

bool ObservedPlatform::Files::Flush(platform::Handle file, std::uint32_t* error) {
  if (skipFlush) return true;
  const double start = NowMs();
  const bool flushed = real.Flush(file, error);
  steps.flush = NowMs() - start;
  return flushed;
}

bool ObservedPlatform::Files::MoveNew(const char16_t* from, const char16_t* to, std::uint32_t* error) {
  const double start = NowMs();
  const bool moved = real.MoveNew(from, to, error);
  steps.move = NowMs() - start;
  return moved;
}

}  // namespace bench
