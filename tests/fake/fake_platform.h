// An in-memory platform for the unit tests: a file system, a clipboard,
// global memory, a clock, threads and message boxes that behave as the
// Win32 implementation does for everything the program relies on, with a
// switch for each failure the program must survive.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

using Bytes = std::vector<std::uint8_t>;

class FakeFileSystem : public platform::FileSystem {
 public:
  FakeFileSystem();

  bool IsDirectory(const char16_t* path) override;
  bool MakeDirectory(const char16_t* path, std::uint32_t* error) override;
  platform::Handle CreateTemporary(const char16_t* path, std::uint32_t* error) override;
  bool Write(platform::Handle file, const void* data, std::uint32_t count, std::uint32_t* error) override;
  bool Flush(platform::Handle file, std::uint32_t* error) override;
  bool MakePlain(platform::Handle file, std::uint32_t* error) override;
  bool MakeHidden(platform::Handle file, std::uint32_t* error) override;
  void CloseFile(platform::Handle file) override;
  platform::Handle OpenForReading(const char16_t* path) override;
  bool Read(platform::Handle file, void* data, std::uint32_t count, std::uint32_t* got) override;
  bool Remove(const char16_t* path) override;
  bool RemoveIfUnused(const char16_t* path) override;
  bool MoveNew(const char16_t* from, const char16_t* to, std::uint32_t* error) override;
  std::vector<std::u16string> FindFiles(const char16_t* pattern) override;
  std::vector<std::u16string> FindFolders(const char16_t* pattern) override;

  // Set-up and inspection. Paths are Windows paths; a trailing backslash and
  // letter case do not matter, as on Windows. "C:\" exists from the start.
  void AddDrive(const std::u16string& root);
  void AddDirectory(const std::u16string& path);
  void AddFile(const std::u16string& path, const Bytes& content);
  bool Exists(const std::u16string& path) const;
  bool IsFile(const std::u16string& path) const;
  bool IsHidden(const std::u16string& path) const;
  std::optional<Bytes> Read(const std::u16string& path) const;
  // Every file and directory below `folder`, as full paths, sorted.
  std::vector<std::u16string> List(const std::u16string& folder) const;

  // Another program keeps this file open, sharing nothing, until it lets go.
  void HoldElsewhere(const std::u16string& path);
  void LetGoElsewhere(const std::u16string& path);
  // Gives an existing file the read-only attribute: it can be read and
  // renamed, but not replaced, written or deleted.
  void MakeReadOnly(const std::u16string& path);

  // Failure switches, each with the error Windows gives for it: access
  // denied for the file and the move. (A missing folder, a name in use, a
  // full disk give theirs as Windows does.)
  std::map<std::u16string, std::uint32_t> makeDirectoryErrors;  // path -> GetLastError
  bool createFileFails = false;
  bool moveFails = false;
  // Runs just before each MoveNew, as another program could act then.
  std::function<void(const std::u16string& to)> beforeMove;
  // Bytes that still fit on the disk; a write that does not fit puts what
  // fits and fails, as on a full disk.
  std::uint64_t freeSpace = UINT64_MAX;

  // What happened.
  std::vector<std::u16string> directoriesCreated;
  int openFiles() const { return static_cast<int>(open_.size()); }
  int badCloses = 0;  // closes of a handle that was not open
  int movesOfUnflushedData = 0;  // MoveNew of a file written since its last Flush

 private:
  struct Node {
    bool directory = false;
    Bytes content;
    std::u16string path;  // as created, letter case kept
    bool hidden = false;
    bool flushed = true;
    bool readOnly = false;
  };
  struct Reader {
    std::u16string key;
    std::size_t offset = 0;
  };
  bool InUse(const std::u16string& key) const;
  std::vector<std::u16string> Find(const char16_t* pattern, bool folders) const;
  static std::u16string Key(const std::u16string& path);
  static std::u16string Parent(const std::u16string& key);
  bool ParentIsDirectory(const std::u16string& key) const;

  std::map<std::u16string, Node> nodes_;               // by Key()
  std::map<std::uintptr_t, std::u16string> open_;      // handle -> key, for writing
  std::map<std::uintptr_t, Reader> readers_;           // handle -> key, for reading
  std::set<std::u16string> heldElsewhere_;             // by Key()
  std::uintptr_t nextHandle_ = 0x100;
};

