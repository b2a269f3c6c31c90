#include "fake/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <utility>

namespace fake {

// ---- file system -----------------------------------------------------------

namespace {
platform::Handle ToHandle(std::uintptr_t value) { return reinterpret_cast<platform::Handle>(value); }
std::uintptr_t FromHandle(platform::Handle handle) { return reinterpret_cast<std::uintptr_t>(handle); }
// A call that fails with GetLastError() `code`.
bool Fails(std::uint32_t* error, std::uint32_t code) {
  *error = code;
  return false;
}
}  // namespace

FakeFileSystem::FakeFileSystem() { AddDrive(u"C:\\"); }

std::u16string FakeFileSystem::Key(const std::u16string& path) {
  std::u16string key = path;
  for (auto& c : key)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  while (key.size() > 3 && key.back() == u'\\') key.pop_back();
  if (key.size() == 2 && key[1] == u':') key += u'\\';
  return key;
}

std::u16string FakeFileSystem::Parent(const std::u16string& key) {
  const auto slash = key.find_last_of(u'\\');
  if (slash == std::u16string::npos || key.size() <= 3) return std::u16string();
  return slash == 2 ? key.substr(0, 3) : key.substr(0, slash);
}

bool FakeFileSystem::ParentIsDirectory(const std::u16string& key) const {
  const auto it = nodes_.find(Parent(key));
  return it != nodes_.end() && it->second.directory;
}

void FakeFileSystem::AddDrive(const std::u16string& root) { nodes_[Key(root)].directory = true; }

void FakeFileSystem::AddDirectory(const std::u16string& path) {
  std::u16string key = Key(path);
  std::vector<std::u16string> chain;
  for (; !key.empty() && nodes_.count(key) == 0; key = Parent(key)) chain.push_back(key);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) nodes_[*it].directory = true;
}

void FakeFileSystem::AddFile(const std::u16string& path, const Bytes& content) {
  const std::u16string key = Key(path);
  AddDirectory(Parent(key));
  nodes_[key] = Node{false, content, path};
}

bool FakeFileSystem::Exists(const std::u16string& path) const { return nodes_.count(Key(path)) != 0; }

bool FakeFileSystem::IsFile(const std::u16string& path) const {
  const auto it = nodes_.find(Key(path));
  return it != nodes_.end() && !it->second.directory;
}

std::optional<Bytes> FakeFileSystem::Read(const std::u16string& path) const {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.directory) return std::nullopt;
  return it->second.content;
}

std::vector<std::u16string> FakeFileSystem::List(const std::u16string& folder) const {
  std::u16string prefix = Key(folder);
  if (prefix.back() != u'\\') prefix += u'\\';
  std::vector<std::u16string> found;
  for (const auto& [key, node] : nodes_)
    if (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0) found.push_back(key);
  return found;
}

bool FakeFileSystem::IsDirectory(const char16_t* path) {
  const auto it = nodes_.find(Key(path));
  return it != nodes_.end() && it->second.directory;
}

bool FakeFileSystem::MakeDirectory(const char16_t* path, std::uint32_t* error) {
  const std::u16string key = Key(path);
  const auto injected = makeDirectoryErrors.find(key);
  if (injected != makeDirectoryErrors.end()) return Fails(error, injected->second);
  if (nodes_.count(key) != 0) return Fails(error, platform::kErrorAlreadyExists);
  if (!ParentIsDirectory(key)) return Fails(error, platform::kErrorPathNotFound);
  nodes_[key].directory = true;
  nodes_[key].path = path;
  directoriesCreated.push_back(path);
  return true;
}

bool FakeFileSystem::InUse(const std::u16string& key) const {
  if (heldElsewhere_.count(key) != 0) return true;
  for (const auto& [handle, openKey] : open_)
    if (openKey == key) return true;
  for (const auto& [handle, reader] : readers_)
    if (reader.key == key) return true;
  return false;
}

void FakeFileSystem::HoldElsewhere(const std::u16string& path) { heldElsewhere_.insert(Key(path)); }

void FakeFileSystem::LetGoElsewhere(const std::u16string& path) { heldElsewhere_.erase(Key(path)); }

void FakeFileSystem::MakeReadOnly(const std::u16string& path) { nodes_.at(Key(path)).readOnly = true; }

bool FakeFileSystem::IsHidden(const std::u16string& path) const {
  const auto it = nodes_.find(Key(path));
  return it != nodes_.end() && it->second.hidden;
}

