// A press takes its picture: the clipboard is opened, its bitmap block copied
// into the program's own memory, and the clipboard closed again at once, so
// that other programs never wait for the folder, the file or the disk.
#pragma once

#include "capture/save_result.h"
#include "platform/owners.h"

struct TakenPicture {
  // SAVE_ERR_OPEN_CLIPBOARD or SAVE_NO_BITMAP: nothing to save. Else SAVE_OK.
  SaveResult result = SAVE_OK;
  // The block is there, but no copy of it could get memory.
  bool noMemory = false;
  // The CF_DIB block's bytes; empty when the block could not be read.
  platform::MemoryCopy copy;
};

TakenPicture TakePicture();

// OpenClipboard, waiting a little while another program holds it.
bool OpenClipboardSoon(platform::OpenedClipboard& clipboard, platform::Threads& threads);
