#include "capture/take_picture.h"

#include <cstring>

#include "platform/platform.h"

namespace {
// Clipboard history, remote-desktop sync and clipboard managers hold the
// clipboard for a few milliseconds after Print Screen: wait a little for them.
constexpr int kOpenClipboardRetries = 5;
constexpr std::uint32_t kOpenClipboardRetryMs = 50;
}  // namespace

bool OpenClipboardSoon(platform::OpenedClipboard& clipboard, platform::Threads& threads) {
  for (int retry = 0;; ++retry) {
    if (clipboard.Open()) return true;
    if (retry == kOpenClipboardRetries) return false;
    threads.Pause(kOpenClipboardRetryMs);
  }
}

TakenPicture TakePicture() {
  platform::Platform& os = platform::Current();
  TakenPicture picture;
  platform::OpenedClipboard clipboard(os.clipboard);
  if (!OpenClipboardSoon(clipboard, os.threads)) {
    picture.result = SAVE_ERR_OPEN_CLIPBOARD;
    return picture;
  }
  if (!os.clipboard.HasDib()) {
    picture.result = SAVE_NO_BITMAP;
    return picture;
  }
  const platform::LockedBlock block(os.memory, os.clipboard.GetDib());
  if (block.bytes() == nullptr) return picture;  // unreadable: the save says so
  platform::MemoryCopy copy(os.memory, block.size());
  if (copy.bytes() == nullptr) {
    picture.noMemory = true;
    return picture;
  }
  std::memcpy(copy.bytes(), block.bytes(), block.size());
  picture.copy = std::move(copy);
  return picture;
}