platform::Handle FakeFileSystem::CreateTemporary(const char16_t* path, std::uint32_t* error) {
  const std::u16string key = Key(path);
  // CREATE_NEW opens nothing that exists, file or folder.
  std::uint32_t refusal = 0;
  if (createFileFails) {
    refusal = platform::kErrorAccessDenied;
  } else if (!ParentIsDirectory(key)) {
    refusal = platform::kErrorPathNotFound;
  } else if (nodes_.count(key) != 0) {
    refusal = platform::kErrorFileExists;
  }
  if (refusal != 0) {
    *error = refusal;
    return platform::InvalidHandle();
  }
  nodes_[key] = Node{false, {}, path, true, true};
  const std::uintptr_t handle = nextHandle_++;
  open_[handle] = key;
  return ToHandle(handle);
}

bool FakeFileSystem::Write(platform::Handle file, const void* data, std::uint32_t count, std::uint32_t* error) {
  const auto it = open_.find(FromHandle(file));
  if (it == open_.end()) return Fails(error, platform::kErrorInvalidHandle);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const std::uint64_t fits = std::min<std::uint64_t>(count, freeSpace);
  Node& node = nodes_[it->second];
  node.content.insert(node.content.end(), bytes, bytes + fits);
  node.flushed = false;
  freeSpace -= fits;
  return fits == count || Fails(error, platform::kErrorDiskFull);
}

bool FakeFileSystem::Flush(platform::Handle file, std::uint32_t* error) {
  const auto it = open_.find(FromHandle(file));
  if (it == open_.end()) return Fails(error, platform::kErrorInvalidHandle);
  nodes_[it->second].flushed = true;
  return true;
}

bool FakeFileSystem::MakePlain(platform::Handle file, std::uint32_t* error) {
  const auto it = open_.find(FromHandle(file));
  if (it == open_.end()) return Fails(error, platform::kErrorInvalidHandle);
  nodes_[it->second].hidden = false;
  return true;
}

bool FakeFileSystem::MakeHidden(platform::Handle file, std::uint32_t* error) {
  const auto it = open_.find(FromHandle(file));
  if (it == open_.end()) return Fails(error, platform::kErrorInvalidHandle);
  nodes_[it->second].hidden = true;
  return true;
}

void FakeFileSystem::CloseFile(platform::Handle file) {
  if (open_.erase(FromHandle(file)) == 0 && readers_.erase(FromHandle(file)) == 0) ++badCloses;
}

platform::Handle FakeFileSystem::OpenForReading(const char16_t* path) {
  const std::u16string key = Key(path);
  const auto it = nodes_.find(key);
  if (it == nodes_.end() || it->second.directory || heldElsewhere_.count(key) != 0) {
    return platform::InvalidHandle();
  }
  const std::uintptr_t handle = nextHandle_++;
  readers_[handle] = Reader{key, 0};
  return ToHandle(handle);
}

bool FakeFileSystem::Read(platform::Handle file, void* data, std::uint32_t count, std::uint32_t* got) {
  const auto it = readers_.find(FromHandle(file));
  if (it == readers_.end()) return false;
  const Bytes& content = nodes_[it->second.key].content;
  const std::size_t n = std::min<std::size_t>(count, content.size() - std::min(it->second.offset, content.size()));
  if (n > 0) std::memcpy(data, content.data() + it->second.offset, n);
  it->second.offset += n;
  *got = static_cast<std::uint32_t>(n);
  return true;
}

bool FakeFileSystem::Remove(const char16_t* path) {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.directory) return false;
  if (InUse(it->first) || it->second.readOnly) return false;
  nodes_.erase(it);
  return true;
}

bool FakeFileSystem::RemoveIfUnused(const char16_t* path) { return Remove(path); }

bool FakeFileSystem::MoveNew(const char16_t* from, const char16_t* to, std::uint32_t* error) {
  if (beforeMove) beforeMove(to);
  const std::u16string source = Key(from);
  const std::u16string target = Key(to);
  const auto it = nodes_.find(source);
  if (it == nodes_.end()) return Fails(error, platform::kErrorFileNotFound);
  if (!ParentIsDirectory(target)) return Fails(error, platform::kErrorPathNotFound);
  // Another program has it open without sharing its deletion.
  if (heldElsewhere_.count(source) != 0) return Fails(error, platform::kErrorSharingViolation);
  if (moveFails) return Fails(error, platform::kErrorAccessDenied);
  if (nodes_.count(target) != 0) return Fails(error, platform::kErrorAlreadyExists);
  if (!it->second.flushed) ++movesOfUnflushedData;
  Node moved = std::move(it->second);
  moved.path = to;
  nodes_.erase(it);
  nodes_[target] = std::move(moved);
  // Open handles follow the file to its new name.
  for (auto& [handle, openKey] : open_)
    if (openKey == source) openKey = target;
  return true;
}