class FakeClipboard : public platform::Clipboard {
 public:
  bool Open() override;
  void Close() override;
  bool HasDib() override;
  platform::Handle GetDib() override;
  bool HasOwnDibV5() override { return isOpen && dibV5_ != nullptr; }
  platform::Handle GetDibV5() override { return isOpen ? dibV5_.get() : nullptr; }
  bool HasNamed(const char16_t* name) override;
  platform::Handle GetNamed(const char16_t* name) override;
  std::uint32_t SequenceNumber() override { return sequence_; }
  bool HasText() override { return hasText_; }
  void* OwnerWindow() override { return owner; }
  // Only another program's window: this program opens it without one.
  void* OpenerWindow() override { return heldByAnotherProgram || busyForAttempts > 0 ? holder : nullptr; }

  // Another program puts new content: the number changes each time.
  void SetDib(const Bytes& block);
  void SetText(const std::u16string& text);
  void Clear();
  // The same program adds a registered format beside what is there, its own
  // CF_DIBV5, listed before CF_DIB, or CF_UNICODETEXT.
  void SetNamed(const std::u16string& name, const Bytes& data);
  void SetDibV5(const Bytes& block);
  void AddText();

  // Delayed rendering: the owner puts the bitmap when it is first read,
  // which changes the number. Called on the reader's thread, once.
  std::function<void()> rendersOnRead;
  bool heldByAnotherProgram = false;
  // Another program holds it for this many more attempts to open it.
  int busyForAttempts = 0;
  // The window that other program holds it open with (null: none).
  void* holder = nullptr;
  // The window of the program that put the content.
  void* owner = nullptr;
  bool nullDibHandle = false;
  int openAttempts = 0;
  int opens = 0;
  int closes = 0;
  bool isOpen = false;

  // The block as GlobalMemory sees it: allocated to its exact size, so that a
  // read past its end is caught by AddressSanitizer.
  struct Block {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
  };
  Block* dib() { return dib_.get(); }

 private:
  std::unique_ptr<Block> dib_;
  std::unique_ptr<Block> dibV5_;
  std::map<std::u16string, Block> named_;
  bool hasText_ = false;
  // Read by the save's worker while a test changes the content.
  std::atomic<std::uint32_t> sequence_{1};
};

class FakeGlobalMemory : public platform::GlobalMemory {
 public:
  const std::uint8_t* Lock(platform::Handle block) override;
  std::size_t Size(platform::Handle block) override;
  void Unlock(platform::Handle block) override;
  std::uint8_t* AllocateCopy(std::size_t size) override;
  void FreeCopy(std::uint8_t* bytes) override;

  bool lockFails = false;
  int lockCount = 0;  // locks not yet unlocked
  // No copy can get memory, as for a huge picture in a 32-bit process.
  bool copiesFail = false;
  // Copies not yet given back, and the most there ever were at once.
  int liveCopies() const;
  int mostLiveCopies() const;
  // Blocks unlocked so far: a save's worker is done with the clipboard's block.
  int unlocks() const;

 private:
  mutable std::mutex mutex_;  // copies are made and freed on the save workers
  int liveCopies_ = 0;
  int mostLiveCopies_ = 0;
  int unlocks_ = 0;
};

class FakeClock : public platform::Clock {
 public:
  platform::LocalTime Now() override { return now; }
  // Real time, for the save's workers wait for real, plus `skippedMs`.
  std::uint32_t Milliseconds() override;
  std::atomic<std::uint32_t> skippedMs{0};
  platform::LocalTime now{2026, 3, 3, 4, 5, 6, 7, 0};
};

class FakeThreads : public platform::Threads {
 public:
  ~FakeThreads() override;
  platform::Handle Start(Procedure procedure, void* parameter) override;
  void Close(platform::Handle thread) override;
  // Takes no time; `whilePaused` runs in its place, as other programs could act then.
  void Pause(std::uint32_t milliseconds) override {
    pausedMs += milliseconds;
    if (whilePaused) whilePaused(milliseconds);
  }
  std::uint32_t ProcessId() override { return processId; }
  bool ProcessRunning(std::uint32_t id) override { return id == processId || otherProcesses.count(id) != 0; }
  std::unique_ptr<platform::Monitor> NewMonitor() override;

