// The one seam between Tarnwick's logic and the operating system.
//
// Each interface holds the few operations the program relies on, named after
// what it relies on. The Win32 implementation lives in src/platform/win32; the
// tests have an in-memory fake. The application hands the platform, or the
// part of it a piece needs, to whatever uses it; only app/ (and the tests)
// ask platform::Current() for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// An operating-system handle, opaque to portable code (HANDLE, HGLOBAL, ...).
using Handle = void*;
// What CreateFileW returns on failure.
inline Handle InvalidHandle() { return reinterpret_cast<Handle>(static_cast<std::intptr_t>(-1)); }

// Win32 error codes the program looks at or reports.
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorFileExists = 80;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorHotKeyAlreadyRegistered = 1409;

// Message-box styles the program uses.
constexpr std::uint32_t kMbOk = 0x00;
constexpr std::uint32_t kMbIconError = 0x10;
constexpr std::uint32_t kMbIconInformation = 0x40;
// With no owner window: every top-level window of the calling thread is
// disabled while the box is up.
constexpr std::uint32_t kMbTaskModal = 0x2000;

// The local date and time, field for field as SYSTEMTIME.
struct LocalTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t dayOfWeek = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
};

// The system clipboard, read-only, as the save uses it.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // OpenClipboard(NULL): false when another program holds it open.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // IsClipboardFormatAvailable(CF_DIB).
  virtual bool HasDib() = 0;
  // GetClipboardData(CF_DIB): the block's handle, possibly null.
  virtual Handle GetDib() = 0;
  // CF_DIBV5 as a program put it: EnumClipboardFormats lists it before CF_DIB
  // and CF_BITMAP. One that the system makes from either comes after them and
  // holds nothing more. Needs the clipboard open.
  virtual bool HasOwnDibV5() = 0;
  // GetClipboardData(CF_DIBV5).
  virtual Handle GetDibV5() = 0;
  // The same for a registered format (RegisterClipboardFormatW(name)).
  virtual bool HasNamed(const char16_t* name) = 0;
  virtual Handle GetNamed(const char16_t* name) = 0;
  // GetClipboardSequenceNumber: changes whenever the content does; needs no
  // opening.
  virtual std::uint32_t SequenceNumber() = 0;
  // IsClipboardFormatAvailable(CF_UNICODETEXT): text, as a program put it or
  // as the system makes it from CF_TEXT. Asks the owner to render nothing.
  virtual bool HasText() = 0;
  // GetClipboardOwner: the window of the program that put the content; null
  // when there is none.
  virtual void* OwnerWindow() = 0;
  // GetOpenClipboardWindow: the window the clipboard is held open with; null
  // when it is not open, or was opened without a window.
  virtual void* OpenerWindow() = 0;
};

// Movable global memory blocks, as clipboard data is handed out.
class GlobalMemory {
 public:
  virtual ~GlobalMemory() = default;
  // GlobalLock: the block's first byte, or null.
  virtual const std::uint8_t* Lock(Handle block) = 0;
  // GlobalSize: the block's size in bytes.
  virtual std::size_t Size(Handle block) = 0;
  virtual void Unlock(Handle block) = 0;
  // Room in the program's own memory for a copy of a block: null when there
  // is none (a huge picture in a 32-bit process). Given back with FreeCopy.
  virtual std::uint8_t* AllocateCopy(std::size_t size) = 0;
  virtual void FreeCopy(std::uint8_t* bytes) = 0;
};