namespace {
// FindFirstFileW's '*' on a name, letters of either case alike.
bool NameMatches(const std::u16string& name, const std::u16string& pattern) {
  const auto star = pattern.find(u'*');
  if (star == std::u16string::npos) return name == pattern;
  const std::u16string head = pattern.substr(0, star), tail = pattern.substr(star + 1);
  return name.size() >= head.size() + tail.size() && name.compare(0, head.size(), head) == 0 &&
         name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

std::vector<std::u16string> FakeFileSystem::FindFiles(const char16_t* pattern) { return Find(pattern, false); }

std::vector<std::u16string> FakeFileSystem::FindFolders(const char16_t* pattern) { return Find(pattern, true); }

std::vector<std::u16string> FakeFileSystem::Find(const char16_t* pattern, bool folders) const {
  const std::u16string key = Key(pattern);
  const auto slash = key.find_last_of(u'\\');
  const std::u16string folder = key.substr(0, slash + 1), namePattern = key.substr(slash + 1);
  std::vector<std::u16string> names;
  for (const auto& [nodeKey, node] : nodes_) {
    if (node.directory != folders || nodeKey.size() <= folder.size() || nodeKey.compare(0, folder.size(), folder) != 0) {
      continue;
    }
    const std::u16string name = nodeKey.substr(folder.size());
    if (name.find(u'\\') != std::u16string::npos || !NameMatches(name, namePattern)) continue;
    // As made, letter case kept; a folder that only a set-up made has its key's.
    std::u16string path = node.path;
    while (!path.empty() && path.back() == u'\\') path.pop_back();
    names.push_back(path.empty() ? name : path.substr(path.find_last_of(u'\\') + 1));
  }
  return names;
}

// ---- clipboard and global memory --------------------------------------------

bool FakeClipboard::Open() {
  ++openAttempts;
  if (busyForAttempts > 0) {
    --busyForAttempts;
    return false;
  }
  // Opened with no window it belongs to the thread that opened it: any other
  // open fails until it is closed (Wine lets a second OpenClipboard(NULL) in).
  if (heldByAnotherProgram || isOpen) return false;
  isOpen = true;
  ++opens;
  return true;
}

void FakeClipboard::Close() {
  if (!isOpen) return;  // CloseClipboard fails when it is not open
  isOpen = false;
  ++closes;
}

bool FakeClipboard::HasDib() { return isOpen && dib_ != nullptr; }

bool FakeClipboard::HasNamed(const char16_t* name) { return named_.count(name) != 0; }

platform::Handle FakeClipboard::GetNamed(const char16_t* name) {
  const auto it = named_.find(name);
  return isOpen && it != named_.end() ? &it->second : nullptr;
}

namespace {
// In an allocation of exactly its size, so that a read past its end is caught.
std::unique_ptr<FakeClipboard::Block> NewBlock(const Bytes& data) {
  auto block = std::make_unique<FakeClipboard::Block>();
  block->size = data.size();
  block->bytes.reset(new std::uint8_t[data.size()]);
  std::copy(data.begin(), data.end(), block->bytes.get());
  return block;
}
}  // namespace

void FakeClipboard::SetNamed(const std::u16string& name, const Bytes& data) {
  named_[name] = std::move(*NewBlock(data));
  ++sequence_;
}

void FakeClipboard::SetDibV5(const Bytes& block) {
  dibV5_ = NewBlock(block);
  ++sequence_;
}

platform::Handle FakeClipboard::GetDib() {
  if (!isOpen || dib_ == nullptr || nullDibHandle) return nullptr;
  if (const auto render = std::exchange(rendersOnRead, nullptr)) {
    ++sequence_;
    render();
  }
  return dib_.get();
}

void FakeClipboard::SetDib(const Bytes& block) {
  dib_ = NewBlock(block);
  named_.clear();
  dibV5_.reset();
  hasText_ = false;
  ++sequence_;
}

void FakeClipboard::AddText() {
  hasText_ = true;
  ++sequence_;
}

void FakeClipboard::SetText(const std::u16string&) {
  dib_.reset();
  named_.clear();
  dibV5_.reset();
  hasText_ = true;
  ++sequence_;
}

void FakeClipboard::Clear() {
  dib_.reset();
  named_.clear();
  dibV5_.reset();
  hasText_ = false;
  ++sequence_;
}

const std::uint8_t* FakeGlobalMemory::Lock(platform::Handle block) {
  if (block == nullptr || lockFails) return nullptr;
  ++lockCount;
  return static_cast<FakeClipboard::Block*>(block)->bytes.get();
}

std::size_t FakeGlobalMemory::Size(platform::Handle block) {
  return block == nullptr ? 0 : static_cast<FakeClipboard::Block*>(block)->size;
}

void FakeGlobalMemory::Unlock(platform::Handle block) {
  if (block == nullptr) return;
  --lockCount;
  const std::lock_guard<std::mutex> lock(mutex_);
  ++unlocks_;
}

std::uint8_t* FakeGlobalMemory::AllocateCopy(std::size_t size) {
  if (copiesFail) return nullptr;
  const std::lock_guard<std::mutex> lock(mutex_);
  mostLiveCopies_ = std::max(mostLiveCopies_, ++liveCopies_);
  return new std::uint8_t[size == 0 ? 1 : size];
}

void FakeGlobalMemory::FreeCopy(std::uint8_t* bytes) {
  const std::lock_guard<std::mutex> lock(mutex_);
  --liveCopies_;
  delete[] bytes;
}

int FakeGlobalMemory::liveCopies() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return liveCopies_;
}

int FakeGlobalMemory::unlocks() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return unlocks_;
}

