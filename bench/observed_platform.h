// The real platform, watched at the steps where a save's time goes: opening
// the clipboard, the hand-over (GetClipboardData until GlobalLock returned:
// the system gives the bitmap to the process), writing the file (creation to
// the last write), flushing it to the disk and moving it into place; and the process's private bytes just
// after the hand-over. Message boxes are counted, not shown, so that a failed
// save cannot hang the run on a box nobody closes.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace bench {

// Milliseconds of each step of the last save.
struct SaveSteps {
  double open = 0;
  double handOver = 0;
  double copy = 0;  // the block copied into the save's own memory
  double write = 0;
  double flush = 0;
  double move = 0;
};

class ObservedPlatform {
 public:
  ObservedPlatform();   // installs itself as the platform in use
  ~ObservedPlatform();  // puts the default back
  ObservedPlatform(const ObservedPlatform&) = delete;
  ObservedPlatform& operator=(const ObservedPlatform&) = delete;

  // Read the private bytes after each hand-over (costs a little time).
  void set_sample_memory(bool on) { memory_.sample = on; }
  // Skip FlushFileBuffers, to see what the flush costs.
  void set_skip_flush(bool on) { files_.skipFlush = on; }

  const SaveSteps& steps() const { return steps_; }
  std::size_t bytesAfterHandOver() const { return memory_.bytesAfterHandOver; }
  int messageBoxesShown() const { return boxes_.shown; }

 private:
  struct Clipboard : platform::Clipboard {
    Clipboard(platform::Clipboard& r, SaveSteps& s) : real(r), steps(s) {}
    bool Open() override;
    void Close() override { real.Close(); }
    bool HasDib() override { return real.HasDib(); }
    platform::Handle GetDib() override;
    bool HasOwnDibV5() override { return real.HasOwnDibV5(); }
    platform::Handle GetDibV5() override { return real.GetDibV5(); }
    bool HasNamed(const char16_t* name) override { return real.HasNamed(name); }
    platform::Handle GetNamed(const char16_t* name) override { return real.GetNamed(name); }
    std::uint32_t SequenceNumber() override { return real.SequenceNumber(); }
    bool HasText() override { return real.HasText(); }
    void* OwnerWindow() override { return real.OwnerWindow(); }
    void* OpenerWindow() override { return real.OpenerWindow(); }
    platform::Clipboard& real;
    SaveSteps& steps;
    double getStartedAt = 0;
  };
  struct Memory : platform::GlobalMemory {
    Memory(platform::GlobalMemory& r, SaveSteps& s, const double& getStartedAt)
        : real(r), steps(s), getStartedAt(getStartedAt) {}
    const std::uint8_t* Lock(platform::Handle block) override;
    std::size_t Size(platform::Handle block) override { return real.Size(block); }
    void Unlock(platform::Handle block) override;
    std::uint8_t* AllocateCopy(std::size_t size) override;
    void FreeCopy(std::uint8_t* bytes) override { real.FreeCopy(bytes); }
    platform::GlobalMemory& real;
    double copyStartedAt = 0;
    SaveSteps& steps;
    const double& getStartedAt;
    bool sample = false;
    std::size_t bytesAfterHandOver = 0;
  };
  struct Files : platform::FileSystem {
    Files(platform::FileSystem& r, SaveSteps& s) : real(r), steps(s) {}
    bool IsDirectory(const char16_t* path) override { return real.IsDirectory(path); }
    bool MakeDirectory(const char16_t* path, std::uint32_t* error) override { return real.MakeDirectory(path, error); }
    platform::Handle CreateTemporary(const char16_t* path, std::uint32_t* error) override;
    bool Write(platform::Handle file, const void* data, std::uint32_t count, std::uint32_t* error) override;
    bool Flush(platform::Handle file, std::uint32_t* error) override;
    bool MakePlain(platform::Handle file, std::uint32_t* error) override { return real.MakePlain(file, error); }
    bool MakeHidden(platform::Handle file, std::uint32_t* error) override { return real.MakeHidden(file, error); }
    void CloseFile(platform::Handle file) override { real.CloseFile(file); }
    platform::Handle OpenForReading(const char16_t* path) override { return real.OpenForReading(path); }
    bool Read(platform::Handle file, void* data, std::uint32_t count, std::uint32_t* got) override {
      return real.Read(file, data, count, got);
    }
    bool Remove(const char16_t* path) override { return real.Remove(path); }
    bool RemoveIfUnused(const char16_t* path) override { return real.RemoveIfUnused(path); }
    bool MoveNew(const char16_t* from, const char16_t* to, std::uint32_t* error) override;
    std::vector<std::u16string> FindFiles(const char16_t* pattern) override { return real.FindFiles(pattern); }
    std::vector<std::u16string> FindFolders(const char16_t* pattern) override { return real.FindFolders(pattern); }
    platform::FileSystem& real;
    SaveSteps& steps;
    double createdAt = 0;
    bool skipFlush = false;
  };
  struct MessageBoxes : platform::MessageBoxes {
    void Show(const char16_t*, const char16_t*, std::uint32_t) override { ++shown; }
    std::u16string ErrorText(std::uint32_t error) override { return platform::Default().messageBoxes.ErrorText(error); }
    int shown = 0;
  };

  SaveSteps steps_;
  Clipboard clipboard_;
  Memory memory_;
  Files files_;
  MessageBoxes boxes_;
  platform::Platform platform_;
};

}  // namespace bench
