#include "win32_clipboard.h"

#include <windows.h>

#include <cstring>
#include <utility>

namespace testsupport {
namespace {

// A message-only window owns what the tests put on the clipboard: with no
// owner, SetClipboardData after EmptyClipboard is documented to fail.
HWND OwnerWindow() {
  static HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  return owner;
}

// Other programs (Wine's clipboard manager among them) hold the clipboard now
// and then; on a loaded machine give them a few seconds.
bool OpenWithRetry(HWND owner) {
  for (int i = 0; i < 500; ++i) {
    if (OpenClipboard(owner)) return true;
    Sleep(10);
  }
  return false;
}

// Empties the clipboard and, unless `handle` is null, gives it `handle`,
// which the clipboard then owns.
bool ReplaceWithHandle(UINT format, HANDLE handle) {
  if (!OpenWithRetry(OwnerWindow())) return false;
  EmptyClipboard();
  const bool ok = handle == nullptr || SetClipboardData(format, handle) != nullptr;
  CloseClipboard();
  return ok;
}

bool Replace(UINT format, const void* data, std::size_t size) {
  if (data == nullptr) return ReplaceWithHandle(0, nullptr);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return false;
  std::memcpy(GlobalLock(block), data, size);
  GlobalUnlock(block);
  if (ReplaceWithHandle(format, block)) return true;
  GlobalFree(block);
  return false;
}

}  // namespace

bool PutDibOnRealClipboard(const std::vector<std::uint8_t>& block) {
  return Replace(CF_DIB, block.data(), block.size());
}

bool PutDibV5OnRealClipboard(const std::vector<std::uint8_t>& block) {
  return Replace(CF_DIBV5, block.data(), block.size());
}

bool PutBitmapOnRealClipboard(void* bitmap) {
  if (ReplaceWithHandle(CF_BITMAP, static_cast<HBITMAP>(bitmap))) return true;
  DeleteObject(static_cast<HBITMAP>(bitmap));
  return false;
}

std::vector<std::uint8_t> ReadDibFromRealClipboard() {
  std::vector<std::uint8_t> bytes;
  if (!OpenWithRetry(OwnerWindow())) return bytes;
  HANDLE block = GetClipboardData(CF_DIB);
  const auto* data = block != nullptr ? static_cast<const std::uint8_t*>(GlobalLock(block)) : nullptr;
  if (data != nullptr) {
    bytes.assign(data, data + GlobalSize(block));
    GlobalUnlock(block);
  }
  CloseClipboard();
  return bytes;
}

bool PutMarkedDibOnRealClipboard(const std::vector<std::uint8_t>& block, const wchar_t* mark) {
  return PutFormatsOnRealClipboard({{nullptr, CF_DIB, block}, {mark, 0, std::vector<std::uint8_t>(4, 0)}});
}

bool PutFormatsOnRealClipboard(const std::vector<ClipboardFormat>& formats) {
  if (!OpenWithRetry(OwnerWindow())) return false;
  EmptyClipboard();
  bool ok = true;
  for (const ClipboardFormat& f : formats) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, f.bytes.size());
    std::memcpy(GlobalLock(block), f.bytes.data(), f.bytes.size());
    GlobalUnlock(block);
    ok = SetClipboardData(f.name != nullptr ? RegisterClipboardFormatW(f.name) : f.format, block) != nullptr && ok;
  }
  CloseClipboard();
  return ok;
}

bool PutTextOnRealClipboard(const std::u16string& text) {
  return Replace(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(char16_t));
}

bool EmptyRealClipboard() { return Replace(0, nullptr, 0); }

// The window that owns a promised block and hands it over when asked.
struct PromisedDibOwner {
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* promise = reinterpret_cast<PromisedDib*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (promise == nullptr || (message != WM_RENDERFORMAT && message != WM_RENDERALLFORMATS) ||
        (message == WM_RENDERFORMAT && wParam != CF_DIB)) {
      return DefWindowProcW(window, message, wParam, lParam);
    }
    // Rendering everything on the way out needs the clipboard opened, and
    // only while this window still owns it.
    const bool all = message == WM_RENDERALLFORMATS;
    if (all && (GetClipboardOwner() != window || !OpenClipboard(window))) return 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, promise->block_.size());
    std::memcpy(GlobalLock(block), promise->block_.data(), promise->block_.size());
    GlobalUnlock(block);
    if (SetClipboardData(CF_DIB, block) == nullptr) GlobalFree(block);
    if (all) {
      CloseClipboard();
    } else {
      ++promise->requests_;
    }
    return 0;
  }
};

PromisedDib::PromisedDib(std::vector<std::uint8_t> block) : block_(std::move(block)) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = PromisedDibOwner::Proc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"TarnwickTestPromisedDib";
  RegisterClassW(&cls);
  HWND window = CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  window_ = window;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (window == nullptr || !OpenWithRetry(window)) return;
  EmptyClipboard();
  SetClipboardData(CF_DIB, nullptr);
  promised_ = CloseClipboard() != FALSE;
}

PromisedDib::~PromisedDib() {
  // The block goes to the clipboard before its owner goes.
  DestroyWindow(static_cast<HWND>(window_));
}

namespace {
struct HolderThread {
  HANDLE release;
  HANDLE opened;
  bool* holding;
};

DWORD WINAPI HoldClipboard(LPVOID parameter) {
  auto* h = static_cast<HolderThread*>(parameter);
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  *h->holding = OpenWithRetry(window);
  SetEvent(h->opened);
  WaitForSingleObject(h->release, INFINITE);
  if (*h->holding) CloseClipboard();
  DestroyWindow(window);
  delete h;
  return 0;
}
}  // namespace

ClipboardHolder::ClipboardHolder() {
  release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  opened_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto* h = new HolderThread{release_, opened_, &holding_};
  thread_ = CreateThread(nullptr, 0, HoldClipboard, h, 0, nullptr);
  // Wine's clipboard may message the window that owns the data (ours, on this
  // thread) while another thread opens it: keep this thread's messages moving.
  const DWORD deadline = GetTickCount() + 5000;
  HANDLE opened = opened_;
  while (MsgWaitForMultipleObjects(1, &opened, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 &&
         GetTickCount() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

ClipboardHolder::~ClipboardHolder() {
  SetEvent(release_);
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
  CloseHandle(release_);
  CloseHandle(opened_);
}

}  // namespace testsupport
