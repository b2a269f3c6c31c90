// A save takes its picture: the clipboard is opened, checked, its picture
// copied into the program's own memory, and the clipboard closed again at
// once, so that other programs never wait for a decode, the folder, the file
// or the disk, and the taker is soon free for the next press.
//
// With BMP chosen the picture is CF_DIB. With PNG or JPG chosen it is the best
// the clipboard offers: a "PNG" that passes its checks and decodes whole, else
// a program's CF_DIBV5 whose alpha some pixel uses, else CF_DIB. The decode
// runs on the writer, after the take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "capture/save_job.h"
#include "platform/owners.h"

struct TakenPicture {
  // SAVE_OK with the copy; otherwise why there is nothing more to write.
  SaveFault fault;
  PictureKind kind = PictureKind::kDib;
  platform::MemoryCopy copy;
  // A "PNG"'s size, as its header gives it.
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  // The picture was written while the clipboard was held; `fault` is the
  // save's.
  bool written = false;
  // The clipboard's number once the opening has closed: a delayed rendering
  // that the copy itself asked for has changed it by then.
  std::uint32_t sequence = 0;
};

// With the clipboard still held, when no memory can be had for the copy:
// writes the CF_DIB block straight from the clipboard, or says why not.
using WriteWhileHeld = std::function<SaveFault(const std::uint8_t* block, std::size_t size)>;

// `automatic` saves leave private content and office programs' copies alone
// (SAVE_SKIPPED_PRIVATE). A block larger than `room` bytes is not copied:
// CF_DIB is refused with SAVE_REFUSED_BUSY. A "PNG" whose pixels, at 4 bytes
// each, would pass `bound` is not taken. A clipboard that another program
// holds for 2 s fails with SAVE_ERR_OPEN_CLIPBOARD, naming that program where
// it can.
TakenPicture TakePicture(platform::Platform& os, const SaveOrder& order, std::uint64_t room, std::uint64_t bound,
                         const WriteWhileHeld& whenNoMemory);

// On the writer: true unless the picture is a "PNG" that does not decode whole.
bool PictureDecodes(platform::ImageCodecs& codecs, const TakenPicture& picture);
// For a "PNG" that does not: the rest (CF_DIBV5, CF_DIB), taken in a second
// opening if the clipboard still holds what the first one saw (its number
// `seen`); SAVE_ERR_BITMAP_DATA otherwise.
TakenPicture TakeBitmapInstead(platform::Platform& os, const SaveOrder& order, std::uint32_t seen,
                               std::uint64_t room, std::uint64_t bound, const WriteWhileHeld& whenNoMemory);
