// The settings dialog's work apart from its controls: the folder rules, the
// folder walk, the start-with-Windows rules, and what opening, Save and
// Cancel do to the key and registry.
#include <gtest/gtest.h>

#include "settings/config_actions.h"
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
  EXPECT_TRUE(CreateFolderLevels(u"D:\\a\\b\\c\\"));
  EXPECT_EQ((std::vector<std::u16string>{u"D:\\a\\", u"D:\\a\\b\\", u"D:\\a\\b\\c\\"}), os.files.directoriesCreated);
}

TEST_F(FolderLevels, ToleratedFailuresLetTheWalkGoOn) {
  os.files.AddFile(u"D:\\file", {1});  // exists as a file: ERROR_ALREADY_EXISTS
  EXPECT_TRUE(CreateFolderLevels(u"D:\\file\\"));
  os.files.makeDirectoryErrors[u"D:\\DENIED"] = platform::kErrorAccessDenied;
  EXPECT_TRUE(CreateFolderLevels(u"D:\\denied\\"));
  os.files.makeDirectoryErrors[u"D:\\ZERO"] = 0;
  EXPECT_TRUE(CreateFolderLevels(u"D:\\zero\\"));
}

TEST_F(FolderLevels, OtherFailuresStopTheWalkAndKeepWhatWasMade) {
  os.files.makeDirectoryErrors[u"D:\\A\\B"] = 123;  // ERROR_INVALID_NAME
  EXPECT_FALSE(CreateFolderLevels(u"D:\\a\\b\\c\\"));
  EXPECT_TRUE(os.files.IsDirectory(u"D:\\a\\"));
  EXPECT_FALSE(os.files.Exists(u"D:\\a\\b\\c\\"));
  EXPECT_FALSE(CreateFolderLevels(u"Q:\\shots\\")) << "a drive that does not exist";
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
    LoadSettings();
    RegisterHotKeyAtStartup(1);
  }

  bool Registered(std::uint32_t modifiers, std::uint32_t key) const { return os.hotKeys.Holds(modifiers, key); }

  std::u16string LastBox() const { return os.messageBoxes.shown.empty() ? u"" : os.messageBoxes.shown.back().text; }

  char16_t folder[kPathChars] = {};
  HotKeyWord hotKey;
};

TEST_F(SettingsDialog, OpeningShowsTheStoredSettingsAndSuspendsTheKey) {
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  EXPECT_EQ(std::u16string(u"D:\\old\\"), folder);
  EXPECT_EQ(0x0269, hotKey.ControlValue()) << "modifiers in the high byte, the key in the low one";
  EXPECT_EQ(1001, g_nHotKeyId);
  EXPECT_TRUE(os.hotKeys.registered.empty());
  EXPECT_TRUE(os.messageBoxes.shown.empty());

  // A stored key above one byte is no key the box can show, not Control + A.
  ASSERT_TRUE(CancelSettings());
  Store(u"Keys", platform::kRegDword, Word(0x00020141));
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  EXPECT_EQ(0, hotKey.ControlValue());
}

TEST_F(SettingsDialog, OpeningWithoutAFolderSaysSoAndLeavesTheKeyAloneAndCancelCloses) {
  Store(u"Path", platform::kRegBinary, FolderBytes(u""));
  EXPECT_FALSE(OpenSettings(folder, &hotKey));
  EXPECT_EQ(u"获取配置信息失败", LastBox());
  EXPECT_EQ(u'\0', folder[0]);
  EXPECT_EQ(1000, g_nHotKeyId);
  EXPECT_TRUE(Registered(platform::kModControl, 0x69));

  // Nothing was suspended, so there is nothing to register again.
  const int calls = os.hotKeys.registerCalls;
  EXPECT_TRUE(CancelSettings());
  EXPECT_EQ(1u, os.messageBoxes.shown.size());
  EXPECT_EQ(calls, os.hotKeys.registerCalls);
  EXPECT_TRUE(Registered(platform::kModControl, 0x69));
  EXPECT_EQ(1, g_bHotKeyRegistered);
}

