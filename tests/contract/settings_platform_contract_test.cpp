// The registry and hot-key operations the settings rely on behave the same on
// the fake and on the real platform. This file is compiled into both test
// programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "contract/contract_environment.h"

namespace {

using contract::Bytes;

constexpr std::int32_t kMoreData = 234;
constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kDatatypeMismatch = 1629;
constexpr std::int32_t kUnsupportedType = 1630;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kVkF9 = 0x78;
constexpr std::uint32_t kVkF10 = 0x79;
constexpr std::uint32_t kVkF11 = 0x7A;

Bytes Utf16(const std::u16string& text) {
  Bytes bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, os.registry.CreateUserKey(keyPath.c_str(), &key)); }
  void TearDown() override { os.registry.CloseKey(key); }

  void Put(const char16_t* name, std::uint32_t type, const Bytes& data) {
    ASSERT_EQ(0, os.registry.SetValue(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())));
  }

  contract::Environment& env = contract::Current();
  platform::Platform& os = env.Platform();
  std::u16string keyPath = env.NewScratchKey();
  platform::Handle key = nullptr;
};

TEST_F(RegistryContract, KeyIsCreatedOnceAndOpenedAgainWithItsValues) {
  Put(u"Path", platform::kRegBinary, Bytes(440, 0x41));
  Put(u"Path", platform::kRegBinary, Bytes(440, 0x5A));  // replaced
  const std::uint32_t word = 0x00020069;
  ASSERT_EQ(0, os.registry.SetValue(key, u"Keys", platform::kRegDword, &word, 4));
  os.registry.CloseKey(key);

  ASSERT_EQ(0, os.registry.CreateUserKey(keyPath.c_str(), &key)) << "an existing key is opened";
  Bytes path(440, 0);
  std::uint32_t count = 440;
  EXPECT_EQ(0, os.registry.GetValue(key, u"Path", platform::kRrfRtRegBinary, path.data(), &count));
  EXPECT_EQ(440u, count);
  EXPECT_EQ(Bytes(440, 0x5A), path);
  std::uint32_t keys = 0;
  count = 4;
  EXPECT_EQ(0, os.registry.GetValue(key, u"Keys", platform::kRrfRtDword, &keys, &count));
  EXPECT_EQ(4u, count);
  EXPECT_EQ(word, keys);
}

TEST_F(RegistryContract, ReadsAreRestrictedByTypeAndSize) {
  struct Case {
    const char* name;
    std::uint32_t type;
    Bytes data;
    std::uint32_t flags;
    std::uint32_t capacity;
    std::int32_t result;
  };
  const std::vector<Case> cases = {
      {"REG_SZ as binary", kRegSz, Utf16(std::u16string(u"D:\\x\\\0", 6)), platform::kRrfRtRegBinary, 440,
       kUnsupportedType},
      {"REG_DWORD as binary", platform::kRegDword, {0x69, 0, 2, 0}, platform::kRrfRtRegBinary, 440, kUnsupportedType},
      {"binary of 4 as DWORD", platform::kRegBinary, {0x41, 0, 1, 0}, platform::kRrfRtDword, 4, 0},
      {"binary of 3 as DWORD", platform::kRegBinary, {1, 2, 3}, platform::kRrfRtDword, 4, kDatatypeMismatch},
      {"binary of 40 as DWORD", platform::kRegBinary, Bytes(40, 1), platform::kRrfRtDword, 4, kDatatypeMismatch},
      {"REG_DWORD of 2 as DWORD", platform::kRegDword, {0x69, 0}, platform::kRrfRtDword, 4, 0},
      {"binary larger than the buffer", platform::kRegBinary, Bytes(441, 1), platform::kRrfRtRegBinary, 440,
       kMoreData},
      {"short binary", platform::kRegBinary, Bytes(10, 7), platform::kRrfRtRegBinary, 440, 0},
  };
  // A buffer too small is left as it was by Wine, undefined by Windows: the
  // settings store reads into a copy and keeps it only when the read succeeds.
  for (const Case& c : cases) {
    Put(u"Value", c.type, c.data);
    Bytes target(c.capacity, 0xEE);
    std::uint32_t count = c.capacity;
    EXPECT_EQ(c.result, os.registry.GetValue(key, u"Value", c.flags, target.data(), &count)) << c.name;
    EXPECT_EQ(c.data.size(), count) << c.name << ": the count gives the value's real size";
    if (c.result == 0) {
      EXPECT_TRUE(std::equal(c.data.begin(), c.data.end(), target.begin())) << c.name;
      EXPECT_TRUE(std::all_of(target.begin() + c.data.size(), target.end(), [](std::uint8_t b) { return b == 0xEE; }))
          << c.name << ": only the value's own bytes are written";
    }
  }
}

TEST_F(RegistryContract, MissingValueLeavesTargetAndCountAlone) {
  Bytes target(440, 0xEE);
  std::uint32_t count = 440;
  EXPECT_EQ(kFileNotFound, os.registry.GetValue(key, u"Path", platform::kRrfRtRegBinary, target.data(), &count));
  EXPECT_EQ(440u, count);
  EXPECT_EQ(Bytes(440, 0xEE), target);
}