int FakeGlobalMemory::mostLiveCopies() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return mostLiveCopies_;
}

// ---- threads ---------------------------------------------------------------

namespace {
// Real waits: the save's workers are real threads in the unit suite too.
class FakeMonitor : public platform::Monitor {
 public:
  void Lock() override { mutex_.lock(); }
  void Unlock() override { mutex_.unlock(); }
  bool Wait(std::uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> lock(mutex_, std::adopt_lock);
    bool woken = true;
    if (timeoutMs == platform::kWaitForever) {
      condition_.wait(lock);
    } else {
      woken = condition_.wait_for(lock, std::chrono::milliseconds(timeoutMs)) == std::cv_status::no_timeout;
    }
    lock.release();  // still held: the caller unlocks
    return woken;
  }
  void WakeAll() override { condition_.notify_all(); }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
};
}  // namespace

std::unique_ptr<platform::Monitor> FakeThreads::NewMonitor() { return std::make_unique<FakeMonitor>(); }

struct FakeThreads::Thread {
  std::thread thread;
  bool closed = false;
};

FakeThreads::~FakeThreads() {
  for (auto& t : threads_) t->thread.join();
}

platform::Handle FakeThreads::Start(Procedure procedure, void* parameter) {
  if (startFails) return nullptr;
  auto t = std::make_unique<Thread>();
  Thread* raw = t.get();
  raw->thread = std::thread([procedure, parameter] { procedure(parameter); });
  threads_.push_back(std::move(t));
  ++started;
  ++openHandles;
  return raw;
}

void FakeThreads::Close(platform::Handle thread) {
  auto* t = static_cast<Thread*>(thread);
  if (!t->closed) {
    t->closed = true;
    --openHandles;
  }
}

// ---- message boxes -----------------------------------------------------------

void FakeMessageBoxes::Show(const char16_t* text, const char16_t* caption, std::uint32_t style) {
  shown.push_back(ShownBox{text, caption, style});
  const ShownBox box = shown.back();  // the callbacks may show more boxes
  const auto click = std::move(clickWhileOpen);
  clickWhileOpen = nullptr;
  if (click && (style & platform::kMbTaskModal) == 0) click(box);
  const auto during = whileOpen;  // it may set another while it runs
  if (during) during(box);
}

std::u16string FakeMessageBoxes::ErrorText(std::uint32_t error) {
  if (error == platform::kErrorAccessDenied) return u"Access is denied.";
  return error == platform::kErrorPathNotFound ? u"The system cannot find the path specified." : u"";
}

// ---- registry ----------------------------------------------------------------

namespace {
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorMoreData = 234;
constexpr std::int32_t kErrorDatatypeMismatch = 1629;
constexpr std::int32_t kErrorUnsupportedType = 1630;
}  // namespace

bool FakeRegistry::Fires(const std::optional<Failure>& failure, int call) {
  return failure && (failure->call == 0 || failure->call == call);
}

