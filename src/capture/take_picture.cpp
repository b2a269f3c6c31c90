#include "capture/take_picture.h"

#include <cstring>

#include "capture/clipboard_privacy.h"
#include "platform/platform.h"

namespace {
// Clipboard history, remote-desktop sync and clipboard managers hold the
// clipboard for a few milliseconds after Print Screen: wait a little for them.
constexpr int kOpenClipboardRetries = 5;
constexpr std::uint32_t kOpenClipboardRetryMs = 50;

// The copy, made inside the opening; the result says why there is none.
TakenPicture CopyWhileOpen(platform::Platform& os, bool automatic, std::uint64_t room,
                           const WriteWhileHeld& whenNoMemory) {
  TakenPicture picture;
  // Checked in the same opening as the copy, so the marks belong to the
  // picture that is saved.
  if (automatic && ClipboardIsPrivate(os.clipboard, os.memory)) {
    picture.result = SAVE_SKIPPED_PRIVATE;
    return picture;
  }
  if (!os.clipboard.HasDib()) {
    picture.result = SAVE_NO_BITMAP;
    return picture;
  }
  const platform::LockedBlock block(os.memory, os.clipboard.GetDib());
  if (block.bytes() == nullptr) {
    picture.result = SAVE_ERR_BITMAP_DATA;
    return picture;
  }
  if (block.size() > room) {
    picture.result = SAVE_REFUSED_BUSY;
    return picture;
  }
  platform::MemoryCopy copy(os.memory, block.size());
  if (copy.bytes() == nullptr) {
    picture.result = whenNoMemory(block.bytes(), block.size());
    picture.written = true;
    return picture;
  }
  std::memcpy(copy.bytes(), block.bytes(), block.size());
  picture.copy = std::move(copy);
  return picture;
}

}  // namespace

bool OpenClipboardSoon(platform::OpenedClipboard& clipboard, platform::Threads& threads) {
  for (int retry = 0;; ++retry) {
    if (clipboard.Open()) return true;
    if (retry == kOpenClipboardRetries) return false;
    threads.Pause(kOpenClipboardRetryMs);
  }
}

TakenPicture TakePicture(bool automatic, std::uint64_t room, const WriteWhileHeld& whenNoMemory) {
  platform::Platform& os = platform::Current();
  TakenPicture picture;
  {
    platform::OpenedClipboard clipboard(os.clipboard);
    if (!OpenClipboardSoon(clipboard, os.threads)) {
      picture.result = SAVE_ERR_OPEN_CLIPBOARD;
      return picture;
    }
    picture = CopyWhileOpen(os, automatic, room, whenNoMemory);
  }
  picture.sequence = os.clipboard.SequenceNumber();
  return picture;
}
