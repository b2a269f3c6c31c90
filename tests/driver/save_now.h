// One save on the calling thread, from the settings as they stand: the two
// steps the save queue's workers take for a press (the picture taken from the
// clipboard, then written), without the queue around them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "capture/save_queue.h"
#include "capture/take_picture.h"
#include "capture/write_picture.h"

namespace testsupport {

struct SavedNow {
  SaveResult result = SAVE_OK;
  SaveFault fault;      // where and why, when it failed
  std::u16string file;  // the saved file's path, when one was saved
};

// On the platform in use.
inline SavedNow SaveNow(bool automatic = false, std::uint64_t bound = SaveLimits{}.bytes) {
  platform::Platform& os = platform::Current();
  const SaveOrder order = OrderNow(os.clock, automatic);
  SavedNow saved;
  const std::uint64_t unbounded = std::numeric_limits<std::uint64_t>::max();
  const WriteWhileHeld whenNoMemory = [&](const std::uint8_t* block, std::size_t size) {
    return WritePicture(os, order, PictureKind::kDib, block, size, &saved.file);
  };
  TakenPicture picture = TakePicture(os, order, unbounded, bound, whenNoMemory);
  if (picture.fault.result == SAVE_OK && !PictureDecodes(os.codecs, picture)) {
    const std::uint32_t seen = picture.sequence;
    picture = TakenPicture();  // its copy given back first, as the writer does
    picture = TakeBitmapInstead(os, order, seen, unbounded, bound, whenNoMemory);
  }
  saved.fault = picture.fault;
  if (picture.fault.result == SAVE_OK && !picture.written) {
    saved.fault = WritePicture(os, order, picture.kind, picture.copy.bytes(), picture.copy.size(), &saved.file);
  }
  saved.result = saved.fault.result;
  return saved;
}

}  // namespace testsupport
