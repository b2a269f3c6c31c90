#include <gtest/gtest.h>

#include <vector>

#include "settings/hot_key.h"
#include "settings/settings_store.h"
#include "settings_fixture.h"

namespace {

constexpr std::uint16_t kVkNumpad9 = 0x69;
constexpr std::uint16_t kVkA = 0x41;
constexpr std::uint16_t kVkB = 0x42;
const std::uint32_t kDefaultKeys = kDefaultHotKey.Stored();

class HotKeyTest : public SettingsFixture {
 protected:
  // Registered under `id`, a held key pressing once.
  bool Active(std::int32_t id, std::uint32_t modifiers, std::uint32_t key) const {
    for (const auto& r : os.hotKeys.registered)
      if (r.window == &window && r.id == id && r.modifiers == (modifiers | platform::kModNoRepeat) &&
          r.virtualKey == key) {
        return true;
      }
    return false;
  }
};

TEST_F(HotKeyTest, EachModifierIsTranslatedAtEveryRegistrationAndStoredAsTheControlGaveIt) {
  struct Case {
    std::uint16_t control;
    std::uint32_t registered;
  };
  const std::vector<Case> cases = {
      {HOTKEYF_SHIFT, platform::kModShift},
      {HOTKEYF_CONTROL, platform::kModControl},
      {HOTKEYF_ALT, platform::kModAlt},
      {HOTKEYF_SHIFT | HOTKEYF_EXT, platform::kModShift},
      {HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT,
       platform::kModShift | platform::kModControl | platform::kModAlt},
  };
  // Each asks that a held key press once; a system before Windows 7 refuses
  // that flag and gets the key without it.
  for (const Case& c : cases) {
    for (const bool beforeWindows7 : {false, true}) {
      fake::FakePlatform fresh;
      fresh.hotKeys.refusesNoRepeat = beforeWindows7;
      SetKeys(static_cast<std::uint32_t>(c.control) << 16 | kVkA);

      ASSERT_TRUE(RegisterHotKeyAtStartup(fresh.hotKeys, true).ok());
      SuspendHotKey(fresh.hotKeys);
      ASSERT_TRUE(RegisterNewHotKey(fresh.hotKeys, {c.control, kVkB}).ok()) << c.control;
      SuspendHotKey(fresh.hotKeys);
      ASSERT_TRUE(RestoreHotKey(fresh.hotKeys, true).ok()) << c.control;

      ASSERT_EQ(beforeWindows7 ? 6 : 3, fresh.hotKeys.registerCalls);
      ASSERT_EQ(1u, fresh.hotKeys.registered.size()) << c.control;
      EXPECT_EQ(c.registered | (beforeWindows7 ? 0 : platform::kModNoRepeat), fresh.hotKeys.registered[0].modifiers)
          << c.control;
    }
  }
}

TEST_F(HotKeyTest, DefaultKeyIsRegisteredAtStartUnder1000) {
  SetKeys(kDefaultKeys);
  EXPECT_TRUE(RegisterHotKeyAtStartup(os.hotKeys, true).ok());
  EXPECT_TRUE(Active(1000, platform::kModControl, kVkNumpad9));
  EXPECT_EQ(1, g_bHotKeyRegistered);
}

TEST_F(HotKeyTest, StartupThatCannotRegisterTheStoredKeyIsAFaultAndStillCountsAsRegistered) {
  struct Case {
    const char* name;
    std::uint32_t keys;
    bool heldElsewhere;
    int registerCalls;
  };
  for (const Case& c : {Case{"held by another program", kDefaultKeys, true, 2},
                        Case{"key above a byte", 0x00020141, false, 0},
                        Case{"modifier half 0", 0x00000069, false, 0},
                        Case{"only the extended-key flag", 0x00080069, false, 0},
                        Case{"Control with key 0", 0x00020000, false, 0},
                        Case{"every bit", 0xFFFFFFFF, false, 0},
                        Case{"Control + Shift + Alt without a key", 0x00070000, false, 0},
                        Case{"left Control as the key", 0x000200A2, false, 0}}) {
    fake::FakePlatform fresh;
    if (c.heldElsewhere) fresh.hotKeys.HoldElsewhere(platform::kModControl, kVkNumpad9);
    SetKeys(c.keys);

    EXPECT_EQ(SettingsFaultKind::kKeyTakenAtStart, RegisterHotKeyAtStartup(fresh.hotKeys, true).kind) << c.name;
    EXPECT_EQ(c.registerCalls, fresh.hotKeys.registerCalls) << c.name;
    EXPECT_TRUE(fresh.hotKeys.registered.empty()) << c.name;
    EXPECT_EQ(1, g_bHotKeyRegistered) << c.name;
    EXPECT_EQ(c.keys, g_dwKeys);
    // Only a key Windows refused is tried again, and only until exit.
    EXPECT_EQ(c.heldElsewhere, RetryRefusedHotKey(fresh.hotKeys)) << c.name;
    EXPECT_EQ(2 * c.registerCalls, fresh.hotKeys.registerCalls) << c.name;
    ReleaseHotKey(fresh.hotKeys);
    EXPECT_FALSE(RetryRefusedHotKey(fresh.hotKeys)) << c.name;
  }
}

TEST_F(HotKeyTest, UnreadableSettingsAtStartRegisterControlNumpad9WhateverMemoryHolds) {
  SetKeys(0x00010041);
  EXPECT_TRUE(RegisterHotKeyAtStartup(os.hotKeys, false).ok());
  EXPECT_TRUE(Active(1000, platform::kModControl, kVkNumpad9));
  EXPECT_EQ(0x00010041u, g_dwKeys);
  EXPECT_EQ(1, g_bHotKeyRegistered);
}

TEST_F(HotKeyTest, ThreeOpeningsCancelledMoveTheKeyTo1001Then1002Then1003) {
  SetKeys(kDefaultKeys);
  RegisterHotKeyAtStartup(os.hotKeys, true);
  for (std::int32_t id : {1001, 1002, 1003}) {
    SuspendHotKey(os.hotKeys);
    EXPECT_EQ(id, g_nHotKeyId);
    EXPECT_TRUE(os.hotKeys.registered.empty()) << "suspended: nothing registered";
    ASSERT_TRUE(RestoreHotKey(os.hotKeys, true).ok());
    ASSERT_EQ(1u, os.hotKeys.registered.size());
    EXPECT_TRUE(Active(id, platform::kModControl, kVkNumpad9));
  }

  ReleaseHotKey(os.hotKeys);
  EXPECT_TRUE(os.hotKeys.registered.empty());
  EXPECT_EQ(1, g_bHotKeyRegistered) << "the flag is not cleared";
}

TEST_F(HotKeyTest, IdentifierStopsAtTheLastApplicationIdentifier) {
  SetKeys(kDefaultKeys);
  while (g_nHotKeyId < kLastHotKeyId - 1) SuspendHotKey(os.hotKeys);
  RegisterHotKeyAtStartup(os.hotKeys, true);
  for (std::int32_t id : {kLastHotKeyId, kLastHotKeyId, kLastHotKeyId}) {
    SuspendHotKey(os.hotKeys);
    EXPECT_EQ(id, g_nHotKeyId);
    EXPECT_TRUE(os.hotKeys.registered.empty());
    ASSERT_TRUE(RestoreHotKey(os.hotKeys, true).ok()) << "the freed identifier takes the key again";
    EXPECT_TRUE(Active(kLastHotKeyId, platform::kModControl, kVkNumpad9));
  }
}

TEST_F(HotKeyTest, KeyHeldByAnotherProgramIsRefusedAtSaveAndAtCancel) {
  SetKeys(kDefaultKeys);
  os.hotKeys.HoldElsewhere(platform::kModControl, kVkNumpad9);
  RegisterHotKeyAtStartup(os.hotKeys, true);
  SuspendHotKey(os.hotKeys);
  EXPECT_FALSE(RetryRefusedHotKey(os.hotKeys)) << "the settings' opening ends the tries of the key refused at start";
  os.hotKeys.HoldElsewhere(platform::kModShift, kVkA);

  EXPECT_EQ(SettingsFaultKind::kKeyTaken, RegisterNewHotKey(os.hotKeys, {HOTKEYF_SHIFT, kVkA}).kind);
  EXPECT_EQ(0, g_bHotKeyRegistered);

  for (int attempt = 0; attempt < 2; ++attempt) {
    RestoreHotKey(os.hotKeys, false);  // counts as registered again
    EXPECT_EQ(SettingsFaultKind::kKeyTaken, RestoreHotKey(os.hotKeys, true).kind);
    EXPECT_EQ(0, g_bHotKeyRegistered);
  }
  EXPECT_TRUE(os.hotKeys.registered.empty());

  ASSERT_TRUE(RegisterNewHotKey(os.hotKeys, {HOTKEYF_ALT, kVkB}).ok());
  EXPECT_TRUE(Active(1001, platform::kModAlt, kVkB));
  EXPECT_EQ(1, g_bHotKeyRegistered);
}

TEST_F(HotKeyTest, WordThatCannotBeAHotKeyIsNeverRegisteredAndChangesNothing) {
  SetKeys(kDefaultKeys);
  RegisterHotKeyAtStartup(os.hotKeys, true);
  SuspendHotKey(os.hotKeys);
  const int calls = os.hotKeys.registerCalls;

  std::vector<HotKeyWord> words = {{0, kVkA}, {HOTKEYF_EXT, kVkA}, {HOTKEYF_CONTROL, 0}, {0x10 | HOTKEYF_CONTROL, kVkA},
                             {HOTKEYF_CONTROL, 0x100}, {0xFFFF, 0xFFFF}};
  // Shift, Control, Alt, the Windows keys, and each side's Shift, Control, Alt.
  for (std::uint16_t key : {0x10, 0x11, 0x12, 0x5B, 0x5C, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5})
    words.push_back({HOTKEYF_ALT, key});
  for (const HotKeyWord& w : words) {
    EXPECT_EQ(SettingsFaultKind::kNeedsCombination, RegisterNewHotKey(os.hotKeys, w).kind) << w.modifiers << " " << w.key;
  }
  for (std::uint32_t stored : {0x00000041u, 0x00020000u, 0x000200A2u}) {  // as loaded from a hand-edited "Keys"
    SetKeys(stored);
    EXPECT_EQ(SettingsFaultKind::kNeedsCombination, RestoreHotKey(os.hotKeys, true).kind) << stored;
  }
  EXPECT_EQ(calls, os.hotKeys.registerCalls);
  EXPECT_EQ(1, g_bHotKeyRegistered);

  // The edges that are keys: the last byte, and Control with the extended flag.
  EXPECT_TRUE(RegisterNewHotKey(os.hotKeys, {HOTKEYF_CONTROL | HOTKEYF_EXT, 0xFF}).ok());
  EXPECT_TRUE(RegisterNewHotKey(os.hotKeys, {HOTKEYF_CONTROL, 0x13}).ok());  // VK_PAUSE, past the modifier keys
}

TEST_F(HotKeyTest, ExitFreesTheKeyOnlyWhenItCountsAsRegistered) {
  os.hotKeys.Register(&window, kFirstHotKeyId, platform::kModControl, kVkNumpad9);
  ReleaseHotKey(os.hotKeys);  // never counted as registered
  EXPECT_EQ(0, os.hotKeys.unregisterCalls);

  RestoreHotKey(os.hotKeys, false);  // counts as registered
  ReleaseHotKey(os.hotKeys);
  EXPECT_TRUE(os.hotKeys.registered.empty());
}

}  // namespace
