// A handle the program took from the system, given back when its owner goes,
// whichever way the program ends.
#pragma once

#include <windows.h>

template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class OwnedHandle {
 public:
  explicit OwnedHandle(Handle handle = nullptr) : handle_(handle) {}
  ~OwnedHandle() { Reset(nullptr); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  Handle Get() const { return handle_; }
  void Reset(Handle handle) {
    if (handle_ != nullptr) Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_;
};

using OwnedIcon = OwnedHandle<HICON, DestroyIcon>;
using OwnedMenu = OwnedHandle<HMENU, DestroyMenu>;
