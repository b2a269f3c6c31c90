// The settings dialog's work apart from its controls: the folder rules, the
// folder walk, the start-with-Windows rules, and what opening, Save and
// Cancel do to the key and registry.
#include <gtest/gtest.h>

#include "settings/config_actions.h"
#include "settings/settings_store.h"
#include "settings/folder_rules.h"
#include "settings/hot_key.h"
#include "settings/start_with_windows.h"
#include "settings_fixture.h"

namespace {

TEST(FolderTextIsValid, AcceptsDrivePathsWhoseNamesDoNotEndWithADot) {
  for (const char16_t* text : {u"C:\\", u"D:\\shots", u"D:\\a\\b\\c\\", u"C:\\.shots", u"C:\\a.b\\c",
                               u"1:\\shots", u"C:\\截图 2026"}) {
    EXPECT_TRUE(FolderTextIsValid(text)) << std::string(text, text + BoundedLength(text, 300));
  }
  EXPECT_TRUE(FolderTextIsValid(u"%:\\shots")) << "the first character is never looked at";
}

TEST(FolderTextIsValid, RefusesEveryOtherShape) {
  for (const char16_t* text : {u"", u"C", u"C:", u"C:shots", u"\\\\server\\share", u"C:/shots", u"C:\\shots.",
                               u"C:\\a.\\b", u"C:\\a..b", u"C:\\\\shots", u"C:\\a\\\\b", u"C:\\a*", u"C:\\a?b",
                               u"C:\\a/b", u"C:\\."}) {
    EXPECT_FALSE(FolderTextIsValid(text)) << std::string(text, text + BoundedLength(text, 300));
  }
}

TEST(EndFolderWithBackslash, AddsOneOnlyWhenThereIsRoom) {
  char16_t folder[kPathChars] = u"D:\\shots";
  EXPECT_TRUE(EndFolderWithBackslash(folder));
  EXPECT_EQ(std::u16string(u"D:\\shots\\"), folder);
  EXPECT_TRUE(EndFolderWithBackslash(folder));
  EXPECT_EQ(std::u16string(u"D:\\shots\\"), folder) << "not a second one";

  std::u16string full = u"D:\\" + std::u16string(216, u'x');  // 219 characters
  CopyText(folder, kPathChars, full.c_str());
  EXPECT_FALSE(EndFolderWithBackslash(folder));
}

class FolderLevels : public SettingsFixture {
 protected:
  FolderLevels() { os.files.AddDrive(u"D:\\"); }
};

TEST_F(FolderLevels, AreCreatedFromTheRootDown) {
  EXPECT_TRUE(CreateFolderLevels(os.files, u"D:\\a\\b\\c\\").ok);
  EXPECT_EQ((std::vector<std::u16string>{u"D:\\a\\", u"D:\\a\\b\\", u"D:\\a\\b\\c\\"}), os.files.directoriesCreated);
}

TEST_F(FolderLevels, ToleratedFailuresLetTheWalkGoOn) {
  os.files.AddFile(u"D:\\file", {1});  // exists as a file: ERROR_ALREADY_EXISTS
  EXPECT_TRUE(CreateFolderLevels(os.files, u"D:\\file\\").ok);
  os.files.makeDirectoryErrors[u"D:\\DENIED"] = platform::kErrorAccessDenied;
  EXPECT_TRUE(CreateFolderLevels(os.files, u"D:\\denied\\").ok);
  os.files.makeDirectoryErrors[u"D:\\ZERO"] = 0;
  EXPECT_TRUE(CreateFolderLevels(os.files, u"D:\\zero\\").ok);
}

TEST_F(FolderLevels, OtherFailuresStopTheWalkAndKeepWhatWasMade) {
  os.files.makeDirectoryErrors[u"D:\\A\\B"] = 123;  // ERROR_INVALID_NAME
  const FolderFault fault = CreateFolderLevels(os.files, u"D:\\a\\b\\c\\");
  EXPECT_FALSE(fault.ok);
  EXPECT_EQ(u"D:\\a\\b\\", fault.where) << "the level that failed";
  EXPECT_EQ(123u, fault.error);
  EXPECT_TRUE(os.files.IsDirectory(u"D:\\a\\"));
  EXPECT_FALSE(os.files.Exists(u"D:\\a\\b\\c\\"));
  EXPECT_FALSE(CreateFolderLevels(os.files, u"Q:\\shots\\").ok) << "a drive that does not exist";
}

TEST(StartWithWindows, RunValueIsTheQuotedPathAndNamesOnlyThisProgram) {
  const std::u16string program = u"C:\\Program Files\\Tarnwick\\Tarnwick.exe";
  EXPECT_EQ(u"\"C:\\Program Files\\Tarnwick\\Tarnwick.exe\"", RunValueText(program));
  for (const char16_t* same : {u" \"c:\\PROGRAM FILES\\tarnwick\\TARNWICK.EXE\" ", u"C:\\Program Files\\Tarnwick\\Tarnwick.exe"})
    EXPECT_TRUE(RunValueNamesProgram(same, program));
  for (const char16_t* other : {u"\"D:\\Tarnwick\\Tarnwick.exe\"", u"\"C:\\Program Files\\Tarnwick\\Tarnwick.exe.old\"",
                                u"\"C:\\Program Files\\Tarnwick\\Tarnwick.ex\"", u"\"\"", u""})
    EXPECT_FALSE(RunValueNamesProgram(other, program));
}

TEST(StartWithWindows, StartupApprovedMarkIsOffWhenTheLowestBitOfItsFirstByteIsSet) {
  for (std::uint8_t on : {0x00, 0x02, 0x06}) EXPECT_FALSE(StartupApprovedSaysOff(&on, 1)) << int{on};
  for (std::uint8_t off : {0x01, 0x03, 0x07, 0x63}) EXPECT_TRUE(StartupApprovedSaysOff(&off, 1)) << int{off};
  EXPECT_FALSE(StartupApprovedSaysOff(nullptr, 0)) << "an empty value turns nothing off";
}

class SettingsDialog : public SettingsFixture {
 protected:
  SettingsDialog() {
    os.files.AddDrive(u"D:\\");
    Store(u"Path", platform::kRegBinary, FolderBytes(u"D:\\old\\"));
    Store(u"Keys", platform::kRegDword, Word(0x00020069));
    LoadSettings(os.registry);
    RegisterHotKeyAtStartup(os.hotKeys, true);
  }

