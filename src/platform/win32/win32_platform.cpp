// The real platform: each operation is the Win32 call its interface names.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <new>

#include "platform/debug_log.h"
#include "platform/platform.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/wic_codecs.h"

namespace platform {
namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Each failure is told on the debugger output (see debug_log.h); these pass
// the result on.
bool Failed(const wchar_t* call) {
  LogLastError(call);
  return false;
}
bool Failed(const wchar_t* call, std::uint32_t* error) {
  *error = LogLastError(call);
  return false;
}
HANDLE Checked(HANDLE file, const wchar_t* call) {
  if (file == INVALID_HANDLE_VALUE) LogLastError(call);
  return file;
}
LONG Logged(const wchar_t* call, LONG result) {
  if (result != ERROR_SUCCESS) LogFailure(call, static_cast<DWORD>(result));
  return result;
}

class Win32Clipboard : public Clipboard {
 public:
  bool Open() override { return OpenClipboard(nullptr) != 0 || Failed(L"OpenClipboard"); }
  void Close() override { CloseClipboard(); }
  bool HasDib() override { return IsClipboardFormatAvailable(CF_DIB) != 0; }
  Handle GetDib() override { return Get(CF_DIB); }
  bool HasOwnDibV5() override {
    // Formats come in the order they were put, the system's conversions after
    // the format each is made from.
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
      if (format == CF_DIBV5) return true;
      if (format == CF_DIB || format == CF_BITMAP) return false;
    }
    return false;
  }
  Handle GetDibV5() override { return Get(CF_DIBV5); }
  bool HasNamed(const char16_t* name) override {
    const UINT format = RegisterClipboardFormatW(Wide(name));
    return format != 0 && IsClipboardFormatAvailable(format) != 0;
  }
  Handle GetNamed(const char16_t* name) override {
    const UINT format = RegisterClipboardFormatW(Wide(name));
    return format != 0 ? Get(format) : nullptr;
  }
  std::uint32_t SequenceNumber() override { return GetClipboardSequenceNumber(); }
  bool HasText() override { return IsClipboardFormatAvailable(CF_UNICODETEXT) != 0; }
  void* OwnerWindow() override { return GetClipboardOwner(); }
  void* OpenerWindow() override { return GetOpenClipboardWindow(); }

 private:
  static HANDLE Get(UINT format) {
    HANDLE block = GetClipboardData(format);
    if (block == nullptr) LogLastError(L"GetClipboardData");
    return block;
  }
};

class Win32GlobalMemory : public GlobalMemory {
 public:
  const std::uint8_t* Lock(Handle block) override {
    const void* bytes = GlobalLock(static_cast<HGLOBAL>(block));
    if (bytes == nullptr) LogLastError(L"GlobalLock");
    return static_cast<const std::uint8_t*>(bytes);
  }
  std::size_t Size(Handle block) override { return GlobalSize(static_cast<HGLOBAL>(block)); }
  void Unlock(Handle block) override { GlobalUnlock(static_cast<HGLOBAL>(block)); }
  // The process heap hands a large block its own pages and gives them back to
  // the system when it is freed, so a finished save leaves nothing behind.
  std::uint8_t* AllocateCopy(std::size_t size) override {
    void* bytes = HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size);
    if (bytes == nullptr) LogFailure(L"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<std::uint8_t*>(bytes);
  }
  void FreeCopy(std::uint8_t* bytes) override { HeapFree(GetProcessHeap(), 0, bytes); }
};

class Win32FileSystem : public FileSystem {
 public:
  bool IsDirectory(const char16_t* path) override { return PathIsDirectoryW(Wide(path)) != FALSE; }

  bool MakeDirectory(const char16_t* path, std::uint32_t* error) override {
    if (CreateDirectoryW(Wide(path), nullptr)) return true;
    *error = LogLastError(L"CreateDirectoryW");
    return false;
  }

