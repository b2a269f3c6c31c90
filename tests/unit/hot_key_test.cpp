#include <gtest/gtest.h>

#include <vector>

#include "settings/hot_key.h"
#include "settings_fixture.h"

namespace {

constexpr std::uint16_t kVkNumpad9 = 0x69;
constexpr std::uint16_t kVkA = 0x41;
constexpr std::uint16_t kVkB = 0x42;
const std::uint32_t kDefaultKeys = kDefaultHotKey.Stored();
const std::u16string kStartupRefused = u"注册热键失败, 热键可能已被其他程序占用, 请设置其他热键";
const std::u16string kRefused = u"注册热键失败, 热键已被其他程序占用, 请设置其他热键";
const std::u16string kNeedsCombination = u"必须使用一个组合键作为热键";

class HotKeyTest : public SettingsFixture {
 protected:
  // The one box shown since the last look, as an error box with the caption.
  std::u16string TakeOnlyError(std::uint32_t style = platform::kMbIconError | platform::kMbTaskModal) {
    EXPECT_EQ(1u, os.messageBoxes.shown.size());
    if (os.messageBoxes.shown.empty()) return u"";
    const fake::ShownBox box = os.messageBoxes.shown[0];
    os.messageBoxes.shown.clear();
    EXPECT_EQ(std::u16string(g_szCaption), box.caption);
    EXPECT_EQ(style, box.style);
    return box.text;
  }

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
      fresh.Install();
      fresh.hotKeys.refusesNoRepeat = beforeWindows7;
      const std::uint32_t word = static_cast<std::uint32_t>(c.control) << 16 | kVkA;

      g_dwKeys = word;
      RegisterHotKeyAtStartup(1);
      SuspendHotKey();
      ASSERT_TRUE(RegisterNewHotKey({c.control, kVkB})) << c.control;
      EXPECT_EQ(static_cast<std::uint32_t>(c.control) << 16 | kVkB, g_dwKeys) << "the control's encoding is stored";
      SuspendHotKey();
      g_dwKeys = word;
      ASSERT_TRUE(RestoreHotKey()) << c.control;

      ASSERT_EQ(beforeWindows7 ? 6 : 3, fresh.hotKeys.registerCalls);
      ASSERT_EQ(1u, fresh.hotKeys.registered.size()) << c.control;
      EXPECT_EQ(c.registered | (beforeWindows7 ? 0 : platform::kModNoRepeat), fresh.hotKeys.registered[0].modifiers)
          << c.control;
      EXPECT_TRUE(fresh.messageBoxes.shown.empty());
    }
  }
}

TEST_F(HotKeyTest, DefaultKeyIsRegisteredAtStartUnder1000) {
  g_dwKeys = kDefaultKeys;
  RegisterHotKeyAtStartup(1);
  EXPECT_TRUE(Active(1000, platform::kModControl, kVkNumpad9));
  EXPECT_EQ(1, g_bHotKeyRegistered);
  EXPECT_TRUE(os.messageBoxes.shown.empty());
}

TEST_F(HotKeyTest, StartupThatCannotRegisterTheStoredKeySaysSoAndStillCountsAsRegistered) {
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
    fresh.Install();
    if (c.heldElsewhere) fresh.hotKeys.HoldElsewhere(platform::kModControl, kVkNumpad9);
    g_dwKeys = c.keys;
    g_bHotKeyRegistered = 0;

    RegisterHotKeyAtStartup(1);
    ASSERT_EQ(1u, fresh.messageBoxes.shown.size()) << c.name;
    EXPECT_EQ(kStartupRefused, fresh.messageBoxes.shown[0].text) << c.name;
    EXPECT_EQ(0x10u, fresh.messageBoxes.shown[0].style);
    EXPECT_EQ(c.registerCalls, fresh.hotKeys.registerCalls) << c.name;
    EXPECT_TRUE(fresh.hotKeys.registered.empty()) << c.name;
    EXPECT_EQ(1, g_bHotKeyRegistered) << c.name;
    EXPECT_EQ(c.keys, g_dwKeys);
  }
}

