#include "ui/clipboard_watch.h"

#include <cstring>

#include "capture/save_request.h"
#include "common/app_state.h"
#include "platform/owners.h"
#include "platform/platform.h"

namespace {

constexpr UINT kSettleMs = 100;  // the copying program may still add formats or render late
constexpr int kMaxBusyTries = 5;

using ListenerCall = BOOL(WINAPI*)(HWND);

// AddClipboardFormatListener and RemoveClipboardFormatListener exist from
// Windows Vista on: looked up, so that the program still starts without them.
ListenerCall UserCall(const char* name) {
  return reinterpret_cast<ListenerCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

bool FormatOnClipboard(const wchar_t* name) {
  const UINT format = RegisterClipboardFormatW(name);
  return format != 0 && IsClipboardFormatAvailable(format);
}

enum class Privacy { kOpen, kPrivate, kUnknown };

// Content its program asked monitors to leave alone: password managers and
// remote sessions mark what they copy so.
Privacy PrivacyOfClipboard() {
  if (FormatOnClipboard(L"ExcludeClipboardContentFromMonitorProcessing") ||
      FormatOnClipboard(L"Clipboard Viewer Ignore")) {
    return Privacy::kPrivate;
  }
  // "Not for the clipboard history" is a DWORD of 0.
  const UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
  if (history == 0 || !IsClipboardFormatAvailable(history)) return Privacy::kOpen;
  platform::Platform& os = platform::Current();
  platform::OpenedClipboard clipboard(os.clipboard);
  if (!clipboard.Open()) return Privacy::kUnknown;
  HANDLE data = GetClipboardData(history);
  if (data == nullptr) return Privacy::kPrivate;  // unreadable: not ours to save
  const platform::LockedBlock block(os.memory, data);
  DWORD allowed = 0;
  if (block.bytes() == nullptr || block.size() < sizeof allowed) return Privacy::kPrivate;
  std::memcpy(&allowed, block.bytes(), sizeof allowed);
  return allowed == 0 ? Privacy::kPrivate : Privacy::kOpen;
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
  busyTries_ = 0;
  SetTimer(window_, kAutoSaveTimer, kSettleMs, nullptr);
}

void ClipboardWatch::Settled() {
  if (window_ == nullptr) return;
  KillTimer(window_, kAutoSaveTimer);
  if (g_bConfigDlgOpen != 0 || !IsClipboardFormatAvailable(CF_DIB)) return;
  switch (PrivacyOfClipboard()) {
    case Privacy::kPrivate:
      return;
    case Privacy::kUnknown:
      if (++busyTries_ < kMaxBusyTries) SetTimer(window_, kAutoSaveTimer, kSettleMs, nullptr);
      return;
    case Privacy::kOpen:
      break;
  }
  RequestAutomaticSave();
}