  Handle CreateTemporary(const char16_t* path, std::uint32_t* error) override {
    // Readers may open it: the handle stays open through the move, and a
    // viewer may open the file the moment its name appears.
    const HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, kTemporaryAttributes, nullptr);
    if (file == INVALID_HANDLE_VALUE) *error = LogLastError(L"CreateFileW (temporary file)");
    return file;
  }

  bool Write(Handle file, const void* data, std::uint32_t count, std::uint32_t* error) override {
    DWORD written = 0;
    if (!WriteFile(file, data, count, &written, nullptr)) return Failed(L"WriteFile", error);
    if (written == count) return true;
    // A synchronous write to a file stops short only when the disk is full.
    *error = LogFailure(L"WriteFile (short)", ERROR_DISK_FULL);
    return false;
  }

  bool Flush(Handle file, std::uint32_t* error) override {
    return FlushFileBuffers(file) != 0 || Failed(L"FlushFileBuffers", error);
  }

  bool MakePlain(Handle file, std::uint32_t* error) override {
    return SetAttributes(file, FILE_ATTRIBUTE_NORMAL, error);
  }

  bool MakeHidden(Handle file, std::uint32_t* error) override {
    return SetAttributes(file, kTemporaryAttributes, error);
  }

  void CloseFile(Handle file) override { CloseHandle(file); }

  Handle OpenForReading(const char16_t* path) override {
    return Checked(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr),
                   L"CreateFileW (reading)");
  }

  bool Read(Handle file, void* data, std::uint32_t count, std::uint32_t* got) override {
    DWORD read = 0;
    const BOOL ok = ReadFile(file, data, count, &read, nullptr);
    *got = read;
    return ok != 0 || Failed(L"ReadFile");
  }

  bool Remove(const char16_t* path) override { return DeleteFileW(Wide(path)) != 0 || Failed(L"DeleteFileW"); }

  bool RemoveIfUnused(const char16_t* path) override {
    // Sharing nothing, the open fails while any other handle is open.
    HANDLE file = Checked(CreateFileW(Wide(path), DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr),
                          L"CreateFileW (leftover)");
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }

  bool MoveNew(const char16_t* from, const char16_t* to, std::uint32_t* error) override {
    if (MoveFileExW(Wide(from), Wide(to), MOVEFILE_WRITE_THROUGH)) return true;
    *error = LogLastError(L"MoveFileExW");
    return false;
  }

  std::vector<std::u16string> FindFiles(const char16_t* pattern) override { return Find(pattern, false); }
  std::vector<std::u16string> FindFolders(const char16_t* pattern) override { return Find(pattern, true); }

 private:
  static constexpr DWORD kTemporaryAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY;

  static bool SetAttributes(Handle file, DWORD attributes, std::uint32_t* error) {
    // Zero times leave the file's times as they are.
    FILE_BASIC_INFO info{};
    info.FileAttributes = attributes;
    return SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != 0 ||
           Failed(L"SetFileInformationByHandle", error);
  }

  static std::vector<std::u16string> Find(const char16_t* pattern, bool folders) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(pattern), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (folder == folders && wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0) {
        names.emplace_back(reinterpret_cast<const char16_t*>(found.cFileName));
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }
};

class Win32Clock : public Clock {
 public:
  LocalTime Now() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  }
  std::uint32_t Milliseconds() override { return GetTickCount(); }
};

class Win32Monitor : public Monitor {
 public:
  void Lock() override { AcquireSRWLockExclusive(&lock_); }
  void Unlock() override { ReleaseSRWLockExclusive(&lock_); }
  bool Wait(std::uint32_t timeoutMs) override {
    return SleepConditionVariableSRW(&condition_, &lock_, timeoutMs, 0) != 0;
  }
  void WakeAll() override { WakeAllConditionVariable(&condition_); }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

class Win32Threads : public Threads {
 public:
  Handle Start(Procedure procedure, void* parameter) override {
    // The portable procedure has the C calling convention; a small record
    // carries it into a WINAPI trampoline.
    auto* start = new (std::nothrow) StartRecord{procedure, parameter};
    if (start == nullptr) return nullptr;
    HANDLE thread = CreateThread(nullptr, 0, Trampoline, start, 0, nullptr);
    if (thread == nullptr) {
      LogLastError(L"CreateThread");
      delete start;
    }
    return thread;
  }

