// What the window's thread does with saves: the hot key's press, and a new
// clipboard picture while "AutoSave" is on, each add one to the queue; each
// save's end is shown, a failure in its box. Portable: no window calls here,
// so that it runs on the fake platform too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class SaveQueue;

// How long the exit waits for a save to end before it gives up on a folder
// that hangs.
constexpr std::uint32_t kExitQuietMs = 30000;
// Windows ends a program that has not answered WM_ENDSESSION after about 5 s.
constexpr std::uint32_t kSessionEndWaitMs = 4000;

class SavePresses {
 public:
  explicit SavePresses(SaveQueue& queue);
  SavePresses(const SavePresses&) = delete;
  SavePresses& operator=(const SavePresses&) = delete;

  // A press of the hot key: 1, after its message, when no worker could be
  // started; else 0. A press beyond the queue's bound is told in a box.
  int Press();
  // A new picture on the clipboard, saved without a key: the same save,
  // which leaves private content alone.
  void SaveNewPicture();
  // The main window's start: `signal` is called on a worker each time a save
  // ends, for the window to call ShowEnded; the leftovers a killed save left
  // in the save folder are swept.
  void Start(void (*signal)());

  // WM_SAVE_ENDED: each ended save's failure in a box, one box per text at a
  // time, so that a held key or a copy burst into a failing folder shows
  // one. While saves are still to be written, the main window names them to
  // logoff and shutdown.
  void ShowEnded();
  // After the main window has gone: waits for every save pressed before the
  // exit, showing their failures as ever. False when `quietMs` pass with saves
  // left and none of them ending (a folder that hangs).
  bool FinishAtExit(std::uint32_t quietMs);
  // WM_ENDSESSION: when the session ends, waits for the saves at most
  // `waitMs`, and shows no box from then on.
  void EndSession(bool ending, std::uint32_t waitMs);

 private:
  int Add(bool automatic);
  void ShowFailure(const char16_t* text);
  void FollowShutdownBlock();

  SaveQueue& queue_;
  std::vector<std::u16string> boxesUp_;
  bool blockingShutdown_ = false;
  bool sessionEnding_ = false;
};
