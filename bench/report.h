// The benchmark's figures as Markdown tables, the form docs/benchmarks.md
// keeps them in.
#pragma once

#include <cstdio>
#include <vector>

#include "png_bench.h"
#include "program_bench.h"
#include "save_bench.h"
#include "soak.h"
#include "while_saving.h"

namespace bench {

struct SizeResults {
  SaveFigures save;
  ProgramFigures program;
  PngFigures png;
  // Hot-key saves watched from outside, into the ordinary folder and into
  // the slow one (none where it could not be mounted).
  WhileSavingFigures whileSaving;
  WhileSavingFigures whileSavingSlow;
  bool slowMeasured = false;
  HeldKeyFigures heldKey;
  bool heldKeySlow = false;  // into the slow folder
};

// Writes the tables and the verdict on each target; returns false when a
// measurement failed or a file was wrong (a missed target is not a failure).
bool ReportBenchmark(std::FILE* out, const std::vector<SizeResults>& sizes, int runs);
// Writes the soak figures; returns false when a file was wrong or missing,
// or something grew.
bool ReportSoak(std::FILE* out, const SoakFigures& soak);
// One line about the machine as this program sees it.
void ReportMachine(std::FILE* out);

}  // namespace bench