std::int32_t FakeRegistry::CreateUserKey(const char16_t* subKey, platform::Handle* key) {
  if (Fires(createFails, ++creates)) return createFails->error;
  keys_[subKey];
  const std::uintptr_t handle = nextHandle_++;
  open_[handle] = subKey;
  ++openKeys;
  *key = ToHandle(handle);
  return 0;
}

std::int32_t FakeRegistry::OpenUserKey(const char16_t* subKey, platform::Handle* key) {
  return keys_.count(subKey) == 0 ? kErrorFileNotFound : CreateUserKey(subKey, key);
}

std::int32_t FakeRegistry::GetValue(platform::Handle key, const char16_t* name, std::uint32_t flags, void* data,
                                    std::uint32_t* size) {
  const auto it = open_.find(FromHandle(key));
  if (it == open_.end()) return kErrorInvalidHandle;
  const int call = ++gets[name];
  const auto injected = getFails.find(name);
  if (injected != getFails.end() && Fires(injected->second, call)) return injected->second.error;

  const auto& values = keys_[it->second];
  const auto value = values.find(name);
  if (value == values.end()) return kErrorFileNotFound;  // target and count untouched
  const Value& v = value->second;
  const auto dataSize = static_cast<std::uint32_t>(v.data.size());
  // RRF_RT_DWORD takes a REG_DWORD, or a REG_BINARY of exactly four bytes.
  const bool binaryAsDword = (flags & 0x10) != 0 && v.type == platform::kRegBinary && dataSize == 4;
  const bool allowed = (v.type == platform::kRegBinary && (flags & 0x08) != 0) ||
                       (v.type == platform::kRegSz && (flags & 0x02) != 0) ||
                       (v.type == platform::kRegDword && (flags & 0x10) != 0);
  const bool mismatch =
      (flags & 0x10) != 0 && (flags & 0x08) != 0 && v.type == platform::kRegBinary && !binaryAsDword;
  // As Wine does: the data is copied whenever it fits, and only then checked
  // against the type restriction, so a refused read may still have written
  // into its target. A REG_DWORD of other than four bytes is not checked.
  const bool fits = dataSize <= *size;
  if (fits) std::copy(v.data.begin(), v.data.end(), static_cast<std::uint8_t*>(data));
  // A buffer too small holds undefined bytes afterwards (Wine leaves it as
  // it was): scribbled on, so that nobody counts on it.
  else std::fill_n(static_cast<std::uint8_t*>(data), *size, std::uint8_t{0xCD});
  *size = dataSize;
  if (!allowed) return kErrorUnsupportedType;
  if (mismatch) return kErrorDatatypeMismatch;
  return fits ? 0 : kErrorMoreData;
}

std::int32_t FakeRegistry::SetValue(platform::Handle key, const char16_t* name, std::uint32_t type, const void* data,
                                    std::uint32_t size) {
  const auto it = open_.find(FromHandle(key));
  if (it == open_.end()) return kErrorInvalidHandle;
  const int call = ++sets[name];
  const auto injected = setFails.find(name);
  if (injected != setFails.end() && Fires(injected->second, call)) return injected->second.error;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  keys_[it->second][name] = Value{type, Bytes(bytes, bytes + size)};
  return 0;
}

std::int32_t FakeRegistry::DeleteValue(platform::Handle key, const char16_t* name) {
  const auto it = open_.find(FromHandle(key));
  if (it == open_.end()) return kErrorInvalidHandle;
  return keys_[it->second].erase(name) != 0 ? 0 : kErrorFileNotFound;
}

void FakeRegistry::CloseKey(platform::Handle key) {
  if (open_.erase(FromHandle(key)) != 0) --openKeys;
}

void FakeRegistry::Put(const std::u16string& keyPath, const std::u16string& name, std::uint32_t type,
                       const Bytes& data) {
  keys_[keyPath][name] = Value{type, data};
}

