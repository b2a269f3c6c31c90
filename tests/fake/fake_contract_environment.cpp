// The contract tests' environment on the fake platform.
#include <string>

#include "contract/contract_environment.h"
#include "fake/fake_platform.h"

namespace {

class FakeEnvironment : public contract::Environment {
 public:
  platform::Platform& Platform() override { return fake_.platform; }

  std::u16string NewScratchFolder() override {
    const std::string n = std::to_string(++folders_);
    std::u16string folder = u"C:\\scratch\\" + std::u16string(n.begin(), n.end()) + u"\\";
    fake_.files.AddDirectory(folder);
    return folder;
  }

  void MakeFile(const std::u16string& path, const contract::Bytes& content) override {
    fake_.files.AddFile(path, content);
  }

  void MakeReadOnly(const std::u16string& path) override { fake_.files.MakeReadOnly(path); }

  bool ReadFile(const std::u16string& path, contract::Bytes* content) override {
    auto bytes = fake_.files.Read(path);
    if (!bytes) return false;
    *content = *bytes;
    return true;
  }

  bool Exists(const std::u16string& path) override { return fake_.files.Exists(path); }
  bool HoldFile(const std::u16string& path) override {
    if (!fake_.files.IsFile(path)) return false;
    fake_.files.HoldElsewhere(held_ = path);
    return true;
  }
  void LetGoOfFile() override { fake_.files.LetGoElsewhere(held_); }
  std::uint32_t EndedProcessId() override { return fake_.threads.processId + 4; }
  void PutDibOnClipboard(const contract::Bytes& block, bool dibV5) override {
    fake_.clipboard.Clear();
    dibV5 ? fake_.clipboard.SetDibV5(block) : fake_.clipboard.SetDib(block);
    Own();
  }
  void PutTextOnClipboard(const std::u16string& text) override {
    fake_.clipboard.SetText(text);
    Own();
  }
  void HoldClipboard() override {
    fake_.clipboard.heldByAnotherProgram = true;
    fake_.clipboard.holder = &holderWindow_;
    fake_.shell.windowPrograms[&holderWindow_] = ClipboardProgram();
  }
  void ReleaseClipboard() override { fake_.clipboard.heldByAnotherProgram = false; }
  std::u16string ClipboardProgram() override { return u"clipper.exe"; }

  std::u16string NewScratchKey() override {
    const std::string n = std::to_string(++keys_);
    return u"Software\\TarnwickContract\\" + std::u16string(n.begin(), n.end());
  }

  void* HotKeyWindow() override { return &window_; }

  bool HoldHotKeyElsewhere(std::uint32_t modifiers, std::uint32_t virtualKey) override {
    ReleaseHotKeyElsewhere();  // one other program at a time, as on the real platform
    if (fake_.hotKeys.Holds(modifiers, virtualKey)) return false;
    fake_.hotKeys.HoldElsewhere(modifiers, virtualKey);
    return true;
  }

  void ReleaseHotKeyElsewhere() override { fake_.hotKeys.heldElsewhere.clear(); }
  std::uint32_t LastHotKeyError() override { return fake_.hotKeys.lastError; }
  bool IsWine() override { return false; }

 private:
  void Own() {
    fake_.clipboard.owner = &ownerWindow_;
    fake_.shell.windowPrograms[&ownerWindow_] = ClipboardProgram();
  }
  int ownerWindow_ = 0;
  int holderWindow_ = 0;
  fake::FakePlatform fake_;
  std::u16string held_;
  int folders_ = 0;
  int keys_ = 0;
  int window_ = 0;  // its address stands for the window
};

}  // namespace

contract::Environment& contract::Current() {
  static FakeEnvironment environment;
  return environment;
}
