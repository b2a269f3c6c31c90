// Through the real Tarnwick.exe: the time from the hot-key press to the
// finished file, and the memory the program takes for a save.
#pragma once

#include <string>

#include "measure.h"

namespace bench {

struct ProgramFigures {
  int width = 0;
  int height = 0;
  Summary pressToFile;  // ms
  // Tarnwick's private bytes: the peak during its first save minus before
  // it, what it still holds after that save, and the peak during a later
  // save of the same size minus before that one.
  long long firstSaveExtraBytes = 0;
  long long keptAfterFirstBytes = 0;
  long long laterSaveExtraBytes = 0;
  int filesChecked = 0;
  int filesCorrect = 0;
  std::string error;
};

// `folder` ends with a backslash; files are deleted once checked.
ProgramFigures MeasureProgram(int width, int height, int runs, const std::wstring& folder);

}  // namespace bench
