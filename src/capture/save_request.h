// One hot-key press becomes one save on a worker thread and at most one
// message box.
#pragma once

#include <cstdint>

// Size of the result text buffer that the worker fills, in UTF-16 units.
constexpr int kResultChars = 50;

// Thread procedure: runs SaveClipboardBitmap and writes the result's text
// into the kResultChars buffer at `resultBuffer`. Always returns 0.
std::uint32_t SaveWorkerThread(void* resultBuffer);

// The work of the main window's WM_HOTKEY handler: starts the worker, waits
// for it without spinning, and shows a failure in an error box. Returns 1 when
// no thread could be started or its exit code was not 0, else 0.
int HandleHotKeyPress();
