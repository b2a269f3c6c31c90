#include "report.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "picture.h"

namespace bench {
namespace {

constexpr double kRatioTarget = 1.1;
constexpr double kExtraBytesTarget = 1 << 20;
// Other programs may open the clipboard again once the hand-over and the
// copy are done; the watcher's own polling and the switch to it add a little.
constexpr double kHeldSlackMs = 20;
// A window that answers within this is never seen as slow.
constexpr double kAnswerTargetMs = 100;
// The queue's bound: 4 pictures waiting or being written.
constexpr int kHeldKeyPicturesTarget = 4;
// Encoding straight from the copy, beside ImageMagick reading and encoding a file.
constexpr double kPngRatioTarget = 0.5;

std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::string Ms(const Summary& s) {
  if (s.count == 0) return "n/a";
  if (s.count == 1) return Format("%.1f ms", s.median);
  return Format("%.1f ms (%.1f–%.1f)", s.median, s.min, s.max);
}

std::string Median(const Summary& s) { return s.count == 0 ? "n/a" : Format("%.1f ms", s.median); }
std::string MiB(double bytes) { return Format("%.2f MiB", bytes / (1 << 20)); }
std::string MiB(long long bytes) { return MiB(static_cast<double>(bytes)); }
std::string Picture(int w, int h) { return std::to_string(w) + "×" + std::to_string(h); }
double Ratio(const Summary& a, const Summary& b) { return b.median > 0 ? a.median / b.median : 0; }
const char* Verdict(bool met) { return met ? "**met**" : "**missed**"; }

// A table's heading, what it shows, and its header row with the rule below.
void Table(std::FILE* out, const std::string& title, const std::string& text, const char* columns) {
  std::string rule = "|---|";
  for (const char* c = columns; *c != '\0'; ++c) rule += *c == '|' ? "---|" : "";
  std::fprintf(out, "\n### %s\n\n%s\n\n| %s |\n%s\n", title.c_str(), text.c_str(), columns, rule.c_str());
}

void SaveTables(std::FILE* out, const std::vector<SizeResults>& sizes, int runs) {
  Table(out, "The save against a plain write of the same bytes",
        "32-bit pictures put on the real clipboard by another process, a new one for each run; " +
            std::to_string(runs) +
            " runs, median (min–max). *Plain write*: CreateFileW, one WriteFile, CloseHandle in the same folder. "
            "*Save*: the save's two steps (the picture taken, then written) on this thread. *Hand-over*: the part "
            "of the save from GetClipboardData until GlobalLock returned, where the system gives the bitmap to the "
            "process.",
        "picture | file | plain write | save | ratio | save less hand-over | ratio");
  for (const auto& r : sizes) {
    const SaveFigures& s = r.save;
    std::fprintf(out, "| %s | %s | %s | %s | %.2f | %s | %.2f |\n", Picture(s.width, s.height).c_str(),
                 MiB(static_cast<double>(s.fileBytes)).c_str(), Ms(s.plainWrite).c_str(), Ms(s.save).c_str(),
                 Ratio(s.save, s.plainWrite), Ms(s.ownPart).c_str(), Ratio(s.ownPart, s.plainWrite));
  }

  Table(out, "Where a save's time goes",
        "Medians of the same runs. *Copy*: the bitmap copied into the save's own memory, after which the clipboard is free "
        "again (other programs wait at most open + hand-over + copy); *write*: from CreateFileW of the temporary file to its last "
        "WriteFile; *flush*: FlushFileBuffers; *move*: MoveFileExW (write-through) onto the final name; "
        "*rest*: the folder check, the file name, the leftover sweep, closing the clipboard.",
        "picture | open clipboard | hand-over | copy | write | flush | move | rest | plain write");
  for (const auto& r : sizes) {
    const SaveFigures& s = r.save;
    std::fprintf(out, "| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", Picture(s.width, s.height).c_str(),
                 Median(s.open).c_str(), Median(s.handOver).c_str(), Median(s.copy).c_str(), Median(s.write).c_str(), Median(s.flush).c_str(),
                 Median(s.move).c_str(), Median(s.rest).c_str(), Median(s.plainWrite).c_str());
  }
}

double HandOverAndCopy(const SaveFigures& s) { return s.handOver.median + s.copy.median; }

void WhileSavingTable(std::FILE* out, const std::vector<SizeResults>& sizes) {
  Table(out, "What other programs meet while Tarnwick.exe saves",
        "Hot-key saves of new pictures through the real Tarnwick.exe, median (min–max) over the runs. "
        "*Clipboard held*: the longest a thread with a window of its own, as another program opens "
        "it, trying OpenClipboard every millisecond from before the press until the file had its name, was refused. *Hand-over + copy*: those steps "
        "inside the save, from the table above: what the clipboard must be held for. *Slowest answer*: "
        "the main window's slowest answer to SendMessageTimeout (WM_NULL), asked again and again over "
        "the save. *Slow folder*: a FUSE pass-through, writes paced to 20 MB/s and each flush held "
        "1 s, like a network share, that script/bench mounts as drive S:.",
        "picture | folder | runs | hot key to file | clipboard held | hand-over + copy | slowest answer");
  for (const auto& r : sizes) {
    for (const WhileSavingFigures* w : {&r.whileSaving, r.slowMeasured ? &r.whileSavingSlow : nullptr}) {
      if (w == nullptr) continue;
      std::fprintf(out, "| %s | %s | %d | %s | %s | %s | %s |\n", Picture(r.save.width, r.save.height).c_str(),
                   w == &r.whileSaving ? "ordinary" : "slow", w->pressToFile.count, Ms(w->pressToFile).c_str(),
                   Ms(w->clipboardHeld).c_str(),
                   r.save.handOver.count > 0 ? Format("%.1f ms", HandOverAndCopy(r.save)).c_str() : "n/a",
                   Ms(w->slowestAnswer).c_str());
    }
  }
  if (!sizes.empty() && !sizes.front().slowMeasured) {
    std::fprintf(out, "\nNo slow folder here: mounting one needs root, /dev/fuse and python3-fusepy.\n");
  }
}

void FlushTable(std::FILE* out, const std::vector<SizeResults>& sizes) {
  Table(out, "What the flush costs",
        "The data reaches the disk before the file gets its name. *Save*: the save in this "
        "process as shipped, and the same save with FlushFileBuffers skipped, run after it on the same "
        "picture. *Hot key to file*: through the real Tarnwick.exe, which always flushes; without the "
        "flush it would be about the difference of the two saves less.",
        "picture | save | save without flush | difference | hot key to file | hot key to file, "
        "less that difference");
  for (const auto& r : sizes) {
    const SaveFigures& s = r.save;
    const bool known = s.save.count > 0 && s.saveWithoutFlush.count > 0;
    const double cost = known ? s.save.median - s.saveWithoutFlush.median : 0;
    const bool pressKnown = known && r.program.pressToFile.count > 0;
    std::fprintf(out, "| %s | %s | %s | %s | %s | %s |\n", Picture(s.width, s.height).c_str(), Median(s.save).c_str(),
                 Median(s.saveWithoutFlush).c_str(), known ? Format("%.1f ms", cost).c_str() : "n/a",
                 Median(r.program.pressToFile).c_str(),
                 pressKnown ? Format("%.1f ms", r.program.pressToFile.median - cost).c_str() : "n/a");
  }
}

void MemoryTable(std::FILE* out, const std::vector<SizeResults>& sizes) {
  Table(out, "Memory a save takes",
        "Private bytes (commit charge), sampled about every millisecond; *extra* is the peak during a save "
        "minus the level before it. In this process, after earlier saves of the same size: "
        "the save, the level just after its hand-over, and a press through the save queue (its workers, "
        "the copy of the picture and the save). In a Tarnwick.exe started for each size: its first hot-key save, what it still "
        "held after that save, and a later save.",
        "picture | save, this process | of it, hand-over | a press | Tarnwick.exe first save | "
        "held after it | later save");
  for (const auto& r : sizes) {
    std::fprintf(out, "| %s | %s | %s | %s | %s | %s | %s |\n", Picture(r.save.width, r.save.height).c_str(),
                 MiB(r.save.saveExtraBytes).c_str(), MiB(r.save.handOverExtraBytes).c_str(),
                 MiB(r.save.hotKeyExtraBytes).c_str(),
                 MiB(r.program.firstSaveExtraBytes).c_str(), MiB(r.program.keptAfterFirstBytes).c_str(),
                 MiB(r.program.laterSaveExtraBytes).c_str());
  }
}

void ThreadAndProgramTables(std::FILE* out, const std::vector<SizeResults>& sizes) {
  Table(out, "The user-interface thread while a save runs",
        "A press (SavePresses::Press) made on this program's main thread as the main window makes it, which "
        "returns at once; *wall time* runs until the worker has written the file. CPU from GetThreadTimes "
        "(the calling thread, asleep while it waits: what the window spends on a press) and "
        "GetProcessTimes.",
        "picture | presses | wall time, all | UI thread CPU | whole process CPU");
  for (const auto& r : sizes) {
    const SaveFigures& s = r.save;
    std::fprintf(out, "| %s | %d | %.0f ms | %.1f ms | %.1f ms |\n", Picture(s.width, s.height).c_str(), s.waits,
                 s.waitWallMs, s.uiThreadCpuMs, s.processCpuMs);
  }

  Table(out, "Through the real program",
        "*Hot key to file*: from SendInput of Ctrl + numeric-keypad 9 to the finished file under its final "
        "name (polled every millisecond), Tarnwick.exe started by the e2e driver.",
        "picture | hot key to file");
  for (const auto& r : sizes) {
    std::fprintf(out, "| %s | %s |\n", Picture(r.save.width, r.save.height).c_str(), Ms(r.program.pressToFile).c_str());
  }
}

double HeldKeyPictures(const HeldKeyFigures& k) {
  return k.pictureBytes > 0 ? static_cast<double>(k.extraBytes) / static_cast<double>(k.pictureBytes) : 0;
}

void HeldKeyTable(std::FILE* out, const std::vector<SizeResults>& sizes) {
  Table(out, "A held key",
        "One picture on the clipboard, the hot key held through SendInput: a press, then 29 key-downs 33 ms "
        "apart, as the keyboard repeats (each one a press where MOD_NOREPEAT is ignored, as under Wine), "
        "into the slow folder where there is one. *Extra*: Tarnwick.exe's peak private bytes from the "
        "first press until the folder was quiet, minus before; *pictures*: the same in pictures' sizes. "
        "*Quiet after*: from the first press until the file was there and no temporary one.",
        "picture | folder | extra | pictures | files | quiet after | boxes");
  for (const auto& r : sizes) {
    const HeldKeyFigures& k = r.heldKey;
    std::fprintf(out, "| %s | %s | %s | %.2f | %d | %.1f s | %d |\n", Picture(r.save.width, r.save.height).c_str(),
                 r.heldKeySlow ? "slow" : "ordinary", MiB(k.extraBytes).c_str(), HeldKeyPictures(k), k.files,
                 k.quietMs / 1000, static_cast<int>(k.boxes.size()));
  }
}

void PngTables(std::FILE* out, const std::vector<SizeResults>& sizes) {
  Table(out, "PNG",
        "A screen-like picture (desktop gradient, windows, lines of text, a photo-like patch), a new one for "
        "each press. *BMP*: hot key to file as above. *PNG*: the same with PNG chosen, to the finished "
        ".png, each file decoded and compared with the picture. *ImageMagick*: `convert` of the same "
        "picture from a BMP file to PNG, its defaults. *As copied*: PNG chosen, the clipboard carrying "
        "the picture's \"PNG\" (made by WIC beforehand) before its CF_DIB, as a browser copies it; the "
        "file is that PNG, checked byte for byte.",
        "picture | BMP hot key to file | BMP file | PNG hot key to file | PNG file | PNG / BMP | "
        "as copied, hot key to file | as copied / encoded | ImageMagick encode | ImageMagick file | "
        "PNG hot key / ImageMagick");
  for (const auto& r : sizes) {
    const PngFigures& p = r.png;
    std::fprintf(out, "| %s | %s | %s | %s | %s | %s | %s | %.3f | %s | %s | %.2f |\n",
                 Picture(r.save.width, r.save.height).c_str(), Ms(r.program.pressToFile).c_str(),
                 MiB(static_cast<double>(p.bmpBytes)).c_str(), Ms(p.pressToFile).c_str(),
                 MiB(static_cast<double>(p.pngBytes)).c_str(),
                 p.bmpBytes > 0 ? Format("%.3f", static_cast<double>(p.pngBytes) / p.bmpBytes).c_str() : "n/a",
                 Ms(p.copiedToFile).c_str(), Ratio(p.copiedToFile, p.pressToFile), Ms(p.magick).c_str(),
                 MiB(static_cast<double>(p.magickBytes)).c_str(), Ratio(p.pressToFile, p.magick));
  }
}

}  // namespace

bool ReportBenchmark(std::FILE* out, const std::vector<SizeResults>& sizes, int runs) {
  SaveTables(out, sizes, runs);
  FlushTable(out, sizes);
  MemoryTable(out, sizes);
  ThreadAndProgramTables(out, sizes);
  HeldKeyTable(out, sizes);
  PngTables(out, sizes);
  WhileSavingTable(out, sizes);

  bool ok = true;
  double worstRatio = 0, worstOwnRatio = 0, worstExtra = -1e18, wall = 0, ui = 0;
  double worstHeldOver = -1e9, worstHeld = 0, worstAnswer = 0;
  int checked = 0, correct = 0, pngChecked = 0, pngCorrect = 0;
  double worstPngRatio = 0, worstHeldKey = 0;
  bool heldKeyOnce = !sizes.empty();
  std::fprintf(out, "\n### Checks and targets\n\n");
  for (const auto& r : sizes) {
    const SaveFigures& s = r.save;
    const ProgramFigures& p = r.program;
    worstRatio = std::max(worstRatio, Ratio(s.save, s.plainWrite));
    worstOwnRatio = std::max(worstOwnRatio, Ratio(s.ownPart, s.plainWrite));
    // Beyond the picture's copy, and on a program's first save the system's hand-over of it too.
    const double picture = static_cast<double>(s.fileBytes - kFileHeaderBytes);
    worstExtra = std::max({worstExtra, s.saveExtraBytes - picture, s.hotKeyExtraBytes - picture,
                           p.firstSaveExtraBytes - 2 * picture, p.laterSaveExtraBytes - picture});
    wall += s.waitWallMs;
    ui += s.uiThreadCpuMs;
    checked += s.filesChecked + p.filesChecked;
    correct += s.filesCorrect + p.filesCorrect;
    pngChecked += r.png.filesChecked;
    pngCorrect += r.png.filesCorrect;
    worstPngRatio = std::max(worstPngRatio, r.png.magick.count > 0 ? Ratio(r.png.pressToFile, r.png.magick) : 1e9);
    worstHeldKey = std::max(worstHeldKey, HeldKeyPictures(r.heldKey));
    heldKeyOnce = heldKeyOnce && r.heldKey.files == 1 && r.heldKey.filesCorrect == 1 && r.heldKey.boxes.empty();
    for (const WhileSavingFigures* w : {&r.whileSaving, &r.whileSavingSlow}) {
      checked += w->filesChecked;
      correct += w->filesCorrect;
      if (w->clipboardHeld.count == 0) continue;
      if (w->clipboardHeld.max - HandOverAndCopy(s) > worstHeldOver) {
        worstHeldOver = w->clipboardHeld.max - HandOverAndCopy(s);
        worstHeld = w->clipboardHeld.max;
      }
      worstAnswer = std::max(worstAnswer, w->slowestAnswer.max);
    }
    for (const std::string* error :
         {&s.error, &p.error, &r.png.error, &r.whileSaving.error, &r.whileSavingSlow.error, &r.heldKey.error}) {
      if (error->empty()) continue;
      std::fprintf(out, "- %s: measurement stopped: %s\n", Picture(s.width, s.height).c_str(), error->c_str());
      ok = false;
    }
  }
  if (correct != checked || pngCorrect != pngChecked || !heldKeyOnce) ok = false;
  std::fprintf(out, "- Saved files compared byte for byte with the picture: %d of %d identical.\n", correct, checked);
  std::fprintf(out, "- PNG files decoded and compared with the picture, or as copied byte for byte: %d of %d the same.\n",
               pngCorrect, pngChecked);
  std::fprintf(out, "- A held key leaves one file, the picture, and no box: %s.\n", heldKeyOnce ? "yes" : "**no**");
  std::fprintf(out, "- A held key takes at most about %d pictures above the level before (the queue's bound): %s "
                    "(worst %.2f).\n", kHeldKeyPicturesTarget, Verdict(worstHeldKey <= kHeldKeyPicturesTarget + 0.5),
               worstHeldKey);
  std::fprintf(out, "- PNG hot key to file at most %.1f of ImageMagick's encode alone at every size: %s (worst %.2f).\n",
               kPngRatioTarget, Verdict(worstPngRatio <= kPngRatioTarget), worstPngRatio);
  std::fprintf(out, "- Save / plain write at most %.1f: %s (worst %.2f; the save less the hand-over: worst %.2f).\n",
               kRatioTarget, Verdict(worstRatio <= kRatioTarget), worstRatio, worstOwnRatio);
  std::fprintf(out, "- Extra memory beyond the picture's copy (and the hand-over, on a program's first save) under "
                    "1 MiB: %s (worst %s).\n", Verdict(worstExtra < kExtraBytesTarget), MiB(worstExtra).c_str());
  std::fprintf(out, "- Clipboard held no longer than the hand-over and the copy (+ %.0f ms): %s (worst %.1f ms, "
                    "%.1f ms past them).\n", kHeldSlackMs, Verdict(worstHeldOver <= kHeldSlackMs), worstHeld,
               worstHeldOver);
  std::fprintf(out, "- Main window answered within %.0f ms throughout every save: %s (slowest %.1f ms).\n",
               kAnswerTargetMs, Verdict(worstAnswer <= kAnswerTargetMs), worstAnswer);
  // A press does not wait for the save: the main window's answers above are
  // what the target is about.
  std::fprintf(out, "- The user-interface thread on a press: %.1f ms CPU in %.0f ms, all presses.\n", ui, wall);
  return ok;
}

bool ReportSoak(std::FILE* out, const SoakFigures& soak) {
  Table(out, "Soak: " + std::to_string(soak.requested) + " hot-key saves of " + Picture(soak.width, soak.height) +
                 " pictures",
        "Each press saves a new picture (its number in the first pixel); the file is compared byte for "
        "byte with it and deleted before the next press, so saves within one second (same file name) "
        "are each checked. Figures of the Tarnwick.exe process; the first row, after " +
            std::to_string(kSoakWarmUp) + " warm-up saves, is the baseline.",
        "after save | handles | GDI objects | USER objects | windows | private bytes");
  for (const auto& c : soak.checkpoints) {
    const ProcessFigures& f = c.figures;
    const std::string gdi = f.guiCounted ? std::to_string(f.gdiObjects) : "n/a";
    const std::string user = f.guiCounted ? std::to_string(f.userObjects) : "n/a";
    std::fprintf(out, "| %d | %lu | %s | %s | %d | %s |\n", c.saves, static_cast<unsigned long>(f.handles),
                 gdi.c_str(), user.c_str(), f.windows, MiB(static_cast<double>(f.privateBytes)).c_str());
  }
  std::fprintf(out, "\n- Files: %d of %d saves made a file; %d byte-identical to their picture.\n", soak.saved,
               soak.requested, soak.correct);
  std::fprintf(out, "- Hot key to file: %s; the run took %.0f s.\n", Ms(soak.pressToFile).c_str(), soak.seconds);
  if (!soak.checkpoints.empty() && soak.checkpoints.front().figures.handlesFromSystemTable) {
    std::fprintf(out, "- Handles: GetProcessHandleCount answers 0 here (Wine), so they are the process's entries in the "
                      "system handle table (NtQuerySystemInformation).\n");
  }
  if (!soak.checkpoints.empty() && !soak.checkpoints.front().figures.guiCounted) {
    std::fprintf(out, "- GDI and USER objects: not counted here (GetGuiResources answers 0 under Wine); the windows "
                      "column counts the program's windows, top-level and children, instead.\n");
  }
  std::fprintf(out, "- Growth past the baseline (handles, GDI, USER, windows; private bytes beyond %s): %s\n",
               MiB(static_cast<double>(kSoakMemorySlack)).c_str(), soak.growth.empty() ? "none." : "");
  for (const auto& g : soak.growth) std::fprintf(out, "  - %s\n", g.c_str());
  for (const auto& p : soak.problems) std::fprintf(out, "- Problem: %s\n", p.c_str());
  return soak.correct == soak.requested && soak.growth.empty() && soak.problems.empty() && soak.checkpoints.size() > 1;
}

void ReportMachine(std::FILE* out) {
  wchar_t cpu[128] = {};
  DWORD size = sizeof cpu;
  RegGetValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString",
               RRF_RT_REG_SZ, nullptr, cpu, &size);
  SYSTEM_INFO info;
  GetNativeSystemInfo(&info);
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  GlobalMemoryStatusEx(&memory);
  using WineVersionFn = const char*(CDECL*)();
  auto wineVersion = reinterpret_cast<WineVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
  std::fprintf(out, "As the benchmark sees it: %ls, %lu logical processors, %.1f GiB memory%s%s.\n", cpu,
               static_cast<unsigned long>(info.dwNumberOfProcessors),
               static_cast<double>(memory.ullTotalPhys) / (1 << 30), wineVersion ? ", Wine " : "",
               wineVersion ? wineVersion() : "");
}

}  // namespace bench
