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
  std::u16string file;  // the saved file's path, when one was saved
};

inline SavedNow SaveNow(bool automatic = false, std::uint64_t bound = SaveLimits{}.bytes) {
  const SaveOrder order = OrderNow(automatic);
  SavedNow saved;
  const std::uint64_t unbounded = std::numeric_limits<std::uint64_t>::max();
  const TakenPicture picture = TakePicture(order, unbounded, bound, [&](const std::uint8_t* block, std::size_t size) {
    return WritePicture(order, PictureKind::kDib, block, size, &saved.file);
  });
  saved.result = picture.result;
  if (picture.result == SAVE_OK && !picture.written) {
    saved.result = WritePicture(order, picture.kind, picture.copy.bytes(), picture.copy.size(), &saved.file);
  }
  return saved;
}

}  // namespace testsupport