  bool startFails = false;
  int started = 0;
  int openHandles = 0;
  std::uint32_t pausedMs = 0;
  std::function<void(std::uint32_t milliseconds)> whilePaused;
  std::uint32_t processId = 4242;
  std::set<std::uint32_t> otherProcesses;  // running beside this one

 private:
  struct Thread;
  std::vector<std::unique_ptr<Thread>> threads_;
};

// The current user's registry: keys by path, each value with its type and
// bytes, read with RegGetValueW's type rules.
class FakeRegistry : public platform::Registry {
 public:
  std::int32_t CreateUserKey(const char16_t* subKey, platform::Handle* key) override;
  std::int32_t OpenUserKey(const char16_t* subKey, platform::Handle* key) override;
  std::int32_t GetValue(platform::Handle key, const char16_t* name, std::uint32_t flags, void* data,
                        std::uint32_t* size) override;
  std::int32_t SetValue(platform::Handle key, const char16_t* name, std::uint32_t type, const void* data,
                        std::uint32_t size) override;
  std::int32_t DeleteValue(platform::Handle key, const char16_t* name) override;
  void CloseKey(platform::Handle key) override;

  struct Value {
    std::uint32_t type = 0;
    Bytes data;
  };
  // Set-up and inspection: values of a key by its path below HKEY_CURRENT_USER.
  void Put(const std::u16string& keyPath, const std::u16string& name, std::uint32_t type, const Bytes& data);
  std::optional<Value> Get(const std::u16string& keyPath, const std::u16string& name) const;
  bool KeyExists(const std::u16string& keyPath) const { return keys_.count(keyPath) != 0; }

  // Failure switches: a Win32 error code returned by the nth call (counting
  // from 1) of each operation, or by every call when the count is 0.
  struct Failure {
    int call = 0;
    std::int32_t error = 0;
  };
  std::optional<Failure> createFails;
  std::map<std::u16string, Failure> getFails;  // by value name
  std::map<std::u16string, Failure> setFails;  // by value name
  int openKeys = 0;
  int creates = 0;
  std::map<std::u16string, int> gets;
  std::map<std::u16string, int> sets;

 private:
  static bool Fires(const std::optional<Failure>& failure, int call);
  std::map<std::u16string, std::map<std::u16string, Value>> keys_;
  std::map<std::uintptr_t, std::u16string> open_;
  std::uintptr_t nextHandle_ = 0x1000;
};

class FakeShell : public platform::Shell {
 public:
  bool DesktopDirectory(char16_t* path) override;
  std::u16string ProgramPath() override { return program; }
  std::u16string WindowProgram(void* window) override;
  void ShowBalloon(void* window, const char16_t* title, const char16_t* text) override;
  void OpenFolder(const char16_t* folder) override;
  void ShowInFolder(const char16_t* file) override;

  struct Balloon {
    void* window;
    std::u16string title;
    std::u16string text;
  };
  std::vector<Balloon> balloons;
  // What Explorer was asked for, off the window's thread: "open <folder>" or
  // "select <file>".
  std::vector<std::u16string> explorerCalls() const;
  // Waits until Explorer has been asked `count` times (at most 10 s).
  bool WaitForExplorerCalls(std::size_t count) const;
  std::u16string desktop = u"C:\\users\\tester\\Desktop";
  std::u16string program = u"C:\\Program Files\\Tarnwick\\Tarnwick.exe";
  // Other programs' windows by the file name of the program that made them;
  // a window not listed belongs to a process that cannot be asked.
  std::map<void*, std::u16string> windowPrograms;
  bool fails = false;

 private:
  mutable std::mutex mutex_;
  std::vector<std::u16string> explorer_;
};

// The system-wide hot-key table: keystrokes may be held by this program
// (under a window and identifier) or by another program. It follows Windows'
// documented rules where Wine is more lenient: keystrokes already registered
// are refused, by anyone; a second key under a window and identifier is kept
// beside the first (Wine replaces it); the identifier must be 0 to 0xBFFF,
// the key a virtual-key code (1 to 0xFF) and the modifiers MOD_ flags (Wine
// takes any of these).
class FakeHotKeys : public platform::HotKeys {
 public:
  bool Register(void* window, std::int32_t id, std::uint32_t modifiers, std::uint32_t virtualKey) override;
  bool Unregister(void* window, std::int32_t id) override;

