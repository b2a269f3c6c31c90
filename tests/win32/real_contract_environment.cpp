// The contract tests' environment on the real platform (Windows or Wine).
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <string>

#include "contract/contract_environment.h"
#include "win32_clipboard.h"
#include "win32_files.h"

namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// "Another program" that holds a hot key is this test program started again
// with this switch, the keystrokes and the names of two events: it registers
// the keystrokes, sets the first event and keeps them until the second is set.
constexpr wchar_t kHoldHotKeySwitch[] = L"--hold-hot-key";

// Runs before main: in a process started with the switch, holds the hot key
// and ends the process without running any test.
bool RunAsHotKeyHolderWhenAsked() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return false;
  if (argc != 6 || std::wcscmp(argv[1], kHoldHotKeySwitch) != 0) {
    LocalFree(argv);
    return false;
  }
  const UINT modifiers = std::wcstoul(argv[2], nullptr, 10);
  const UINT virtualKey = std::wcstoul(argv[3], nullptr, 10);
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[4]);
  HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[5]);
  if (ready == nullptr || release == nullptr || !RegisterHotKey(nullptr, 1, modifiers, virtualKey)) ExitProcess(2);
  SetEvent(ready);
  WaitForSingleObject(release, 60000);
  ExitProcess(0);
}

const bool g_ranAsHotKeyHolder = RunAsHotKeyHolderWhenAsked();

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Another process holding one hot key, until destroyed.
class HotKeyHolder {
 public:
  HotKeyHolder(std::uint32_t modifiers, std::uint32_t virtualKey) {
    static unsigned serial = 0;
    const std::wstring base = L"tarnwick-hot-key-holder-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++serial);
    const std::wstring readyName = base + L"-ready";
    const std::wstring releaseName = base + L"-release";
    ready_ = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    release_ = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + kHoldHotKeySwitch + L" " +
                           std::to_wstring(modifiers) + L" " + std::to_wstring(virtualKey) + L" " + readyName +
                           L" " + releaseName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      return;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    HANDLE either[] = {ready_, process_};
    holding_ = WaitForMultipleObjects(2, either, FALSE, 20000) == WAIT_OBJECT_0;
  }

  ~HotKeyHolder() {
    SetEvent(release_);
    if (process_ != nullptr) {
      WaitForSingleObject(process_, 20000);
      CloseHandle(process_);
    }
    CloseHandle(ready_);
    CloseHandle(release_);
  }

  bool holding() const { return holding_; }

 private:
  HANDLE ready_ = nullptr;
  HANDLE release_ = nullptr;
  HANDLE process_ = nullptr;
  bool holding_ = false;
};

class RealEnvironment : public contract::Environment {
 public:
  platform::Platform& Platform() override { return platform::Default(); }

  std::u16string NewScratchFolder() override {
    const std::wstring folder = testsupport::NewTempFolder(L"tarnwick-contract-");
    return std::u16string(folder.begin(), folder.end());
  }

  void MakeFile(const std::u16string& path, const contract::Bytes& content) override {
    HANDLE f = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(f);
  }

  void MakeReadOnly(const std::u16string& path) override {
    SetFileAttributesW(W(path), GetFileAttributesW(W(path)) | FILE_ATTRIBUTE_READONLY);
  }

  bool ReadFile(const std::u16string& path, contract::Bytes* content) override {
    return testsupport::ReadWholeFile(std::wstring(path.begin(), path.end()), content);
  }

  bool Exists(const std::u16string& path) override { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

  bool HoldFile(const std::u16string& path) override {
    LetGoOfFile();
    heldFile_ = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
    return heldFile_ != INVALID_HANDLE_VALUE;
  }
  void LetGoOfFile() override {
    if (heldFile_ != INVALID_HANDLE_VALUE) CloseHandle(heldFile_);
    heldFile_ = INVALID_HANDLE_VALUE;
  }

  std::uint32_t EndedProcessId() override {
    wchar_t command[] = L"cmd.exe /c exit 0";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
      return 0;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    // Its handle is kept, so that its id is not given to another process meanwhile.
    if (ended_ != nullptr) CloseHandle(ended_);
    ended_ = process.hProcess;
    return process.dwProcessId;
  }

  void PutDibOnClipboard(const contract::Bytes& block, bool dibV5) override {
    dibV5 ? testsupport::PutDibV5OnRealClipboard(block) : testsupport::PutDibOnRealClipboard(block);
  }
  void PutTextOnClipboard(const std::u16string& text) override { testsupport::PutTextOnRealClipboard(text); }
  void HoldClipboard() override { holder_ = std::make_unique<testsupport::ClipboardHolder>(); }
  void ReleaseClipboard() override { holder_.reset(); }
  std::u16string ClipboardProgram() override {
    wchar_t path[MAX_PATH];
    const std::wstring full(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return U(full.substr(full.find_last_of(L'\\') + 1));
  }

  std::u16string NewScratchKey() override {
    LARGE_INTEGER tick;
    QueryPerformanceCounter(&tick);
    const std::wstring key = L"Software\\TarnwickContract\\" +
                             std::to_wstring(static_cast<unsigned long long>(tick.QuadPart) + ++keys_);
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    return U(key);
  }

  void* HotKeyWindow() override {
    if (window_ == nullptr) {
      window_ = CreateWindowExW(0, L"STATIC", L"tarnwick contract", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    }
    return window_;
  }

  bool HoldHotKeyElsewhere(std::uint32_t modifiers, std::uint32_t virtualKey) override {
    hotKeyHolder_.reset();
    hotKeyHolder_ = std::make_unique<HotKeyHolder>(modifiers, virtualKey);
    return hotKeyHolder_->holding();
  }

  void ReleaseHotKeyElsewhere() override { hotKeyHolder_.reset(); }
  std::uint32_t LastHotKeyError() override { return GetLastError(); }
  bool IsWine() override { return RunningUnderWine(); }

 private:
  std::unique_ptr<testsupport::ClipboardHolder> holder_;
  std::unique_ptr<HotKeyHolder> hotKeyHolder_;
  HWND window_ = nullptr;
  unsigned keys_ = 0;
  HANDLE heldFile_ = INVALID_HANDLE_VALUE;
  HANDLE ended_ = nullptr;
};

}  // namespace

contract::Environment& contract::Current() {
  static RealEnvironment environment;
  return environment;
}
