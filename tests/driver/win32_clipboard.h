// Puts data on the real clipboard the way another program does. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Each returns false when the clipboard could not be set.
bool PutDibOnRealClipboard(const std::vector<std::uint8_t>& block);
// A program's CF_DIBV5 block; CF_DIB is then the platform's conversion.
bool PutDibV5OnRealClipboard(const std::vector<std::uint8_t>& block);
// A device-dependent bitmap (an HBITMAP), which the clipboard then owns;
// CF_DIB is then the platform's conversion.
bool PutBitmapOnRealClipboard(void* bitmap);
// CF_DIB with a DWORD 0 in the registered format `mark`, in one change.
bool PutMarkedDibOnRealClipboard(const std::vector<std::uint8_t>& block, const wchar_t* mark);
// Several formats in one change, in this order: registered ones by name.
struct ClipboardFormat {
  const wchar_t* name = nullptr;
  unsigned format = 0;
  std::vector<std::uint8_t> bytes;
};
bool PutFormatsOnRealClipboard(const std::vector<ClipboardFormat>& formats);
bool PutTextOnRealClipboard(const std::u16string& text);
bool EmptyRealClipboard();

// CF_DIB promised but not given yet (delayed rendering): the block is handed
// over only when a program asks for it, on this thread's message loop, so a
// test knows that a program has taken the picture.
class PromisedDib {
 public:
  explicit PromisedDib(std::vector<std::uint8_t> block);
  ~PromisedDib();
  PromisedDib(const PromisedDib&) = delete;
  PromisedDib& operator=(const PromisedDib&) = delete;
  bool promised() const { return promised_; }
  // Times a program asked for the block.
  int requests() const { return requests_; }

 private:
  friend struct PromisedDibOwner;
  std::vector<std::uint8_t> block_;
  void* window_ = nullptr;
  bool promised_ = false;
  int requests_ = 0;
};

// The CF_DIB block the clipboard gives now, made by the platform if need be;
// empty when there is none.
std::vector<std::uint8_t> ReadDibFromRealClipboard();

// Keeps the clipboard open from another thread with its own window until
// destroyed, as a program that holds it does.
class ClipboardHolder {
 public:
  ClipboardHolder();
  ~ClipboardHolder();
  bool holding() const { return holding_; }

 private:
  void* thread_ = nullptr;
  void* release_ = nullptr;
  void* opened_ = nullptr;
  bool holding_ = false;
};

}  // namespace testsupport
