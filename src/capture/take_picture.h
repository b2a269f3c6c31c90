// A save takes its picture: the clipboard is opened, its bitmap block copied
// into the program's own memory, and the clipboard closed again at once, so
// that other programs never wait for the folder, the file or the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "capture/save_result.h"
#include "platform/owners.h"

struct TakenPicture {
  // SAVE_OK with the copy; otherwise why there is nothing more to write.
  SaveResult result = SAVE_OK;
  platform::MemoryCopy copy;  // the CF_DIB block's bytes
  // The picture was written while the clipboard was held; `result` is the
  // save's.
  bool written = false;
  // The clipboard's number once the opening has closed: a delayed rendering
  // that the copy itself asked for has changed it by then.
  std::uint32_t sequence = 0;
};

// With the clipboard still held, when no memory can be had for the copy:
// writes the block straight from the clipboard, or says why not.
using WriteWhileHeld = std::function<SaveResult(const std::uint8_t* block, std::size_t size)>;

// `automatic` saves leave private content alone (SAVE_SKIPPED_PRIVATE).
// A block larger than `room` bytes is refused with SAVE_REFUSED_BUSY, not
// copied.
TakenPicture TakePicture(bool automatic, std::uint64_t room, const WriteWhileHeld& whenNoMemory);

// OpenClipboard, waiting a little while another program holds it.
bool OpenClipboardSoon(platform::OpenedClipboard& clipboard, platform::Threads& threads);