TEST_F(HotKeyTest, UnreadableSettingsAtStartRegisterControlNumpad9WhateverMemoryHolds) {
  g_dwKeys = 0x00010041;
  RegisterHotKeyAtStartup(0);
  EXPECT_EQ(u"获取配置信息失败", TakeOnlyError(platform::kMbIconError));
  EXPECT_TRUE(Active(1000, platform::kModControl, kVkNumpad9));
  EXPECT_EQ(0x00010041u, g_dwKeys);
  EXPECT_EQ(1, g_bHotKeyRegistered);
}

TEST_F(HotKeyTest, ThreeOpeningsCancelledMoveTheKeyTo1001Then1002Then1003) {
  g_dwKeys = kDefaultKeys;
  RegisterHotKeyAtStartup(1);
  for (std::int32_t id : {1001, 1002, 1003}) {
    SuspendHotKey();
    EXPECT_EQ(id, g_nHotKeyId);
    EXPECT_TRUE(os.hotKeys.registered.empty()) << "suspended: nothing registered";
    ASSERT_TRUE(RestoreHotKey());
    ASSERT_EQ(1u, os.hotKeys.registered.size());
    EXPECT_TRUE(Active(id, platform::kModControl, kVkNumpad9));
  }
  EXPECT_TRUE(os.messageBoxes.shown.empty());

  ReleaseHotKey();
  EXPECT_TRUE(os.hotKeys.registered.empty());
  EXPECT_EQ(1, g_bHotKeyRegistered) << "the flag is not cleared";
}

TEST_F(HotKeyTest, IdentifierStopsAtTheLastApplicationIdentifier) {
  g_dwKeys = kDefaultKeys;
  g_nHotKeyId = kLastHotKeyId - 1;
  RegisterHotKeyAtStartup(1);
  for (std::int32_t id : {kLastHotKeyId, kLastHotKeyId, kLastHotKeyId}) {
    SuspendHotKey();
    EXPECT_EQ(id, g_nHotKeyId);
    EXPECT_TRUE(os.hotKeys.registered.empty());
    ASSERT_TRUE(RestoreHotKey()) << "the freed identifier takes the key again";
    EXPECT_TRUE(Active(kLastHotKeyId, platform::kModControl, kVkNumpad9));
  }
}

TEST_F(HotKeyTest, KeyHeldByAnotherProgramIsRefusedAtSaveAndAtCancel) {
  g_dwKeys = kDefaultKeys;
  RegisterHotKeyAtStartup(1);
  SuspendHotKey();
  os.hotKeys.HoldElsewhere(platform::kModShift, kVkA);
  os.hotKeys.HoldElsewhere(platform::kModControl, kVkNumpad9);  // taken while the dialog was open

  EXPECT_FALSE(RegisterNewHotKey({HOTKEYF_SHIFT, kVkA}));
  EXPECT_EQ(kRefused, TakeOnlyError());
  EXPECT_EQ(0, g_bHotKeyRegistered);
  EXPECT_EQ(kDefaultKeys, g_dwKeys);

  for (int attempt = 0; attempt < 2; ++attempt) {
    g_bHotKeyRegistered = 1;
    EXPECT_FALSE(RestoreHotKey());
    EXPECT_EQ(kRefused, TakeOnlyError());
    EXPECT_EQ(0, g_bHotKeyRegistered);
  }
  EXPECT_TRUE(os.hotKeys.registered.empty());

  ASSERT_TRUE(RegisterNewHotKey({HOTKEYF_ALT, kVkB}));
  EXPECT_TRUE(Active(1001, platform::kModAlt, kVkB));
  EXPECT_EQ(1, g_bHotKeyRegistered);
  EXPECT_EQ(0x00040042u, g_dwKeys);
}