TEST_F(SettingsDialog, SaveCreatesTheFolderRegistersTheKeyAndStoresBoth) {
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  CopyText(folder, kPathChars, u"D:\\new\\shots");
  // 保存 clicked again while its own 保存成功 is up: the box keeps it out.
  os.messageBoxes.clickWhileOpen = [&](const fake::ShownBox&) {
    SaveSettings(folder, {HOTKEYF_CONTROL | HOTKEYF_SHIFT, 0x78}, {kFormatPng});
  };
  SettingsChoices choices{kFormatPng};
  choices.notify = true;
  EXPECT_TRUE(SaveSettings(folder, {HOTKEYF_CONTROL | HOTKEYF_SHIFT, 0x78}, choices));  // F9
  EXPECT_EQ(1, g_bHotKeyRegistered);

  EXPECT_TRUE(os.files.IsDirectory(u"D:\\new\\shots\\"));
  EXPECT_TRUE(Registered(platform::kModControl | platform::kModShift, 0x78)) << "Shift registers as Shift";
  EXPECT_EQ(FolderBytes(u"D:\\new\\shots\\"), Stored(u"Path")->data);
  EXPECT_EQ(Word(0x00030078), Stored(u"Keys")->data) << "stored in the control's encoding";
  EXPECT_EQ(Word(kFormatPng), Stored(u"Format")->data);
  EXPECT_EQ(kFormatPng, g_dwFormat) << "the next press saves PNG";
  EXPECT_EQ(Word(1), Stored(u"Notify")->data);
  EXPECT_EQ(Word(0), Stored(u"AutoSave")->data);
  EXPECT_TRUE(StoredChoices().notify);
  ASSERT_EQ(1u, os.messageBoxes.shown.size());
  EXPECT_EQ(u"保存成功", LastBox());
  EXPECT_EQ(platform::kMbIconInformation | platform::kMbTaskModal, os.messageBoxes.shown.back().style);
  EXPECT_FALSE(Stored(u"NameFormat")) << "the default is not written until the user changes it";

  // A template is stored as typed, and so is the default once one was.
  for (const std::u16string typed : {u"{yyyy}-{MM}\\{dd}_{HH}-{mm}-{ss}", kDefaultNameFormat}) {
    ASSERT_TRUE(OpenSettings(folder, &hotKey));
    choices.nameFormat = typed;
    EXPECT_TRUE(SaveSettings(folder, {HOTKEYF_CONTROL, 0x78}, choices));
    EXPECT_TRUE(Stored(u"NameFormat") && Stored(u"NameFormat")->type == platform::kRegSz &&
                Stored(u"NameFormat")->data == StringBytes(typed));
    EXPECT_EQ(typed, g_szNameFormat) << "the next press names its file so";
  }
}

TEST_F(SettingsDialog, RefusedFolderChangesNothing) {
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  CopyText(folder, kPathChars, u"D:\\a..b");
  EXPECT_FALSE(SaveSettings(folder, {HOTKEYF_CONTROL, 0x78}));
  EXPECT_EQ(u"路径不合法或没有权限访问该路径", LastBox());
  EXPECT_TRUE(os.files.directoriesCreated.empty());
  EXPECT_TRUE(os.hotKeys.registered.empty());
  EXPECT_EQ(FolderBytes(u"D:\\old\\"), Stored(u"Path")->data);

  std::u16string full = u"D:\\" + std::u16string(216, u'x');
  CopyText(folder, kPathChars, full.c_str());
  EXPECT_FALSE(SaveSettings(folder, {HOTKEYF_CONTROL, 0x78})) << "no room for the final backslash";
  EXPECT_EQ(u"路径不合法或没有权限访问该路径", LastBox());

  // Longer than the stored folder: refused, not cut at the backslash that
  // the 219th character is.
  const std::u16string typed = u"D:\\" + std::u16string(215, u'y') + u"\\" + std::u16string(11, u'z');
  EXPECT_FALSE(SaveSettings(typed.c_str(), {HOTKEYF_CONTROL, 0x78}));
  EXPECT_EQ(u"路径不合法或没有权限访问该路径", LastBox());

  // A refused template: its own text, no folder made, nothing stored.
  SettingsChoices refused;
  refused.nameFormat = u"{yyyy}\\{MM}";
  EXPECT_FALSE(SaveSettings(u"D:\\new\\", {HOTKEYF_CONTROL, 0x78}, refused));
  EXPECT_EQ(u"文件名格式不能为空, 且必须包含 {ss}", LastBox());
  EXPECT_FALSE(Stored(u"NameFormat"));
  EXPECT_TRUE(os.files.directoriesCreated.empty());
  EXPECT_EQ(FolderBytes(u"D:\\old\\"), Stored(u"Path")->data);
}

