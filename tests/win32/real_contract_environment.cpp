// The contract tests' environment on the real platform (Windows or Wine).
#include <windows.h>

#include <memory>
#include <string>

#include "contract/contract_environment.h"
#include "support/win32_clipboard.h"

namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class RealEnvironment : public contract::Environment {
 public:
  platform::Platform& Platform() override { return platform::Default(); }

  std::u16string NewScratchFolder() override {
    // Wine reuses process ids between test runs: keep trying names until one is new.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    LARGE_INTEGER tick;
    QueryPerformanceCounter(&tick);
    for (unsigned attempt = 0;; ++attempt) {
      const std::wstring folder = std::wstring(temp) + L"tarnwick-contract-" +
                                  std::to_wstring(static_cast<unsigned long long>(tick.QuadPart) + attempt) + L"\\";
      if (CreateDirectoryW(folder.c_str(), nullptr)) return std::u16string(folder.begin(), folder.end());
    }
  }

  void MakeFile(const std::u16string& path, const contract::Bytes& content) override {
    HANDLE f = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(f);
  }

  bool ReadFile(const std::u16string& path, contract::Bytes* content) override {
    HANDLE f = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    content->assign(GetFileSize(f, nullptr), 0);
    DWORD read = 0;
    const BOOL ok = content->empty() ||
                    ::ReadFile(f, content->data(), static_cast<DWORD>(content->size()), &read, nullptr);
    CloseHandle(f);
    return ok && read == content->size();
  }

  bool Exists(const std::u16string& path) override { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

  void PutDibOnClipboard(const contract::Bytes& block) override { testsupport::PutDibOnRealClipboard(block); }
  void PutTextOnClipboard(const std::u16string& text) override { testsupport::PutTextOnRealClipboard(text); }
  void HoldClipboard() override { holder_ = std::make_unique<testsupport::ClipboardHolder>(); }
  void ReleaseClipboard() override { holder_.reset(); }

 private:
  std::unique_ptr<testsupport::ClipboardHolder> holder_;
};

}  // namespace

contract::Environment& contract::Current() {
  static RealEnvironment environment;
  return environment;
}