TEST_F(HotKeyTest, WordThatCannotBeAHotKeyIsNeverRegisteredAndChangesNothing) {
  g_dwKeys = kDefaultKeys;
  RegisterHotKeyAtStartup(1);
  SuspendHotKey();
  const int calls = os.hotKeys.registerCalls;
  g_bHotKeyRegistered = 1;

  std::vector<HotKeyWord> words = {{0, kVkA}, {HOTKEYF_EXT, kVkA}, {HOTKEYF_CONTROL, 0}, {0x10 | HOTKEYF_CONTROL, kVkA},
                             {HOTKEYF_CONTROL, 0x100}, {0xFFFF, 0xFFFF}};
  // Shift, Control, Alt, the Windows keys, and each side's Shift, Control, Alt.
  for (std::uint16_t key : {0x10, 0x11, 0x12, 0x5B, 0x5C, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5})
    words.push_back({HOTKEYF_ALT, key});
  for (const HotKeyWord& w : words) {
    EXPECT_FALSE(RegisterNewHotKey(w)) << w.modifiers << " " << w.key;
    EXPECT_EQ(kNeedsCombination, TakeOnlyError());
    EXPECT_EQ(kDefaultKeys, g_dwKeys);
  }
  for (std::uint32_t stored : {0x00000041u, 0x00020000u, 0x000200A2u}) {  // as loaded from a hand-edited "Keys"
    g_dwKeys = stored;
    EXPECT_FALSE(RestoreHotKey()) << stored;
    EXPECT_EQ(kNeedsCombination, TakeOnlyError());
  }
  EXPECT_EQ(calls, os.hotKeys.registerCalls);
  EXPECT_EQ(1, g_bHotKeyRegistered);

  // The edges that are keys: the last byte, and Control with the extended flag.
  EXPECT_TRUE(RegisterNewHotKey({HOTKEYF_CONTROL | HOTKEYF_EXT, 0xFF}));
  EXPECT_TRUE(RegisterNewHotKey({HOTKEYF_CONTROL, 0x13}));  // VK_PAUSE, just past the modifier keys
}

// A Save whose settings did not reach the registry leaves its key registered:
// nothing is suspended any more, so Cancel registers nothing (the keystrokes
// are this program's already) and ends the dialog. A further Save adds a
// second key under the identifier; the next opening frees both.
TEST_F(HotKeyTest, KeysLeftBySavesThatWereNotStoredAreKeptByCancelAndFreedAtTheNextOpening) {
  g_dwKeys = kDefaultKeys;
  RegisterHotKeyAtStartup(1);
  SuspendHotKey();

  ASSERT_TRUE(RegisterNewHotKey({HOTKEYF_CONTROL, kVkA}));
  const int calls = os.hotKeys.registerCalls;
  EXPECT_TRUE(RestoreHotKey());
  EXPECT_EQ(calls, os.hotKeys.registerCalls);
  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_EQ(1, g_bHotKeyRegistered);
  EXPECT_TRUE(Active(1001, platform::kModControl, kVkA));
  ASSERT_TRUE(RegisterNewHotKey({HOTKEYF_CONTROL, kVkB}));
  EXPECT_EQ(2u, os.hotKeys.registered.size());

  SuspendHotKey();
  EXPECT_TRUE(os.hotKeys.registered.empty());
  EXPECT_EQ(1002, g_nHotKeyId);
}

TEST_F(HotKeyTest, ExitFreesTheKeyOnlyWhenItCountsAsRegistered) {
  os.hotKeys.Register(&window, kFirstHotKeyId, platform::kModControl, kVkNumpad9);
  g_bHotKeyRegistered = 0;
  ReleaseHotKey();
  EXPECT_EQ(0, os.hotKeys.unregisterCalls);

  g_bHotKeyRegistered = 1;
  ReleaseHotKey();
  EXPECT_TRUE(os.hotKeys.registered.empty());
}

}  // namespace
