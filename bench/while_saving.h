// What other programs meet while Tarnwick.exe saves, measured from outside
// with the e2e driver's probes: a thread with a window of its own tries to
// open the clipboard every millisecond and times the longest it was refused,
// another times the main window's slowest answer (SendMessageTimeout, as
// Windows asks before it calls a window hung).
#pragma once

#include <string>

#include "measure.h"

namespace bench {

struct WhileSavingFigures {
  Summary pressToFile;    // ms
  Summary clipboardHeld;  // ms, the longest refusal in each save
  Summary slowestAnswer;  // ms, the slowest answer in each save
  int filesChecked = 0;
  int filesCorrect = 0;
  std::string error;
};

// `runs` hot-key saves of new pictures into `folder` (ending with a
// backslash) through a Tarnwick.exe started for them; files are checked
// byte for byte, then deleted.
WhileSavingFigures MeasureWhileSaving(int width, int height, int runs, const std::wstring& folder);

}  // namespace bench