std::optional<FakeRegistry::Value> FakeRegistry::Get(const std::u16string& keyPath, const std::u16string& name) const {
  const auto key = keys_.find(keyPath);
  if (key == keys_.end()) return std::nullopt;
  const auto value = key->second.find(name);
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

// ---- shell and hot keys ------------------------------------------------------

std::u16string FakeShell::WindowProgram(void* window) {
  const auto it = windowPrograms.find(window);
  return window == nullptr || it == windowPrograms.end() ? std::u16string() : it->second;
}

void FakeShell::ShowBalloon(void* window, const char16_t* title, const char16_t* text) {
  balloons.push_back(Balloon{window, title, text});
}

void FakeShell::OpenFolder(const char16_t* folder) {
  const std::lock_guard<std::mutex> lock(mutex_);
  explorer_.push_back(u"open " + std::u16string(folder));
}

void FakeShell::ShowInFolder(const char16_t* file) {
  const std::lock_guard<std::mutex> lock(mutex_);
  explorer_.push_back(u"select " + std::u16string(file));
}

std::vector<std::u16string> FakeShell::explorerCalls() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return explorer_;
}

bool FakeShell::WaitForExplorerCalls(std::size_t count) const {
  for (int i = 0; i < 10000 && explorerCalls().size() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return explorerCalls().size() >= count;
}

bool FakeShell::DesktopDirectory(char16_t* path) {
  if (fails || desktop.size() + 1 > platform::kMaxPathChars) return false;
  std::copy(desktop.begin(), desktop.end(), path);
  path[desktop.size()] = u'\0';
  return true;
}

namespace {
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorHotKeyNotRegistered = 1419;
constexpr std::uint32_t kModFlags = platform::kModAlt | platform::kModControl | platform::kModShift |
                                    platform::kModWin | 0x4000;  // MOD_NOREPEAT
}  // namespace

bool FakeHotKeys::Register(void* window, std::int32_t id, std::uint32_t modifiers, std::uint32_t virtualKey) {
  ++registerCalls;
  // The no-repeat flag says how a key is delivered, not which keystrokes.
  const auto keystrokes = [](std::uint32_t flags) { return flags & ~platform::kModNoRepeat; };
  auto same = [&](const Registration& r) {
    return keystrokes(r.modifiers) == keystrokes(modifiers) && r.virtualKey == virtualKey;
  };
  const std::uint32_t known = refusesNoRepeat ? kModFlags & ~platform::kModNoRepeat : kModFlags;
  if (id < 0 || id > 0xBFFF || virtualKey == 0 || virtualKey > 0xFF || (modifiers & ~known) != 0) {
    lastError = kErrorInvalidParameter;
    return false;
  }
  if (std::any_of(registered.begin(), registered.end(), same) ||
      std::any_of(heldElsewhere.begin(), heldElsewhere.end(), same)) {
    lastError = platform::kErrorHotKeyAlreadyRegistered;
    return false;
  }
  registered.push_back(Registration{window, id, modifiers, virtualKey});
  return true;
}

bool FakeHotKeys::Holds(std::uint32_t modifiers, std::uint32_t virtualKey) const {
  return std::any_of(registered.begin(), registered.end(), [&](const Registration& r) {
    return (r.modifiers & ~platform::kModNoRepeat) == modifiers && r.virtualKey == virtualKey;
  });
}

bool FakeHotKeys::Unregister(void* window, std::int32_t id) {
  ++unregisterCalls;
  const auto it = std::find_if(registered.begin(), registered.end(),
                               [&](const Registration& r) { return r.window == window && r.id == id; });
  if (it == registered.end()) {
    lastError = kErrorHotKeyNotRegistered;
    return false;
  }
  registered.erase(it);
  return true;
}

void FakeHotKeys::HoldElsewhere(std::uint32_t modifiers, std::uint32_t virtualKey) {
  heldElsewhere.push_back(Registration{nullptr, 0, modifiers, virtualKey});
}

void FakeSession::BlockShutdown(void* owner, const char16_t* text) {
  window = owner;
  reason = text;
  ++blocks;
}

void FakeSession::AllowShutdown(void* owner) {
  if (owner == window) reason.clear();
}

std::uint32_t FakeClock::Milliseconds() {
  return static_cast<std::uint32_t>(
             std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                 .count()) +
         skippedMs;
}

// ---- the whole --------------------------------------------------------------

FakePlatform::FakePlatform()
    : platform{clipboard, memory, files, clock, threads, messageBoxes, registry, shell, hotKeys, codecs, session} {}

FakePlatform::~FakePlatform() {
  if (installed_) platform::Install(nullptr);
}

void FakePlatform::Install() {
  platform::Install(&platform);
  installed_ = true;
}

}  // namespace fake

// The unit tests' default platform, for code that runs before a test installs
// its own (static initialisation).
platform::Platform& platform::Default() {
  static fake::FakePlatform* defaults = new fake::FakePlatform();
  return defaults->platform;
}
