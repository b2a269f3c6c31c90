// Small owners for what the seam hands out: each gives its resource back when
// it goes, so no path can leak one or give it back twice.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/platform.h"

namespace platform {

// The clipboard, once Open() has succeeded: closed when the owner goes.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(Clipboard& clipboard) : clipboard_(clipboard) {}
  ~OpenedClipboard() {
    if (open_) clipboard_.Close();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;

  bool Open() { return open_ = clipboard_.Open(); }

 private:
  Clipboard& clipboard_;
  bool open_ = false;
};

// A global memory block, locked for as long as the owner lives; bytes() is
// null when the lock failed (a null handle included).
class LockedBlock {
 public:
  LockedBlock(GlobalMemory& memory, Handle block) : memory_(memory), block_(block), bytes_(memory.Lock(block)) {}
  ~LockedBlock() {
    if (bytes_ != nullptr) memory_.Unlock(block_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;

  const std::uint8_t* bytes() const { return bytes_; }
  std::size_t size() const { return memory_.Size(block_); }

 private:
  GlobalMemory& memory_;
  Handle block_;
  const std::uint8_t* bytes_;
};

// A copy of a block in the program's own memory, given back when the owner
// goes. Moves from owner to owner, as a picture passes from press to save.
class MemoryCopy {
 public:
  MemoryCopy() = default;
  MemoryCopy(GlobalMemory& memory, std::size_t size)
      : memory_(&memory), bytes_(memory.AllocateCopy(size)), size_(bytes_ != nullptr ? size : 0) {}
  ~MemoryCopy() { Free(); }
  MemoryCopy(MemoryCopy&& other) noexcept { *this = std::move(other); }
  MemoryCopy& operator=(MemoryCopy&& other) noexcept {
    if (this != &other) {
      Free();
      memory_ = std::exchange(other.memory_, nullptr);
      bytes_ = std::exchange(other.bytes_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }

  std::uint8_t* bytes() const { return bytes_; }
  std::size_t size() const { return size_; }

 private:
  void Free() {
    if (bytes_ != nullptr) memory_->FreeCopy(bytes_);
    bytes_ = nullptr;
    size_ = 0;
  }

  GlobalMemory* memory_ = nullptr;
  std::uint8_t* bytes_ = nullptr;
  std::size_t size_ = 0;
};

// A file opened through the seam: closed when the owner goes.
class OpenFile {
 public:
  OpenFile(FileSystem& files, Handle file) : files_(files), file_(file) {}
  ~OpenFile() {
    if (file_ != InvalidHandle()) files_.CloseFile(file_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool valid() const { return file_ != InvalidHandle(); }
  Handle get() const { return file_; }

 private:
  FileSystem& files_;
  Handle file_;
};

// A registry key opened through the seam: closed when the owner goes.
class OpenKey {
 public:
  explicit OpenKey(Registry& registry) : registry_(registry) {}
  ~OpenKey() {
    if (key_ != nullptr) registry_.CloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  // RegCreateKeyW below HKEY_CURRENT_USER; the Win32 result.
  std::int32_t Create(const char16_t* subKey) {
    const std::int32_t result = registry_.CreateUserKey(subKey, &key_);
    if (result != 0) key_ = nullptr;
    return result;
  }
  // RegOpenKeyExW below HKEY_CURRENT_USER: an existing key only.
  std::int32_t Open(const char16_t* subKey) {
    const std::int32_t result = registry_.OpenUserKey(subKey, &key_);
    if (result != 0) key_ = nullptr;
    return result;
  }
  Handle get() const { return key_; }

 private:
  Registry& registry_;
  Handle key_ = nullptr;
};

// A thread's handle: closed when the owner goes (the thread runs on).
class ThreadHandle {
 public:
  ThreadHandle(Threads& threads, Handle thread) : threads_(threads), thread_(thread) {}
  ~ThreadHandle() {
    if (thread_ != nullptr) threads_.Close(thread_);
  }
  ThreadHandle(const ThreadHandle&) = delete;
  ThreadHandle& operator=(const ThreadHandle&) = delete;

  Handle get() const { return thread_; }

 private:
  Threads& threads_;
  Handle thread_;
};

}  // namespace platform
