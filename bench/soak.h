// The soak run: many hot-key saves in a row through the real program, each
// file checked, and the program's resource counts watched for growth.
#pragma once

#include <string>
#include <vector>

#include "measure.h"
#include "tarnwick_session.h"

namespace bench {

struct SoakCheckpoint {
  int saves = 0;  // saves made when the figures were read
  ProcessFigures figures;
};

struct SoakFigures {
  int width = 0;
  int height = 0;
  int requested = 0;
  int saved = 0;    // a finished file appeared
  int correct = 0;  // and held exactly the picture put on the clipboard
  // The first is the baseline, read after the warm-up saves; then one after
  // every hundred and one at the end.
  std::vector<SoakCheckpoint> checkpoints;
  Summary pressToFile;  // ms
  double seconds = 0;
  std::vector<std::string> problems;  // the first few, in words
  std::vector<std::string> growth;    // what grew past the baseline, in words
};

// `folder` ends with a backslash.
SoakFigures RunSoak(int saves, const std::wstring& folder);

// Saves made before the baseline is read: the first saves make what the
// program keeps for the rest of its life (thread stacks, caches).
constexpr int kSoakWarmUp = 10;
// Private bytes may move this much above the baseline without counting as
// growth: the heap's own bookkeeping.
constexpr std::size_t kSoakMemorySlack = 1 << 20;

}  // namespace bench
