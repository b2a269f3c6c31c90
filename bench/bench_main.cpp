// tarnwick_bench: measures the save against the physical limit (a plain write
// of the same bytes), its memory and the user-interface thread's CPU, the
// real program from hot key to file and its memory under a held key, what
// other programs meet while it saves (the clipboard, its main window) in the
// ordinary folder and in the slow one that TARNWICK_SLOW_FOLDER names, and
// the PNG save against ImageMagick on a screen-like picture; or, with
// --soak N, N hot-key saves in a row through the real program. Prints
// Markdown. Run by script/bench, never by the test suites.
//
//   tarnwick_bench [--runs N] [--png-runs N] [--sizes WxH,WxH...]
//   tarnwick_bench --soak N
//   tarnwick_bench --put-dib W H SEED     (the other process that puts a picture)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "foreign_clipboard.h"
#include "report.h"
#include "while_saving.h"

namespace {

struct Options {
  int runs = 5;
  int pngRuns = 3;
  int soak = 0;
  std::vector<std::pair<int, int>> sizes = {{1920, 1080}, {3840, 2160}, {7680, 4320}};
};

// Saves into the slow folder take seconds each.
constexpr int kSlowRuns = 3;

// A folder of ours on the slow drive that TARNWICK_SLOW_FOLDER names (S:\), or empty.
std::wstring SlowFolder() {
  wchar_t drive[8] = {};
  if (GetEnvironmentVariableW(L"TARNWICK_SLOW_FOLDER", drive, 8) == 0) return L"";
  return std::wstring(drive) + L"tarnwick-bench\\";
}

bool ParseSizes(const char* text, Options* options) {
  options->sizes.clear();
  for (const char* p = text; *p != '\0';) {
    char* end = nullptr;
    const long w = std::strtol(p, &end, 10);
    if (*end != 'x') return false;
    const long h = std::strtol(end + 1, &end, 10);
    if (w <= 0 || h <= 0 || (*end != ',' && *end != '\0')) return false;
    options->sizes.emplace_back(static_cast<int>(w), static_cast<int>(h));
    p = *end == ',' ? end + 1 : end;
  }
  return !options->sizes.empty();
}

bool Parse(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--runs") == 0 && hasValue) {
      options->runs = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--png-runs") == 0 && hasValue) {
      options->pngRuns = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--soak") == 0 && hasValue) {
      options->soak = std::atoi(argv[++i]);
      if (options->soak <= 0) return false;
    } else if (std::strcmp(argv[i], "--sizes") == 0 && hasValue) {
      if (!ParseSizes(argv[++i], options)) return false;
    } else {
      return false;
    }
  }
  return options->runs > 0 && options->pngRuns >= 0;
}

// A folder of our own in the temporary folder, empty, ending with a backslash.
std::wstring ScratchFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"tarnwick-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  e2e::DeleteTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

int RunBenchmark(const Options& options) {
  std::vector<bench::SizeResults> results;
  for (const auto& size : options.sizes) {
    const int w = size.first, h = size.second;
    const std::wstring folder = ScratchFolder();
    bench::SizeResults r;
    std::fprintf(stderr, "%dx%d: saves in this process...\n", w, h);
    r.save = bench::MeasureSave(w, h, options.runs, folder);
    std::fprintf(stderr, "%dx%d: hot-key saves through Tarnwick.exe...\n", w, h);
    r.program = bench::MeasureProgram(w, h, options.runs, folder);
    const std::wstring slow = SlowFolder();
    std::fprintf(stderr, "%dx%d: a held key through Tarnwick.exe...\n", w, h);
    r.heldKey = bench::MeasureHeldKey(w, h, slow.empty() ? folder : slow);
    r.heldKeySlow = !slow.empty();
    std::fprintf(stderr, "%dx%d: the clipboard and the main window while Tarnwick.exe saves...\n", w, h);
    r.whileSaving = bench::MeasureWhileSaving(w, h, options.runs, folder);
    if (!slow.empty()) {
      std::fprintf(stderr, "%dx%d: the same into the slow folder...\n", w, h);
      e2e::DeleteTree(slow);
      r.whileSavingSlow = bench::MeasureWhileSaving(w, h, std::min(options.runs, kSlowRuns), slow);
      r.slowMeasured = true;
      e2e::DeleteTree(slow);
    }
    if (options.pngRuns > 0) {
      std::fprintf(stderr, "%dx%d: PNG saves through Tarnwick.exe, ImageMagick...\n", w, h);
      r.png = bench::MeasurePng(w, h, options.runs, options.pngRuns, folder);
    }
    e2e::DeleteTree(folder);
    results.push_back(r);
  }
  bench::ReportMachine(stdout);
  std::printf("\n");
  const bool ok = bench::ReportBenchmark(stdout, results, options.runs);
  return ok ? 0 : 1;
}

int RunSoak(int saves) {
  const std::wstring folder = ScratchFolder();
  std::fprintf(stderr, "soak: %d hot-key saves through Tarnwick.exe...\n", saves);
  const bench::SoakFigures soak = bench::RunSoak(saves, folder);
  e2e::DeleteTree(folder);
  bench::ReportMachine(stdout);
  std::printf("\n");
  return bench::ReportSoak(stdout, soak) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--put-dib") == 0) {
    return bench::PutPictureAndExit(std::atoi(argv[2]), std::atoi(argv[3]),
                                    static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)));
  }
  Options options;
  if (!Parse(argc, argv, &options)) {
    std::fprintf(stderr, "usage: tarnwick_bench [--runs N] [--png-runs N] [--sizes WxH,...] | --soak N\n");
    return 2;
  }
  timeBeginPeriod(1);  // millisecond sleeps for the sampling and polling
  const int code = options.soak > 0 ? RunSoak(options.soak) : RunBenchmark(options);
  timeEndPeriod(1);
  std::fflush(stdout);
  return code;
}
