// A handle the program took from the system, given back when its owner goes,
// whichever way the program ends. COM interfaces are owned by
// Microsoft::WRL::ComPtr instead.
#pragma once

#include <windows.h>
#include <objbase.h>

template <typename Handle, auto Release>
class OwnedHandle {
 public:
  explicit OwnedHandle(Handle handle = nullptr) : handle_(handle) {}
  ~OwnedHandle() { Reset(nullptr); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  Handle get() const { return handle_; }
  void Reset(Handle handle) {
    if (handle_ != nullptr) Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_;
};

using OwnedIcon = OwnedHandle<HICON, &DestroyIcon>;
using OwnedMenu = OwnedHandle<HMENU, &DestroyMenu>;
// A kernel object's handle (not a file's, whose failure value is not null).
using OwnedKernelHandle = OwnedHandle<HANDLE, &CloseHandle>;
// Memory the shell hands out from CoTaskMemAlloc: a path, an item list.
template <typename T>
using CoTaskMemOwned = OwnedHandle<T*, &CoTaskMemFree>;
