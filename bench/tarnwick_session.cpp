#include "tarnwick_session.h"

#include <psapi.h>

#include "measure.h"
#include "memory_watch.h"

namespace bench {

namespace {
constexpr DWORD kDefaultKeys = 0x00020069;  // Control + numeric-keypad 9

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// The process's entries in the system's handle table (NtQuerySystemInformation,
// SystemHandleInformation), for where GetProcessHandleCount answers 0: Wine
// does, while it keeps this table.
DWORD HandlesInSystemTable(DWORD pid) {
  using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  struct Entry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<BYTE> table(1 << 16);
  ULONG length = 0;
  LONG status;
  while ((status = query(kSystemHandleInformation, table.data(), static_cast<ULONG>(table.size()), &length)) ==
         kInfoLengthMismatch) {
    table.resize(table.size() * 2);
  }
  if (status != 0) return 0;
  const ULONG count = *reinterpret_cast<const ULONG*>(table.data());
  const auto* entries = reinterpret_cast<const Entry*>(table.data() + sizeof(ULONG_PTR));
  DWORD mine = 0;
  for (ULONG i = 0; i < count; ++i) mine += entries[i].ownerPid == pid;
  return mine;
}

// The first finished picture in the folder (its extension .bmp or .png), or empty.
std::wstring FinishedPicture(const std::wstring& folder, const wchar_t* extension) {
  for (const auto& name : e2e::FilesIn(folder)) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, extension) == 0) return folder + name;
  }
  return L"";
}
}  // namespace

ProcessFigures FiguresOf(HANDLE process, DWORD pid) {
  ProcessFigures f;
  if (!GetProcessHandleCount(process, &f.handles) || f.handles == 0) {
    f.handles = HandlesInSystemTable(pid);
    f.handlesFromSystemTable = true;
  }
  f.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
  f.userObjects = GetGuiResources(process, GR_USEROBJECTS);
  // A program with windows holds USER objects: 0 for both means not counted.
  f.guiCounted = f.gdiObjects != 0 || f.userObjects != 0;
  for (HWND window : e2e::WindowsOf(pid)) {
    ++f.windows;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&f.windows));
  }
  f.privateBytes = PrivateBytes(process);
  return f;
}

TarnwickSession::~TarnwickSession() {
  if (tarnwick_.Running()) tarnwick_.Exit();
  if (process_ != nullptr) CloseHandle(process_);
  RestoreSettings();
}

bool TarnwickSession::Start(const std::wstring& folder, DWORD format) {
  folder_ = folder;
  extension_ = format == 1 ? L".png" : L".bmp";
  // On a machine where Tarnwick is in use, its settings are put back after.
  path_.present = e2e::ReadSetting(L"Path", &path_.type, &path_.data);
  keys_.present = e2e::ReadSetting(L"Keys", &keys_.type, &keys_.data);
  format_.present = e2e::ReadSetting(L"Format", &format_.type, &format_.data);
  settingsSaved_ = true;
  if (!e2e::WriteFolderSetting(folder) || !e2e::WriteKeysSetting(kDefaultKeys) ||
      !e2e::WriteDwordSetting(L"Format", format)) {
    return false;
  }
  if (!tarnwick_.Start() || !tarnwick_.Running() || tarnwick_.MainWindow() == nullptr) return false;
  process_ = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, tarnwick_.Pid());
  return process_ != nullptr;
}

bool TarnwickSession::SaveWithHotKey(std::wstring* path, double* ms, DWORD timeoutMs) {
  const double start = NowMs();
  e2e::PressDefaultHotKey();
  for (;;) {
    *path = FinishedPicture(folder_, extension_);
    *ms = NowMs() - start;
    if (!path->empty()) return true;
    if (*ms > timeoutMs) return false;
    // Short waits, with this thread's messages kept moving: it owns what it
    // put on the clipboard.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}

std::vector<std::string> TarnwickSession::DismissMessageBoxes() const {
  std::vector<std::string> texts;
  for (const auto& box : e2e::MessageBoxes(tarnwick_.Pid())) {
    std::string text(WideCharToMultiByte(CP_UTF8, 0, box.text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, box.text.c_str(), -1, &text[0], static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(text.size() - 1);
    texts.push_back(text);
    e2e::DismissMessageBox(box);
  }
  return texts;
}

void TarnwickSession::RestoreSettings() {
  if (!settingsSaved_) return;
  e2e::DeleteSettings();
  for (const auto* s : {&path_, &keys_, &format_}) {
    if (!s->present) continue;
    e2e::WriteSetting(s == &path_ ? L"Path" : s == &keys_ ? L"Keys" : L"Format", s->type, s->data);
  }
}

}  // namespace bench