TEST_F(RegistryContract, StringsAreReadBackValuesDeletedAndOnlyExistingKeysOpened) {
  const Bytes text = Utf16(std::u16string(u"\"C:\\a b.exe\"\0", 13));
  Put(u"Text", platform::kRegSz, text);
  Bytes target(64, 0xEE);
  std::uint32_t count = 64;
  EXPECT_EQ(0, os.registry.GetValue(key, u"Text", platform::kRrfRtRegSz, target.data(), &count));
  EXPECT_EQ(text, Bytes(target.begin(), target.begin() + count));
  EXPECT_EQ(0, os.registry.DeleteValue(key, u"Text"));
  EXPECT_EQ(kFileNotFound, os.registry.DeleteValue(key, u"Text"));
  platform::Handle opened = nullptr;
  EXPECT_EQ(kFileNotFound, os.registry.OpenUserKey((keyPath + u"\\missing").c_str(), &opened));
}

class HotKeyContract : public ::testing::Test {
 protected:
  void TearDown() override {
    env.ReleaseHotKeyElsewhere();
    for (std::int32_t id : {1000, 1001, 0xBFFF})
      while (os.hotKeys.Unregister(window, id)) {
      }
  }

  // True when the keystrokes are free: a probe registration under another
  // identifier succeeds (and is undone).
  bool Free(std::uint32_t modifiers, std::uint32_t virtualKey) {
    if (!os.hotKeys.Register(window, 1001, modifiers, virtualKey)) return false;
    os.hotKeys.Unregister(window, 1001);
    return true;
  }

  contract::Environment& env = contract::Current();
  platform::Platform& os = env.Platform();
  void* window = env.HotKeyWindow();
};

TEST_F(HotKeyContract, KeystrokesHeldByAnotherProgramAreRefusedUntilReleased) {
  ASSERT_TRUE(env.HoldHotKeyElsewhere(platform::kModControl | platform::kModAlt, kVkF11));
  EXPECT_FALSE(os.hotKeys.Register(window, 1000, platform::kModControl | platform::kModAlt, kVkF11));
  EXPECT_TRUE(os.hotKeys.Register(window, 1000, platform::kModControl | platform::kModShift, kVkF11))
      << "other modifiers are other keystrokes";
  env.ReleaseHotKeyElsewhere();
  EXPECT_TRUE(os.hotKeys.Register(window, 1000, platform::kModControl | platform::kModAlt, kVkF11));
}

TEST_F(HotKeyContract, KeystrokesThisProgramHoldsAreRefusedUnderAnyIdentifier) {
  ASSERT_TRUE(os.hotKeys.Register(window, 1000, platform::kModShift, kVkF9));
  EXPECT_FALSE(os.hotKeys.Register(window, 1001, platform::kModShift, kVkF9));
  EXPECT_EQ(platform::kErrorHotKeyAlreadyRegistered, env.LastHotKeyError());
  // Under the same identifier too. Wine's error code then varies (2 or 1409);
  // the program never looks at it, and Cancel registers only a suspended key.
  EXPECT_FALSE(os.hotKeys.Register(window, 1000, platform::kModShift, kVkF9));
  if (!env.IsWine()) {
    EXPECT_EQ(platform::kErrorHotKeyAlreadyRegistered, env.LastHotKeyError());
  }
  EXPECT_FALSE(env.HoldHotKeyElsewhere(platform::kModShift, kVkF9)) << "nor can another program take them";
  EXPECT_TRUE(os.hotKeys.Unregister(window, 1000));
  EXPECT_FALSE(os.hotKeys.Unregister(window, 1000)) << "nothing is left under the identifier";
  EXPECT_TRUE(Free(platform::kModShift, kVkF9));
}

TEST_F(HotKeyContract, SecondKeyUnderOneIdentifierIsHeldAndUnregisteringFreesOnePerCall) {
  ASSERT_TRUE(os.hotKeys.Register(window, 1000, platform::kModControl, kVkF9));
  ASSERT_TRUE(os.hotKeys.Register(window, 1000, platform::kModControl, kVkF10));
  EXPECT_FALSE(Free(platform::kModControl, kVkF10));
  // Wine replaces the first key; the program frees an identifier by
  // unregistering until refused, which frees all on either.
  EXPECT_EQ(env.IsWine(), Free(platform::kModControl, kVkF9));

  int freed = 0;
  while (os.hotKeys.Unregister(window, 1000)) ++freed;
  EXPECT_EQ(env.IsWine() ? 1 : 2, freed);
  EXPECT_TRUE(Free(platform::kModControl, kVkF9));
  EXPECT_TRUE(Free(platform::kModControl, kVkF10));
}

TEST_F(HotKeyContract, OnlyTheDocumentedRangesAreAccepted) {
  EXPECT_TRUE(os.hotKeys.Register(window, 0xBFFF, platform::kModAlt, kVkF9));
  EXPECT_FALSE(Free(platform::kModAlt, kVkF9));

  // Wine takes an identifier past 0xBFFF, key 0 or 0xFFFF and an unknown
  // modifier flag; the program never asks: its identifier stops at 0xBFFF and
  // it registers only words that can be hot keys.
  struct Case {
    std::int32_t id;
    std::uint32_t modifiers;
    std::uint32_t key;
  };
  for (const Case& c : {Case{0xC000, platform::kModAlt, kVkF10}, Case{1000, platform::kModAlt, 0},
                        Case{1000, platform::kModAlt, 0xFFFF}, Case{1000, 0x10 | platform::kModAlt, kVkF10}}) {
    const bool taken = os.hotKeys.Register(window, c.id, c.modifiers, c.key);
    EXPECT_EQ(env.IsWine(), taken) << c.id << " " << c.modifiers << " " << c.key;
    if (taken) os.hotKeys.Unregister(window, c.id);
  }
}

}  // namespace
