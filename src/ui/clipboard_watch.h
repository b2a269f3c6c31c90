// Saving every new clipboard picture without a key, while "AutoSave" is on:
// the main window listens for clipboard changes and saves as a hot-key press
// does once the clipboard has been quiet for about 100 ms, or about 500 ms
// after the first change of a burst, whichever comes first. A program that
// writes the clipboard twice in a row gives one file, its final picture; a
// burst of new pictures is still saved while it lasts.
#pragma once

#include <windows.h>

class SavePresses;

class ClipboardWatch {
 public:
  explicit ClipboardWatch(SavePresses& presses) : presses_(presses) {}
  ClipboardWatch(const ClipboardWatch&) = delete;
  ClipboardWatch& operator=(const ClipboardWatch&) = delete;

  // Listens for `window` while `on`, stops otherwise; nothing when it
  // already does as asked.
  void Follow(HWND window, bool on);
  void Stop();
  // The clipboard's messages and the settle timer; true when handled.
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

 private:
  void Changed();
  void Settled();

  SavePresses& presses_;
  HWND window_ = nullptr;  // non-null while listening
  bool viewer_ = false;    // in the viewer chain, where there is no format listener
  bool joining_ = false;   // inside SetClipboardViewer, which sends a first WM_DRAWCLIPBOARD
  HWND nextViewer_ = nullptr;
  bool burst_ = false;     // a change is waiting to be saved
  DWORD burstStart_ = 0;   // GetTickCount at its first change
};

// The timer that lets the copying program finish before the save.
constexpr UINT_PTR kAutoSaveTimer = 2;