  void Close(Handle thread) override { CloseHandle(thread); }
  void Pause(std::uint32_t milliseconds) override { Sleep(milliseconds); }
  std::uint32_t ProcessId() override { return GetCurrentProcessId(); }
  bool ProcessRunning(std::uint32_t processId) override {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    // No such process is ERROR_INVALID_PARAMETER; access denied means one runs.
    if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
  }
  std::unique_ptr<Monitor> NewMonitor() override { return std::make_unique<Win32Monitor>(); }

 private:
  struct StartRecord {
    Procedure procedure;
    void* parameter;
  };
  static DWORD WINAPI Trampoline(LPVOID record) {
    const StartRecord start = *static_cast<StartRecord*>(record);
    delete static_cast<StartRecord*>(record);
    return start.procedure(start.parameter);
  }
};

class Win32MessageBoxes : public MessageBoxes {
 public:
  void Show(const char16_t* text, const char16_t* caption, std::uint32_t style) override {
    MessageBoxW(nullptr, Wide(text), Wide(caption), style);
  }

  std::u16string ErrorText(std::uint32_t error) override {
    // Language 0: the user's language, falling back as the system does.
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, ARRAYSIZE(text), nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) {
      --length;
    }
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
  }
};

class Win32Registry : public Registry {
 public:
  std::int32_t CreateUserKey(const char16_t* subKey, Handle* key) override {
    HKEY opened = nullptr;
    const LONG result = RegCreateKeyW(HKEY_CURRENT_USER, Wide(subKey), &opened);
    *key = opened;
    return Logged(L"RegCreateKeyW", result);
  }

  std::int32_t OpenUserKey(const char16_t* subKey, Handle* key) override {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, Wide(subKey), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened);
    *key = opened;
    // A missing key is an answer, not a failure.
    return result == ERROR_FILE_NOT_FOUND ? result : Logged(L"RegOpenKeyExW", result);
  }

  std::int32_t GetValue(Handle key, const char16_t* name, std::uint32_t flags, void* data,
                        std::uint32_t* size) override {
    DWORD count = *size;
    const LONG result = RegGetValueW(static_cast<HKEY>(key), nullptr, Wide(name), flags, nullptr, data, &count);
    *size = count;
    return Logged(L"RegGetValueW", result);
  }

  std::int32_t SetValue(Handle key, const char16_t* name, std::uint32_t type, const void* data,
                        std::uint32_t size) override {
    return Logged(L"RegSetKeyValueW", RegSetKeyValueW(static_cast<HKEY>(key), nullptr, Wide(name), type, data, size));
  }

  std::int32_t DeleteValue(Handle key, const char16_t* name) override {
    const LONG result = RegDeleteValueW(static_cast<HKEY>(key), Wide(name));
    return result == ERROR_FILE_NOT_FOUND ? result : Logged(L"RegDeleteValueW", result);
  }

  void CloseKey(Handle key) override { RegCloseKey(static_cast<HKEY>(key)); }
};