// Folders and files. Paths are NUL-terminated UTF-16. (Method names avoid
// the Win32 macros CreateFile, DeleteFile and CreateDirectory.) Where a call
// takes `error`, a failure puts GetLastError() there, so that the save can
// say why it failed.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // PathIsDirectoryW.
  virtual bool IsDirectory(const char16_t* path) = 0;
  // CreateDirectoryW(path, NULL). On failure *error receives GetLastError().
  virtual bool MakeDirectory(const char16_t* path, std::uint32_t* error) = 0;
  // CreateFileW for writing with CREATE_NEW, hidden and temporary: it never
  // opens a file that exists (*error kErrorFileExists). Shared for reading and
  // delete: it can be renamed while open (MoveNew), and RemoveIfUnused passes
  // it over. InvalidHandle() on failure.
  virtual Handle CreateTemporary(const char16_t* path, std::uint32_t* error) = 0;
  // WriteFile of the whole count; false on failure (a full disk:
  // kErrorDiskFull).
  virtual bool Write(Handle file, const void* data, std::uint32_t count, std::uint32_t* error) = 0;
  // FlushFileBuffers: the data is on the disk, not only in the cache.
  virtual bool Flush(Handle file, std::uint32_t* error) = 0;
  // Gives an open file plain attributes (FILE_ATTRIBUTE_NORMAL).
  virtual bool MakePlain(Handle file, std::uint32_t* error) = 0;
  // Makes an open file hidden and temporary again, as CreateTemporary made
  // it (SetFileInformationByHandle, FileBasicInfo): through the writer's own
  // handle, so it works while another program holds the file.
  virtual bool MakeHidden(Handle file, std::uint32_t* error) = 0;
  virtual void CloseFile(Handle file) = 0;
  // CreateFileW for reading an existing file, shared for everything.
  // InvalidHandle() when it cannot be opened.
  virtual Handle OpenForReading(const char16_t* path) = 0;
  // ReadFile of up to `count` bytes; *got is 0 at the end of the file.
  virtual bool Read(Handle file, void* data, std::uint32_t count, std::uint32_t* got) = 0;
  // DeleteFileW.
  virtual bool Remove(const char16_t* path) = 0;
  // Deletes the file only when no handle to it is open anywhere (an exclusive
  // open with FILE_FLAG_DELETE_ON_CLOSE); false otherwise.
  virtual bool RemoveIfUnused(const char16_t* path) = 0;
  // MoveFileExW with MOVEFILE_WRITE_THROUGH: one step, never replacing. When
  // the new name is taken it fails with *error kErrorAlreadyExists (or
  // kErrorFileExists); while another handle to the file shares no delete,
  // with kErrorSharingViolation.
  virtual bool MoveNew(const char16_t* from, const char16_t* to, std::uint32_t* error) = 0;
  // The names (without folder) of the files that FindFirstFileW finds for a
  // pattern such as C:\shots\*.tmp, hidden ones included.
  virtual std::vector<std::u16string> FindFiles(const char16_t* pattern) = 0;
  // The same for the folders it finds, without "." and "..".
  virtual std::vector<std::u16string> FindFolders(const char16_t* pattern) = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // GetLocalTime.
  virtual LocalTime Now() = 0;
  // GetTickCount: milliseconds since the system started, wrapping.
  virtual std::uint32_t Milliseconds() = 0;
};

// A lock with one condition to wait on, shared by the save's workers and the
// user-interface thread. (The standard library's mutex drags the whole locale
// machinery into a static mingw-w64 build.)
class Monitor {
 public:
  virtual ~Monitor() = default;
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  // Called with the lock held: gives it up until WakeAll or until
  // `timeoutMs` have passed, then takes it again. False when the time ran
  // out. A wait may also end early; the caller checks its condition again.
  virtual bool Wait(std::uint32_t timeoutMs) = 0;
  virtual void WakeAll() = 0;
};
constexpr std::uint32_t kWaitForever = 0xFFFFFFFF;

