// The real Tarnwick.exe, driven from outside as the e2e suite drives it:
// settings stored, the program started, the hot key pressed, files awaited,
// and the process's resource counts read.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "driver.h"

namespace bench {

// What a process holds, as the operating system counts it.
struct ProcessFigures {
  DWORD handles = 0;
  bool handlesFromSystemTable = false;  // Wine's GetProcessHandleCount says 0
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
  bool guiCounted = false;  // false where GetGuiResources answers 0 (Wine)
  int windows = 0;          // its windows, top-level and children
  std::size_t privateBytes = 0;
};
ProcessFigures FiguresOf(HANDLE process, DWORD pid);

class TarnwickSession {
 public:
  TarnwickSession() = default;
  // Ends the program and puts back the settings that were there before.
  ~TarnwickSession();
  TarnwickSession(const TarnwickSession&) = delete;
  TarnwickSession& operator=(const TarnwickSession&) = delete;

  // Stores `folder` (ending with a backslash), the default hot key and the
  // format (0 BMP, 1 PNG), then starts the program.
  bool Start(const std::wstring& folder, DWORD format = 0);

  // Presses the hot key and waits until a finished .bmp (or .png) file is in the
  // folder (a save writes under a temporary name and renames it only when
  // complete). False on time-out; *ms is from the key press to the file.
  bool SaveWithHotKey(std::wstring* path, double* ms, DWORD timeoutMs = 20000);

  // Lets the program finish the handler (it pauses 50 ms after a save).
  void Settle() const { e2e::Pump(200); }

  HANDLE process() const { return process_; }
  HWND mainWindow() const { return tarnwick_.MainWindow(); }
  DWORD pid() const { return tarnwick_.Pid(); }
  ProcessFigures Figures() const { return FiguresOf(process_, tarnwick_.Pid()); }
  bool Running() const { return tarnwick_.Running(); }
  // Message boxes the program shows now, their texts (UTF-8); each is dismissed.
  std::vector<std::string> DismissMessageBoxes() const;

 private:
  struct Setting {
    bool present = false;
    DWORD type = 0;
    e2e::Bytes data;
  };
  void RestoreSettings();

  e2e::TarnwickProcess tarnwick_;
  HANDLE process_ = nullptr;
  std::wstring folder_;
  const wchar_t* extension_ = L".bmp";
  Setting path_, keys_, format_;
  bool settingsSaved_ = false;
};

}  // namespace bench