  struct Registration {
    void* window = nullptr;
    std::int32_t id = 0;
    std::uint32_t modifiers = 0;
    std::uint32_t virtualKey = 0;
  };
  // Another program takes these keystrokes.
  void HoldElsewhere(std::uint32_t modifiers, std::uint32_t virtualKey);
  // This program holds these keystrokes, under any identifier.
  bool Holds(std::uint32_t modifiers, std::uint32_t virtualKey) const;
  // A system before Windows 7, which refuses MOD_NOREPEAT.
  bool refusesNoRepeat = false;
  // This program's registrations, in the order made.
  std::vector<Registration> registered;
  std::vector<Registration> heldElsewhere;
  int registerCalls = 0;
  int unregisterCalls = 0;
  // GetLastError after the last call that failed: 1409 for keystrokes
  // already registered, 1419 for nothing to unregister, 87 for the rest.
  std::uint32_t lastError = 0;
};

// The image codecs: "PNG" or a JPEG's first bytes, then the file they were
// given, so that each picture gives bytes of its own, or refuse.
class FakeImageCodecs : public platform::ImageCodecs {
 public:
  bool EncodePng(const platform::ByteRun* runs, std::size_t count, bool keepAlpha, Bytes* png) override {
    lastBmp.clear();
    for (std::size_t i = 0; i < count; ++i) lastBmp.insert(lastBmp.end(), runs[i].data, runs[i].data + runs[i].length);
    lastKeptAlpha = keepAlpha;
    *png = {0x89, 'P', 'N', 'G'};
    png->insert(png->end(), lastBmp.begin(), lastBmp.end());
    return !refuses;
  }
  bool EncodeJpeg(const platform::ByteRun* runs, std::size_t count, bool keepAlpha, Bytes* jpeg) override {
    const bool encoded = EncodePng(runs, count, keepAlpha, jpeg);
    jpeg->erase(jpeg->begin(), jpeg->begin() + 2);
    (*jpeg)[0] = 0xFF;
    (*jpeg)[1] = 0xD8;
    return encoded;
  }
  bool DecodesPng(const std::uint8_t*, std::size_t, std::uint32_t, std::uint32_t) override {
    if (whileDecoding) whileDecoding();
    return !pngDecodeFails;
  }

  bool refuses = false;
  bool pngDecodeFails = false;
  std::function<void()> whileDecoding;  // another program's turn, after the opening
  Bytes lastBmp;  // the file the last encode was given (a BMP, or a "PNG")
  bool lastKeptAlpha = false;
};

// Logoff and shutdown: the reason the program names while it saves.
class FakeSession : public platform::Session {
 public:
  void BlockShutdown(void* window, const char16_t* reason) override;
  void AllowShutdown(void* window) override;

  std::u16string reason;  // empty while none stands
  void* window = nullptr;
  int blocks = 0;
};

struct ShownBox {
  std::u16string text;
  std::u16string caption;
  std::uint32_t style = 0;
};

class FakeMessageBoxes : public platform::MessageBoxes {
 public:
  void Show(const char16_t* text, const char16_t* caption, std::uint32_t style) override;
  // The system's English text for two codes; empty, as when it has none, else.
  std::u16string ErrorText(std::uint32_t error) override;
  std::vector<ShownBox> shown;
  // Runs while a box is "open", as its message loop dispatches what is
  // posted to the thread (a hot-key press, a tray click): that reaches every
  // window, enabled or not.
  std::function<void(const ShownBox&)> whileOpen;
  // A click or key on another window of the thread (a dialog's button) while
  // the next box is open. As on Windows, a box with no owner leaves the
  // thread's windows enabled unless it is task-modal, and then the click
  // runs inside the box; a task-modal box has them disabled and the click is
  // lost. Used up by the next box either way.
  std::function<void(const ShownBox&)> clickWhileOpen;
};

// All fakes together; Install() makes them the platform in use until the
// object is destroyed.
class FakePlatform {
 public:
  FakePlatform();
  ~FakePlatform();
  void Install();

  FakeFileSystem files;
  FakeClipboard clipboard;
  FakeGlobalMemory memory;
  FakeClock clock;
  FakeThreads threads;
  FakeMessageBoxes messageBoxes;
  FakeRegistry registry;
  FakeShell shell;
  FakeHotKeys hotKeys;
  FakeImageCodecs codecs;
  FakeSession session;
  platform::Platform platform;

 private:
  bool installed_ = false;
};

}  // namespace fake
