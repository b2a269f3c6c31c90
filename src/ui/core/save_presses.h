// What the window's thread does with saves: the hot key's press, and a new
// clipboard picture while "AutoSave" is on, each add one to the queue; each
// save's end is shown: a failure in its box, a success by the notification
// (saved_notification.h). How the program ends meanwhile is in
// exit_and_logoff.h. Portable: no window calls here, so that it runs on the
// fake platform too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/save_result.h"
#include "platform/platform.h"
#include "ui/core/exit_and_logoff.h"
#include "ui/core/saved_notification.h"

class SaveQueue;

// A save's failure as its box tells it: where and why under the text, for
// the failures that reach the folder, the file or the clipboard.
std::u16string SaveFailureText(platform::MessageBoxes& boxes, const SaveFault& fault);

class SavePresses {
 public:
  // How the main window is told, from any thread, to come back here.
  struct Signals {
    void (*saveEnded)() = nullptr;      // then ShowEnded
    void (*requestFailed)() = nullptr;  // then ShowFailedRequests
  };

  SavePresses(platform::Platform& os, SaveQueue& queue);
  SavePresses(const SavePresses&) = delete;
  SavePresses& operator=(const SavePresses&) = delete;

  // The main window's start: the leftovers a killed save left in the save
  // folder are swept.
  void Start(Signals signals);

  // A press of the hot key: 1, after its message, when no worker could be
  // started; else 0. A press beyond the queue's bound is told in a box.
  int Press();
  // A new picture on the clipboard, saved without a key: the same save,
  // which leaves private content alone.
  void SaveNewPicture();

  // WM_SAVE_ENDED: each ended save's failure in a box, with where and why it
  // failed, one box per text (its first line) at a time, so that a held key or a copy burst into a failing folder shows
  // one; each success by the notification. While saves are still to be
  // written, the main window names them to logoff and shutdown.
  void ShowEnded();
  // The failures of the requests to Explorer.
  void ShowFailedRequests();

  // 打开保存目录 and a click on the balloon (saved_notification.h).
  void OpenSaveFolder();
  void ShowLastSaved();

  // The exit command and the session's end (exit_and_logoff.h). Exit is
  // false when the exit was already under way.
  bool Exit() { return ending_.Exit(); }
  void EndSession(bool ending, std::uint32_t waitMs) { ending_.EndSession(ending, waitMs); }
  // After the main window has gone: waits for every save pressed before the
  // exit, showing their failures as ever. False when `quietMs` pass with saves
  // left and none of them ending (a folder that hangs).
  bool FinishAtExit(std::uint32_t quietMs);

 private:
  int Add(bool automatic);
  void TellEnded();
  void ShowFailure(const std::u16string& text);

  platform::Platform& os_;
  SaveQueue& queue_;
  SavedNotification notification_;
  ExitAndLogoff ending_;
  // The first lines of the failures' boxes that are up.
  std::vector<std::u16string> boxesUp_;
};
