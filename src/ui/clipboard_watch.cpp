#include "ui/clipboard_watch.h"

#include <algorithm>

#include "common/app_state.h"
#include "ui/core/save_presses.h"

namespace {

// The copying program may still add formats or render late.
constexpr DWORD kQuietMs = 100;
// A program that keeps changing the clipboard is saved all the same.
constexpr DWORD kLongestWaitMs = 500;

using ListenerCall = BOOL(WINAPI*)(HWND);

// AddClipboardFormatListener and RemoveClipboardFormatListener exist from
// Windows Vista on: looked up, so that the program still starts without them.
ListenerCall UserCall(const char* name) {
  return reinterpret_cast<ListenerCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

void ClipboardWatch::Follow(HWND window, bool on) {
  if (!on) {
    Stop();
    return;
  }
  if (window_ != nullptr) return;
  window_ = window;
  const ListenerCall add = UserCall("AddClipboardFormatListener");
  viewer_ = add == nullptr || !add(window);
  if (viewer_) {
    joining_ = true;
    nextViewer_ = SetClipboardViewer(window);
    joining_ = false;
  }
}

void ClipboardWatch::Stop() {
  if (window_ == nullptr) return;
  KillTimer(window_, kAutoSaveTimer);
  burst_ = false;
  if (viewer_) {
    ChangeClipboardChain(window_, nextViewer_);
  } else if (const ListenerCall remove = UserCall("RemoveClipboardFormatListener")) {
    remove(window_);
  }
  window_ = nullptr;
  nextViewer_ = nullptr;
}

bool ClipboardWatch::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CLIPBOARDUPDATE:
      Changed();
      break;
    case WM_DRAWCLIPBOARD:
      // The first one comes from joining: nothing new, and not to be passed on.
      if (joining_) break;
      Changed();
      if (nextViewer_ != nullptr) SendMessageW(nextViewer_, message, wParam, lParam);
      break;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == nextViewer_) {
        nextViewer_ = reinterpret_cast<HWND>(lParam);
      } else if (nextViewer_ != nullptr) {
        SendMessageW(nextViewer_, message, wParam, lParam);
      }
      break;
    case WM_TIMER:
      if (wParam != kAutoSaveTimer) return false;
      Settled();
      break;
    default:
      return false;
  }
  *result = 0;
  return true;
}

void ClipboardWatch::Changed() {
  // Left alone while the settings are open, as the hot key is; and text or
  // anything else without a bitmap is not a picture.
  if (window_ == nullptr || g_bConfigDlgOpen != 0 || !IsClipboardFormatAvailable(CF_DIB)) return;
  const DWORD now = GetTickCount();
  if (!burst_) {
    burst_ = true;
    burstStart_ = now;
  }
  // Each change waits for quiet again, but never past the burst's longest wait.
  const DWORD spent = now - burstStart_;
  const DWORD left = spent < kLongestWaitMs ? kLongestWaitMs - spent : 0;
  // (A timer shorter than 10 ms is made 10 ms.)
  SetTimer(window_, kAutoSaveTimer, std::min(kQuietMs, left), nullptr);
}

void ClipboardWatch::Settled() {
  if (window_ == nullptr) return;
  KillTimer(window_, kAutoSaveTimer);
  burst_ = false;
  if (g_bConfigDlgOpen != 0 || !IsClipboardFormatAvailable(CF_DIB)) return;
  // Private content is left alone by the save itself, which reads the marks
  // in the same opening as the picture.
  presses_.SaveNewPicture();
}