// Threads, as the save queue runs its workers.
class Threads {
 public:
  using Procedure = std::uint32_t (*)(void* parameter);
  virtual ~Threads() = default;
  // CreateThread: starts procedure(parameter) at once; null when no thread.
  virtual Handle Start(Procedure procedure, void* parameter) = 0;
  virtual void Close(Handle thread) = 0;
  // Sleep.
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // GetCurrentProcessId.
  virtual std::uint32_t ProcessId() = 0;
  // The process with this id has not ended (OpenProcess and a wait of 0). One
  // that cannot be opened for want of rights is running.
  virtual bool ProcessRunning(std::uint32_t processId) = 0;
  // A new monitor (a slim reader/writer lock and a condition variable).
  virtual std::unique_ptr<Monitor> NewMonitor() = 0;
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // MessageBoxW with no owner window; returns when the user closes it.
  virtual void Show(const char16_t* text, const char16_t* caption, std::uint32_t style) = 0;
  // Windows' own text for an error code (FormatMessageW from the system, in
  // the user's language), without its trailing line break; empty when the
  // system has none.
  virtual std::u16string ErrorText(std::uint32_t error) = 0;
};

// Registry value types and RegGetValueW type restrictions.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRrfRtRegSz = 0x02;
constexpr std::uint32_t kRrfRtRegBinary = 0x08;
constexpr std::uint32_t kRrfRtRegDword = 0x10;
constexpr std::uint32_t kRrfRtDword = 0x18;  // RRF_RT_REG_BINARY | RRF_RT_REG_DWORD

// The current user's registry, as the settings store uses it. Results are
// Win32 error codes: 0 is success.
class Registry {
 public:
  virtual ~Registry() = default;
  // RegCreateKeyW(HKEY_CURRENT_USER, subKey, key): opens or creates the key.
  virtual std::int32_t CreateUserKey(const char16_t* subKey, Handle* key) = 0;
  // RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE |
  // KEY_SET_VALUE, key): opens an existing key only; kErrorFileNotFound when
  // it is missing.
  virtual std::int32_t OpenUserKey(const char16_t* subKey, Handle* key) = 0;
  // RegGetValueW(key, NULL, name, flags, NULL, data, size). On success *size
  // holds the bytes copied; it fails when the value is missing
  // (kErrorFileNotFound), has a type the flags exclude (a REG_BINARY of other
  // than 4 bytes is not a DWORD), or is larger than *size.
  virtual std::int32_t GetValue(Handle key, const char16_t* name, std::uint32_t flags, void* data,
                                std::uint32_t* size) = 0;
  // RegSetKeyValueW(key, NULL, name, type, data, size).
  virtual std::int32_t SetValue(Handle key, const char16_t* name, std::uint32_t type, const void* data,
                                std::uint32_t size) = 0;
  // RegDeleteValueW(key, name): kErrorFileNotFound when there is no such value.
  virtual std::int32_t DeleteValue(Handle key, const char16_t* name) = 0;
  virtual void CloseKey(Handle key) = 0;
};

constexpr std::size_t kMaxPathChars = 260;  // MAX_PATH

class Shell {
 public:
  virtual ~Shell() = default;
  // SHGetSpecialFolderLocation(NULL, CSIDL_DESKTOPDIRECTORY) then
  // SHGetPathFromIDListW: the desktop folder's path, NUL-terminated, into
  // `path` of kMaxPathChars units. False when either call fails.
  virtual bool DesktopDirectory(char16_t* path) = 0;
  // GetModuleFileNameW(NULL): this program's full path; empty when it cannot
  // be had whole.
  virtual std::u16string ProgramPath() = 0;
  // The file name, without its folder, of the program whose process made
  // `window` ("EXCEL.EXE"): GetWindowThreadProcessId, OpenProcess with
  // PROCESS_QUERY_LIMITED_INFORMATION, QueryFullProcessImageNameW. Empty for
  // a null window or a process that cannot be asked.
  virtual std::u16string WindowProgram(void* window) = 0;

