// Through the real Tarnwick.exe: the time from the hot-key press to the
// finished file, and the memory the program takes for a save.
#pragma once

#include <string>
#include <vector>

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

// A held key on one picture: a press, then 29 repeats 33 ms apart (each a
// press where the system ignores MOD_NOREPEAT, as Wine does), until the
// folder is quiet again.
struct HeldKeyFigures {
  long long extraBytes = 0;  // Tarnwick's peak private bytes over it, minus before
  std::size_t pictureBytes = 0;
  int files = 0;  // the picture's files it left
  int filesCorrect = 0;
  double quietMs = 0;  // from the first press until the file is there and no temporary one
  std::vector<std::string> boxes;
  std::string error;
};
HeldKeyFigures MeasureHeldKey(int width, int height, const std::wstring& folder);

}  // namespace bench
