#include "capture/take_picture.h"

#include <cstring>

#include "capture/clipboard_png.h"
#include "capture/clipboard_privacy.h"
#include "capture/dib_layout.h"
#include "platform/platform.h"

namespace {
// Clipboard history and managers hold the clipboard for a few milliseconds
// after Print Screen, remote-desktop clients for much longer. The take runs
// on a worker, so waiting costs the window nothing.
constexpr std::uint32_t kOpenClipboardPatienceMs = 2000;
constexpr std::uint32_t kOpenClipboardRetryMs = 50;

struct Rules {
  bool automatic = false;
  // Before CF_DIB, as PNG and JPG take them: the "PNG", then a used CF_DIBV5 alpha.
  bool png = false;
  bool dibV5 = false;
  std::uint64_t room = 0;
  std::uint64_t bound = 0;
};

bool CopyInto(platform::GlobalMemory& memory, const std::uint8_t* bytes, std::size_t length, TakenPicture* picture) {
  platform::MemoryCopy copy(memory, length);
  if (copy.bytes() == nullptr) return false;
  std::memcpy(copy.bytes(), bytes, length);
  picture->copy = std::move(copy);
  return true;
}

// The "PNG", when it passes its checks: copied up to the end of IEND. Any
// failure leaves the bitmap to be taken instead.
bool CopyPng(platform::Platform& os, const Rules& rules, TakenPicture* picture, PngExtent* png) {
  if (!os.clipboard.HasNamed(kPngFormatName)) return false;
  const platform::LockedBlock block(os.memory, os.clipboard.GetNamed(kPngFormatName));
  if (block.bytes() == nullptr) return false;
  *png = CheckPngBlock(block.bytes(), block.size(), rules.bound);
  if (!png->valid || png->length > rules.room || !CopyInto(os.memory, block.bytes(), png->length, picture)) {
    return false;
  }
  picture->kind = PictureKind::kPng;
  return true;
}

// A program's own CF_DIBV5, when some pixel uses its alpha mask.
bool CopyDibV5WithAlpha(platform::Platform& os, const Rules& rules, TakenPicture* picture) {
  if (!os.clipboard.HasOwnDibV5()) return false;
  const platform::LockedBlock block(os.memory, os.clipboard.GetDibV5());
  DibLayout layout;
  return block.bytes() != nullptr && ReadDibLayout(block.bytes(), block.size(), &layout) &&
         DibAlphaUsed(layout, block.bytes()) && block.size() <= rules.room &&
         CopyInto(os.memory, block.bytes(), block.size(), picture);
}

// The copy, made inside the opening; the result says why there is none.
TakenPicture CopyWhileOpen(platform::Platform& os, const Rules& rules, const WriteWhileHeld& whenNoMemory,
                           PngExtent* png) {
  TakenPicture picture;
  // Checked in the same opening as the copy, so the marks and the owner
  // belong to the picture that is saved.
  if (rules.automatic &&
      (ClipboardIsPrivate(os.clipboard, os.memory) || ClipboardIsOfficeCopy(os.clipboard, os.shell))) {
    picture.fault.result = SAVE_SKIPPED_PRIVATE;
    return picture;
  }
  if ((rules.png && CopyPng(os, rules, &picture, png)) || (rules.dibV5 && CopyDibV5WithAlpha(os, rules, &picture))) {
    return picture;
  }
  if (!os.clipboard.HasDib()) {
    picture.fault.result = SAVE_NO_BITMAP;
    return picture;
  }
  const platform::LockedBlock block(os.memory, os.clipboard.GetDib());
  if (block.bytes() == nullptr) {
    picture.fault.result = SAVE_ERR_BITMAP_DATA;
    return picture;
  }
  if (block.size() > rules.room) {
    picture.fault.result = SAVE_REFUSED_BUSY;
    return picture;
  }
  if (!CopyInto(os.memory, block.bytes(), block.size(), &picture)) {
    picture.fault = whenNoMemory(block.bytes(), block.size());
    picture.written = true;
  }
  return picture;
}

// OpenClipboard, waiting while another program holds it; when it never lets
// go, the file name of the program whose window held it, where known.
bool OpenClipboardSoon(platform::OpenedClipboard& clipboard, platform::Platform& os, std::u16string* holder) {
  void* holderWindow = nullptr;
  for (std::uint32_t waited = 0;; waited += kOpenClipboardRetryMs) {
    if (clipboard.Open()) return true;
    // The last window seen holding it: by the end, the one that kept it.
    if (void* window = os.clipboard.OpenerWindow()) holderWindow = window;
    if (waited >= kOpenClipboardPatienceMs) break;
    os.threads.Pause(kOpenClipboardRetryMs);
  }
  *holder = os.shell.WindowProgram(holderWindow);
  return false;
}

// `seen`: only while the clipboard's number is still this one (0: whatever
// it holds, and where the system keeps no number).
TakenPicture TakeInOneOpening(platform::Platform& os, const Rules& rules, const WriteWhileHeld& whenNoMemory,
                              std::uint32_t seen, PngExtent* png) {
  TakenPicture picture;
  if (seen != 0 && os.clipboard.SequenceNumber() != seen) {
    // What the first opening saw is gone: another picture is no stand-in.
    picture.fault.result = SAVE_ERR_BITMAP_DATA;
    return picture;
  }
  {
    platform::OpenedClipboard clipboard(os.clipboard);
    if (!OpenClipboardSoon(clipboard, os, &picture.fault.holder)) {
      picture.fault.result = SAVE_ERR_OPEN_CLIPBOARD;
      return picture;
    }
    picture = CopyWhileOpen(os, rules, whenNoMemory, png);
  }
  picture.sequence = os.clipboard.SequenceNumber();
  picture.width = png->width;
  picture.height = png->height;
  return picture;
}

}  // namespace

TakenPicture TakePicture(platform::Platform& os, const SaveOrder& order, std::uint64_t room, std::uint64_t bound,
                         const WriteWhileHeld& whenNoMemory) {
  const bool best = order.format != kFormatBmp;
  PngExtent png;
  return TakeInOneOpening(os, Rules{order.automatic, best, best, room, bound}, whenNoMemory, 0, &png);
}

bool PictureDecodes(platform::ImageCodecs& codecs, const TakenPicture& picture) {
  return picture.kind != PictureKind::kPng ||
         codecs.DecodesPng(picture.copy.bytes(), picture.copy.size(), picture.width, picture.height);
}

TakenPicture TakeBitmapInstead(platform::Platform& os, const SaveOrder& order, std::uint32_t seen,
                               std::uint64_t room, std::uint64_t bound, const WriteWhileHeld& whenNoMemory) {
  PngExtent png;
  const Rules rules{order.automatic, false, order.format != kFormatBmp, room, bound};
  return TakeInOneOpening(os, rules, whenNoMemory, seen, &png);
}
