// Saves the clipboard's bitmap as a BMP or PNG file (g_dwFormat) named after
// the local time, in the folder g_szPath. Runs on the save worker thread, never twice at once.
#pragma once

#include "capture/save_result.h"

SaveResult SaveClipboardBitmap();

// Start-up: empties the save scratch and registers CloseSaveHandles to run at
// process exit.
void InitSaveState();

// Process-exit safety net: closes (and discards) an output file a save left
// open, then closes the clipboard.
void CloseSaveHandles();