  // A balloon on the tray icon of `window` (uID 0): Shell_NotifyIconW's
  // NIM_MODIFY with NIF_INFO, information icon, and quiet in a user's first
  // hour (NIIF_RESPECT_QUIET_TIME). Windows 10 and 11 show it as a
  // notification; a new one for the same icon replaces the one showing.
  virtual void ShowBalloon(void* window, const char16_t* title, const char16_t* text) = 0;
  // Explorer on a folder. May wait for Explorer: not for the window's thread.
  virtual void OpenFolder(const char16_t* folder) = 0;
  // Explorer on a file's folder with the file selected
  // (SHOpenFolderAndSelectItems). May wait too.
  virtual void ShowInFolder(const char16_t* file) = 0;
};

// RegisterHotKey modifier flags.
constexpr std::uint32_t kModAlt = 0x0001;
constexpr std::uint32_t kModControl = 0x0002;
constexpr std::uint32_t kModShift = 0x0004;
constexpr std::uint32_t kModWin = 0x0008;
// A held key gives one WM_HOTKEY, not one per keyboard repeat (Windows 7 on).
constexpr std::uint32_t kModNoRepeat = 0x4000;

// Global hot keys, delivered as WM_HOTKEY to the window they belong to.
class HotKeys {
 public:
  virtual ~HotKeys() = default;
  // RegisterHotKey(window, id, modifiers, virtualKey): fails when the same
  // keystrokes are already registered, by any program. A second key under a
  // window and identifier that already hold one is kept beside the first.
  virtual bool Register(void* window, std::int32_t id, std::uint32_t modifiers, std::uint32_t virtualKey) = 0;
  // UnregisterHotKey(window, id).
  virtual bool Unregister(void* window, std::int32_t id) = 0;
};

// One run of bytes; a file may be handed over as several, one after the other.
struct ByteRun {
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
};

// The system's own image codecs (Windows Imaging Component).
class ImageCodecs {
 public:
  virtual ~ImageCodecs() = default;
  // Reads the BMP file made of `runs` with the system's BMP decoder and
  // encodes it as a PNG into *png: with its alpha channel when `keepAlpha`,
  // else as plain RGB, every pixel opaque. False, *png then meaningless, when
  // the decoder or the encoder refuses the picture or memory runs short.
  // Runs on any thread, the save's worker included.
  virtual bool EncodePng(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* png) = 0;
  // Reads the BMP or PNG file made of `runs` (the decoder is chosen by its
  // first bytes) and encodes it as a JPEG at ImageQuality 0.9 into *jpeg: with
  // `keepAlpha` its transparency laid on white, else a fourth byte ignored.
  virtual bool EncodeJpeg(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* jpeg) = 0;
  // Decodes the PNG file of `size` bytes fully with the system's PNG decoder:
  // true when every row decodes and the picture is width by height.
  virtual bool DecodesPng(const std::uint8_t* png, std::size_t size, std::uint32_t width, std::uint32_t height) = 0;
};

// The user's session, as logoff and shutdown meet the program.
class Session {
 public:
  virtual ~Session() = default;
  // ShutdownBlockReasonCreate(window, reason) and ShutdownBlockReasonDestroy,
  // from the window's own thread: while a reason stands, Windows names it
  // instead of ending the program unasked. Nothing where the system has none.
  virtual void BlockShutdown(void* window, const char16_t* reason) = 0;
  virtual void AllowShutdown(void* window) = 0;
};

// Everything the program relies on, in one place.
struct Platform {
  Clipboard& clipboard;
  GlobalMemory& memory;
  FileSystem& files;
  Clock& clock;
  Threads& threads;
  MessageBoxes& messageBoxes;
  Registry& registry;
  Shell& shell;
  HotKeys& hotKeys;
  ImageCodecs& codecs;
  Session& session;
};

// The platform in use: the one installed by Install(), else the default that
// the linked implementation provides (the real one in the program, the fake in
// the unit tests). Safe to call during static initialisation.
Platform& Current();
// Replaces the platform in use; null goes back to the default.
void Install(Platform* platform);
// Provided by whichever implementation is linked in.
Platform& Default();

}  // namespace platform
