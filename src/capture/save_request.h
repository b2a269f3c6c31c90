// One hot-key press becomes one save on a worker thread of its own and at
// most one message box. The user-interface thread never waits for a save:
// the worker hands its result back, and the user-interface thread shows it.
#pragma once

#include <cstdint>

#include "capture/save_result.h"

// How long the exit waits for the saves pressed before it to make progress.
constexpr std::uint32_t kExitWaitMs = 30000;

// Called on the worker thread, in press order, with each save's result and
// whether the save came without a press. The main window posts it to itself.
using SaveEndedHandler = void (*)(SaveResult result, bool automatic);
void SetSaveEndedHandler(SaveEndedHandler handler);

// Thread procedure: the press given as `press` takes its picture in its turn,
// then writes it in its turn, and hands on the result. Always returns 0.
std::uint32_t SaveWorkerThread(void* press);

// The main window's WM_HOTKEY handler: starts the press's worker with the
// folder as it is now, and returns at once. 1, after the message, when no
// thread could be started; else 0.
int HandleHotKeyPress();
// The same save, asked for without a press (a new picture on the clipboard).
int RequestAutomaticSave();

// The user-interface thread, when a save's result reaches it: a failure's
// text in an error box. A failed automatic save is not told while the box of
// another one is still up.
void ShowSaveResult(SaveResult result, bool automatic);

// Exit: waits until every save pressed so far has its file or its failure.
// False when saves are still waiting and none has ended for `timeoutMs` (a
// folder that hangs).
bool WaitForPendingSaves(std::uint32_t timeoutMs);