TEST_F(SettingsDialog, KeyWithoutModifierIsRefusedAfterTheFolderIsMade) {
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  CopyText(folder, kPathChars, u"D:\\f5\\");
  EXPECT_FALSE(SaveSettings(folder, {0, 0x74}));
  EXPECT_EQ(u"必须使用一个组合键作为热键", LastBox());
  EXPECT_TRUE(os.files.IsDirectory(u"D:\\f5\\"));
  EXPECT_EQ(FolderBytes(u"D:\\old\\"), Stored(u"Path")->data);
}

TEST_F(SettingsDialog, KeyTakenElsewhereAtSaveThenCancelRestoresTheStoredKey) {
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  os.hotKeys.HoldElsewhere(platform::kModAlt, 0x41);
  CopyText(folder, kPathChars, u"D:\\new\\");
  EXPECT_FALSE(SaveSettings(folder, {HOTKEYF_ALT, 0x41}));
  EXPECT_EQ(u"注册热键失败, 热键已被其他程序占用, 请设置其他热键", LastBox());
  EXPECT_EQ(0, g_bHotKeyRegistered);

  EXPECT_TRUE(CancelSettings());
  EXPECT_TRUE(Registered(platform::kModControl, 0x69));
  EXPECT_EQ(1, g_bHotKeyRegistered);
  EXPECT_EQ(1001, os.hotKeys.registered.back().id);
}

TEST_F(SettingsDialog, CancelWithTheStoredKeyTakenKeepsTheDialogOpen) {
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  os.hotKeys.HoldElsewhere(platform::kModControl, 0x69);
  EXPECT_FALSE(CancelSettings());
  EXPECT_EQ(u"注册热键失败, 热键已被其他程序占用, 请设置其他热键", LastBox());
  EXPECT_EQ(0, g_bHotKeyRegistered);
}

TEST_F(SettingsDialog, SaveWhoseRegistryWriteFailsKeepsTheNewKeyAndStaysOpen) {
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  os.registry.setFails[u"Keys"] = {0, 5};
  CopyText(folder, kPathChars, u"D:\\new\\");
  EXPECT_FALSE(SaveSettings(folder, {HOTKEYF_CONTROL, 0x78}));
  EXPECT_EQ(u"保存配置信息失败", LastBox());
  EXPECT_TRUE(Registered(platform::kModControl, 0x78));
  EXPECT_EQ(std::u16string(u"D:\\new\\"), g_szPath) << "the running program uses the new folder";
}

TEST_F(SettingsDialog, RunEntryThatCannotBeWrittenKeepsTheDialogOpen) {
  ASSERT_TRUE(OpenSettings(folder, &hotKey));
  os.registry.setFails[kRunValueName] = {0, 5};
  EXPECT_FALSE(SaveSettings(u"D:\\new\\", {HOTKEYF_CONTROL, 0x78}, {kFormatBmp, true, true}));
  EXPECT_EQ(u"保存配置信息失败", LastBox());
  EXPECT_FALSE(Stored(u"AutoSave")) << "the settings are not stored either";
}

}  // namespace
