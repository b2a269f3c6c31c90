// Clocks and statistics for the benchmark.
#pragma once

#include <windows.h>

#include <vector>

namespace bench {

// Milliseconds from an arbitrary start, from the performance counter.
double NowMs();

// Median and spread of repeated measurements.
struct Summary {
  int count = 0;
  double median = 0;
  double min = 0;
  double max = 0;
};
Summary Summarize(std::vector<double> values);

// CPU time (user + kernel) used so far, in milliseconds.
double ThreadCpuMs(HANDLE thread);
double ProcessCpuMs(HANDLE process);

}  // namespace bench