  // The dialog's opening: the load, then its own step.
  SettingsFault Open() {
    LoadSettings(os.registry);
    return actions.Open(folder, &hotKey);
  }

  bool Registered(std::uint32_t modifiers, std::uint32_t key) const { return os.hotKeys.Holds(modifiers, key); }

  ConfigActions actions{os.platform};
  char16_t folder[kPathChars] = {};
  HotKeyWord hotKey;
};

TEST_F(SettingsDialog, OpeningShowsTheStoredSettingsAndSuspendsTheKey) {
  ASSERT_TRUE(Open().ok());
  EXPECT_EQ(std::u16string(u"D:\\old\\"), folder);
  EXPECT_EQ(0x0269, hotKey.ControlValue()) << "modifiers in the high byte, the key in the low one";
  EXPECT_EQ(1001, g_nHotKeyId);
  EXPECT_TRUE(os.hotKeys.registered.empty());

  // A stored key above one byte is no key the box can show, not Control + A.
  ASSERT_TRUE(actions.Cancel().ok());
  Store(u"Keys", platform::kRegDword, Word(0x00020141));
  ASSERT_TRUE(Open().ok());
  EXPECT_EQ(0, hotKey.ControlValue());
}

TEST_F(SettingsDialog, OpeningWithoutAFolderSaysSoAndLeavesTheKeyAloneAndCancelCloses) {
  Store(u"Path", platform::kRegBinary, FolderBytes(u""));
  EXPECT_EQ(SettingsFaultKind::kNotLoaded, Open().kind);
  EXPECT_EQ(u'\0', folder[0]);
  EXPECT_EQ(1000, g_nHotKeyId);
  EXPECT_TRUE(Registered(platform::kModControl, 0x69));

  // Nothing was suspended, so there is nothing to register again.
  const int calls = os.hotKeys.registerCalls;
  EXPECT_TRUE(actions.Cancel().ok());
  EXPECT_EQ(calls, os.hotKeys.registerCalls);
  EXPECT_TRUE(Registered(platform::kModControl, 0x69));
  EXPECT_EQ(1, g_bHotKeyRegistered);
}

TEST_F(SettingsDialog, SaveCreatesTheFolderRegistersTheKeyAndStoresBoth) {
  ASSERT_TRUE(Open().ok());
  CopyText(folder, kPathChars, u"D:\\new\\shots");
  SettingsChoices choices{kFormatPng};
  choices.notify = true;
  EXPECT_TRUE(actions.Save(folder, {HOTKEYF_CONTROL | HOTKEYF_SHIFT, 0x78}, choices).ok());  // F9
  EXPECT_EQ(1, g_bHotKeyRegistered);

  EXPECT_TRUE(os.files.IsDirectory(u"D:\\new\\shots\\"));
  EXPECT_TRUE(Registered(platform::kModControl | platform::kModShift, 0x78)) << "Shift registers as Shift";
  EXPECT_EQ(FolderBytes(u"D:\\new\\shots\\"), Stored(u"Path")->data);
  EXPECT_EQ(Word(0x00030078), Stored(u"Keys")->data) << "stored in the control's encoding";
  EXPECT_EQ(0x00030078u, g_dwKeys);
  EXPECT_EQ(Word(kFormatPng), Stored(u"Format")->data);
  EXPECT_EQ(kFormatPng, g_dwFormat) << "the next press saves PNG";
  EXPECT_EQ(Word(1), Stored(u"Notify")->data);
  EXPECT_FALSE(Stored(u"AutoSave")) << "unchanged, so not written";
  EXPECT_FALSE(Stored(u"NameFormat")) << "the default is not written until the user changes it";

  // A template is stored as typed, and so is the default once one was.
  for (const std::u16string typed : {u"{yyyy}-{MM}\\{dd}_{HH}-{mm}-{ss}", kDefaultNameFormat}) {
    ASSERT_TRUE(Open().ok());
    choices.nameFormat = typed;
    EXPECT_TRUE(actions.Save(folder, {HOTKEYF_CONTROL, 0x78}, choices).ok());
    EXPECT_TRUE(Stored(u"NameFormat") && Stored(u"NameFormat")->type == platform::kRegSz &&
                Stored(u"NameFormat")->data == StringBytes(typed));
    EXPECT_EQ(typed, g_szNameFormat) << "the next press names its file so";
  }

  // A shorter folder replaces only its own length: the old tail stays.
  ASSERT_TRUE(Open().ok());
  EXPECT_TRUE(actions.Save(u"D:\\s", {HOTKEYF_CONTROL, 0x78}, choices).ok());
  fake::Bytes expected = FolderBytes(u"D:\\new\\shots\\");
  const fake::Bytes shorter = FolderBytes(u"D:\\s\\");
  std::copy(shorter.begin(), shorter.begin() + 12, expected.begin());  // "D:\s\" and its NUL
  EXPECT_EQ(expected, Stored(u"Path")->data);
}

TEST_F(SettingsDialog, RefusedFolderChangesNothing) {
  ASSERT_TRUE(Open().ok());
  CopyText(folder, kPathChars, u"D:\\a..b");
  const SettingsFault refused = actions.Save(folder, {HOTKEYF_CONTROL, 0x78}, {});
  EXPECT_EQ(SettingsFaultKind::kBadFolder, refused.kind);
  EXPECT_EQ(u"D:\\a..b", refused.where);
  EXPECT_TRUE(os.files.directoriesCreated.empty());
  EXPECT_TRUE(os.hotKeys.registered.empty());
  EXPECT_EQ(FolderBytes(u"D:\\old\\"), Stored(u"Path")->data);

  std::u16string full = u"D:\\" + std::u16string(216, u'x');
  CopyText(folder, kPathChars, full.c_str());
  EXPECT_EQ(SettingsFaultKind::kBadFolder, actions.Save(folder, {HOTKEYF_CONTROL, 0x78}, {}).kind)
      << "no room for the final backslash";

  // Longer than the stored folder: refused, not cut at the backslash that
  // the 219th character is.
  const std::u16string typed = u"D:\\" + std::u16string(215, u'y') + u"\\" + std::u16string(11, u'z');
  EXPECT_EQ(SettingsFaultKind::kBadFolder, actions.Save(typed.c_str(), {HOTKEYF_CONTROL, 0x78}, {}).kind);

  // A level that cannot be made: the walk's fault.
  os.files.makeDirectoryErrors[u"D:\\NEW"] = 123;
  const SettingsFault unmade = actions.Save(u"D:\\new\\", {HOTKEYF_CONTROL, 0x78}, {});
  EXPECT_EQ(SettingsFaultKind::kBadFolder, unmade.kind);
  EXPECT_EQ(u"D:\\new\\", unmade.where);
  EXPECT_EQ(123u, unmade.error);

  // A refused template: its own fault, no folder made, nothing stored.
  SettingsChoices refusedTemplate;
  refusedTemplate.nameFormat = u"{yyyy}\\{MM}";
  const SettingsFault fault = actions.Save(u"D:\\other\\", {HOTKEYF_CONTROL, 0x78}, refusedTemplate);
  EXPECT_EQ(SettingsFaultKind::kBadNameFormat, fault.kind);
  EXPECT_EQ(NameFormatFault::kEmptyOrNoSeconds, fault.nameFormat);
  EXPECT_FALSE(Stored(u"NameFormat"));
  EXPECT_TRUE(os.files.directoriesCreated.empty());
  EXPECT_EQ(FolderBytes(u"D:\\old\\"), Stored(u"Path")->data);
}

TEST_F(SettingsDialog, KeyWithoutModifierIsRefusedAfterTheFolderIsMade) {
  ASSERT_TRUE(Open().ok());
  CopyText(folder, kPathChars, u"D:\\f5\\");
  EXPECT_EQ(SettingsFaultKind::kNeedsCombination, actions.Save(folder, {0, 0x74}, {}).kind);
  EXPECT_TRUE(os.files.IsDirectory(u"D:\\f5\\"));
  EXPECT_EQ(FolderBytes(u"D:\\old\\"), Stored(u"Path")->data);
}

TEST_F(SettingsDialog, KeyTakenElsewhereAtSaveThenCancelRestoresTheStoredKey) {
  ASSERT_TRUE(Open().ok());
  os.hotKeys.HoldElsewhere(platform::kModAlt, 0x41);
  CopyText(folder, kPathChars, u"D:\\new\\");
  EXPECT_EQ(SettingsFaultKind::kKeyTaken, actions.Save(folder, {HOTKEYF_ALT, 0x41}, {}).kind);
  EXPECT_EQ(0, g_bHotKeyRegistered);
  EXPECT_EQ(0x00020069u, g_dwKeys) << "a refused key changes nothing";

  EXPECT_TRUE(actions.Cancel().ok());
  EXPECT_TRUE(Registered(platform::kModControl, 0x69));
  EXPECT_EQ(1, g_bHotKeyRegistered);
  EXPECT_EQ(1001, os.hotKeys.registered.back().id);
}

TEST_F(SettingsDialog, CancelWithTheStoredKeyTakenKeepsTheDialogOpen) {
  ASSERT_TRUE(Open().ok());
  os.hotKeys.HoldElsewhere(platform::kModControl, 0x69);
  EXPECT_EQ(SettingsFaultKind::kKeyTaken, actions.Cancel().kind);
  EXPECT_EQ(0, g_bHotKeyRegistered);
}

// A Save whose settings did not reach the registry leaves its key registered:
// nothing is suspended any more, so Cancel registers nothing (the keystrokes
// are this program's already) and ends the dialog. A further Save adds a
// second key under the identifier; the next opening frees both.
TEST_F(SettingsDialog, SaveWhoseRegistryWriteFailsKeepsTheNewKeyWhichCancelLeavesAndTheNextOpeningFrees) {
  ASSERT_TRUE(Open().ok());
  os.registry.setFails[u"Keys"] = {0, 5};
  CopyText(folder, kPathChars, u"D:\\new\\");
  const SettingsFault fault = actions.Save(folder, {HOTKEYF_CONTROL, 0x78}, {});
  EXPECT_EQ(SettingsFaultKind::kNotStored, fault.kind);
  EXPECT_EQ(u"Keys", fault.where);
  EXPECT_TRUE(Registered(platform::kModControl, 0x78));
  EXPECT_EQ(std::u16string(u"D:\\new\\"), g_szPath) << "the running program uses the new folder";

  const int calls = os.hotKeys.registerCalls;
  EXPECT_TRUE(actions.Cancel().ok());
  EXPECT_EQ(calls, os.hotKeys.registerCalls);
  EXPECT_EQ(1, g_bHotKeyRegistered);
  EXPECT_TRUE(actions.Save(folder, {HOTKEYF_CONTROL, 0x41}, {}).kind == SettingsFaultKind::kNotStored);
  EXPECT_EQ(2u, os.hotKeys.registered.size());

  os.registry.setFails.clear();
  ASSERT_TRUE(Open().ok());
  EXPECT_TRUE(os.hotKeys.registered.empty());
  EXPECT_EQ(1002, g_nHotKeyId);
}

// A Save that leaves the box alone writes "Path" and "Keys" alone, and not
// the Run value, another copy's or unwritable; ticking the box replaces it.
TEST_F(SettingsDialog, RunEntryIsWrittenOnlyWhenItsBoxIsTurnedAndOneThatCannotBeKeepsTheDialogOpen) {
  os.registry.Put(kRunKey, kRunValueName, platform::kRegSz, StringBytes(u"\"D:\\other\\Tarnwick.exe\""));
  ASSERT_TRUE(Open().ok());
  os.registry.setFails[kRunValueName] = {0, 5};
  os.registry.sets.clear();
  EXPECT_TRUE(actions.Save(u"D:\\new\\", hotKey, actions.shown()).ok());
  EXPECT_EQ((std::map<std::u16string, int>{{u"Keys", 1}, {u"Path", 1}}), os.registry.sets);
  EXPECT_TRUE(os.registry.Get(kRunKey, kRunValueName)) << "another copy's value stays";
  const SettingsFault fault = actions.Save(u"D:\\new\\", {HOTKEYF_CONTROL, 0x78}, {kFormatBmp, true, true});
  EXPECT_EQ(SettingsFaultKind::kNotStored, fault.kind);
  EXPECT_EQ(kRunValueName, fault.where);
  EXPECT_EQ(5u, fault.error);
  EXPECT_EQ(0x00020078u, g_dwKeys) << "the key registered is the one memory holds";
  EXPECT_FALSE(Stored(u"AutoSave")) << "the settings are not stored either";
  EXPECT_EQ(0, g_bAutoSave);
  os.registry.setFails.clear();
  EXPECT_TRUE(actions.Save(u"D:\\new\\", {HOTKEYF_CONTROL, 0x79}, {kFormatBmp, true, true}).ok());
  EXPECT_EQ(StringBytes(RunValueText(os.shell.program)), os.registry.Get(kRunKey, kRunValueName)->data);
}

}  // namespace
