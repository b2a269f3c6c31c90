// The save in this process against a plain write of the same bytes, the
// memory a save takes, and the CPU the user-interface thread uses on a press
// while the queue's workers save.
#pragma once

#include <string>

#include "measure.h"

namespace bench {

struct SaveFigures {
  int width = 0;
  int height = 0;
  std::size_t fileBytes = 0;
  // Milliseconds per run; each run's picture is put by another process.
  Summary plainWrite;  // CreateFileW, one WriteFile, CloseHandle
  Summary save;        // the picture taken, then written, on this thread
  // Its steps (see ObservedPlatform); `rest` is what none of them covers:
  // the folder check, the file name, closing the clipboard.
  Summary open, handOver, copy, write, flush, move, rest;
  Summary saveWithoutFlush;  // the same save with FlushFileBuffers skipped
  Summary ownPart;  // the save less the hand-over
  // Private bytes: the peak during one save, and the level just after the
  // clipboard handed the bitmap over, each minus before the save.
  long long saveExtraBytes = 0;
  long long handOverExtraBytes = 0;
  // The peak during a press (the workers and the save) minus before.
  long long hotKeyExtraBytes = 0;
  // Presses: how many, their wall time, and the CPU time of the
  // calling thread and of the whole process over them.
  int waits = 0;
  double waitWallMs = 0;
  double uiThreadCpuMs = 0;
  double processCpuMs = 0;
  // Every saved file was compared byte for byte with the picture put there.
  int filesChecked = 0;
  int filesCorrect = 0;
  std::string error;  // why the measurement stopped, if it did
};

// `folder` ends with a backslash; saves go there and are deleted after.
SaveFigures MeasureSave(int width, int height, int runs, const std::wstring& folder);

}  // namespace bench