class Win32Shell : public Shell {
 public:
  bool DesktopDirectory(char16_t* path) override {
    LPITEMIDLIST items = nullptr;
    const HRESULT located = SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &items);
    if (located != S_OK) {
      LogFailure(L"SHGetSpecialFolderLocation", static_cast<DWORD>(located));
      return false;
    }
    const BOOL found = SHGetPathFromIDListW(items, reinterpret_cast<wchar_t*>(path));
    CoTaskMemFree(items);
    return found != FALSE || Failed(L"SHGetPathFromIDListW");
  }

  std::u16string ProgramPath() override {
    // The path may be longer than MAX_PATH: grow until it fits whole.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
      std::u16string path(size, u'\0');
      const DWORD length = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()), size);
      if (length == 0) break;
      if (length < size) return path.substr(0, length);
    }
    LogLastError(L"GetModuleFileNameW");
    return {};
  }

  std::u16string WindowProgram(void* window) override {
    DWORD processId = 0;
    if (window == nullptr || GetWindowThreadProcessId(static_cast<HWND>(window), &processId) == 0) return {};
    // The limited right is granted for elevated and protected processes too,
    // where a full query is refused.
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
      LogLastError(L"OpenProcess");
      return {};
    }
    std::u16string path(32768, u'\0');  // the longest path Windows has
    DWORD length = static_cast<DWORD>(path.size());
    const BOOL named = QueryFullProcessImageNameW(process, 0, reinterpret_cast<wchar_t*>(path.data()), &length);
    if (!named) LogLastError(L"QueryFullProcessImageNameW");
    CloseHandle(process);
    if (!named) return {};
    path.resize(length);
    return path.substr(path.find_last_of(u'\\') + 1);
  }

  void ShowBalloon(void* window, const char16_t* title, const char16_t* text) override {
    NOTIFYICONDATAW balloon{};
    balloon.cbSize = sizeof balloon;
    balloon.hWnd = static_cast<HWND>(window);
    balloon.uID = 0;
    balloon.uFlags = NIF_INFO;
    lstrcpynW(balloon.szInfoTitle, Wide(title), ARRAYSIZE(balloon.szInfoTitle));
    lstrcpynW(balloon.szInfo, Wide(text), ARRAYSIZE(balloon.szInfo));
    balloon.dwInfoFlags = NIIF_INFO | NIIF_RESPECT_QUIET_TIME;
    if (!Shell_NotifyIconW(NIM_MODIFY, &balloon)) LogLastError(L"Shell_NotifyIconW (balloon)");
  }

  void OpenFolder(const char16_t* folder) override {
    const ComApartment com(kShellApartment);
    const auto opened = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", Wide(folder), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened <= 32) LogFailure(L"ShellExecuteW", static_cast<DWORD>(opened));
  }

  void ShowInFolder(const char16_t* file) override {
    const ComApartment com(kShellApartment);
    PIDLIST_ABSOLUTE item = nullptr;
    HRESULT result = SHParseDisplayName(Wide(file), nullptr, &item, 0, nullptr);
    if (SUCCEEDED(result)) {
      result = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
      CoTaskMemFree(item);
    }
    if (FAILED(result)) LogFailure(L"SHOpenFolderAndSelectItems", static_cast<DWORD>(result));
  }

 private:
  // The shell's folder views are COM objects, wanting a single-threaded
  // apartment on the thread that asks for one.
  static constexpr DWORD kShellApartment = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE;
};

class Win32HotKeys : public HotKeys {
 public:
  bool Register(void* window, std::int32_t id, std::uint32_t modifiers, std::uint32_t virtualKey) override {
    return RegisterHotKey(static_cast<HWND>(window), id, modifiers, virtualKey) != FALSE || Failed(L"RegisterHotKey");
  }
  bool Unregister(void* window, std::int32_t id) override {
    return UnregisterHotKey(static_cast<HWND>(window), id) != FALSE || Failed(L"UnregisterHotKey");
  }
};

// ShutdownBlockReasonCreate and ShutdownBlockReasonDestroy exist from
// Windows Vista on: looked up, so that the program still starts without them.
class Win32Session : public Session {
 public:
  void BlockShutdown(void* window, const char16_t* reason) override {
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (const auto create = reinterpret_cast<Create>(User32("ShutdownBlockReasonCreate"))) {
      if (!create(static_cast<HWND>(window), Wide(reason))) LogLastError(L"ShutdownBlockReasonCreate");
    }
  }
  void AllowShutdown(void* window) override {
    using Destroy = BOOL(WINAPI*)(HWND);
    if (const auto destroy = reinterpret_cast<Destroy>(User32("ShutdownBlockReasonDestroy"))) {
      destroy(static_cast<HWND>(window));
    }
  }

 private:
  static void* User32(const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name));
  }
};

}  // namespace

Platform& Default() {
  // Function-local statics: ready even when called during static initialisation.
  static Win32Clipboard clipboard;
  static Win32GlobalMemory memory;
  static Win32FileSystem files;
  static Win32Clock clock;
  static Win32Threads threads;
  static Win32MessageBoxes messageBoxes;
  static Win32Registry registry;
  static Win32Shell shell;
  static Win32HotKeys hotKeys;
  static WicCodecs codecs;
  static Win32Session session;
  static Platform platform{clipboard, memory, files,  clock,  threads,
                           messageBoxes, registry, shell, hotKeys, codecs, session};
  return platform;
}

}  // namespace platform
