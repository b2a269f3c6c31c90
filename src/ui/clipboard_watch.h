// Saving every new clipboard picture without a key, while "AutoSave" is on:
// the main window listens for clipboard changes and, about 100 ms after one
// that carries a bitmap, saves as a hot-key press does (a failure's box only
// when no other one of these is up).
#pragma once

#include <windows.h>

class ClipboardWatch {
 public:
  ClipboardWatch() = default;
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

  HWND window_ = nullptr;  // non-null while listening
  bool viewer_ = false;    // in the viewer chain, where there is no format listener
  bool joining_ = false;   // inside SetClipboardViewer, which sends a first WM_DRAWCLIPBOARD
  HWND nextViewer_ = nullptr;
  int busyTries_ = 0;      // the clipboard was held when its marks were to be read
};

// The timer that lets the copying program finish before the save.
constexpr UINT_PTR kAutoSaveTimer = 2;
