// COM on the calling thread for as long as the owner lives. The program's
// workers have no apartment of their own; a thread that already has one
// keeps it, and COM is usable there as it is.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace platform {

class ComApartment {
 public:
  explicit ComApartment(DWORD model) : result_(CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // COM can be used: joined now, or already there in another model.
  bool ready() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

}  // namespace platform
