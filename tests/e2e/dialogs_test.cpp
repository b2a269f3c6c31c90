// The settings, Help and About dialogs and the tray menu, used as a person
// would: clicks on the icon, the menu, typing, buttons, keys and closing.
#include "e2e_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>

#include "support/dialog_template.h"
#include "support/image_decoder.h"
#include "support/png_blocks.h"

namespace {

using e2e::Bytes;

constexpr wchar_t kCaption[] = L"剪切板Tarnwick";
constexpr wchar_t kSettingsTitle[] = L"设置";
constexpr wchar_t kHelpTitle[] = L"帮助";
constexpr wchar_t kAboutTitle[] = L"关于";
constexpr int kPathEdit = 1017, kHotKey = 1038, kSave = 1041, kCancel = 1044, kFormat = 1045;
constexpr int kAboutClose = 1042, kHelpClose = 1043, kAboutPicture = 139, kBrowseButton = 1100;
constexpr int kAutoStart = 1046, kAutoSave = 1047, kNotify = 1048, kNameFormat = 1049, kNamePreview = 1050;
constexpr wchar_t kPerMonth[] = L"{yyyy}-{MM}\\{dd}_{HH}-{mm}-{ss}";
constexpr WORD kControlShift = HOTKEYF_CONTROL | HOTKEYF_SHIFT;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
constexpr wchar_t kRunValue[] = L"ClipboardTarnwick";
constexpr wchar_t kExcludeFormat[] = L"ExcludeClipboardContentFromMonitorProcessing";

// The template as built into Tarnwick.exe.
testsupport::DialogTemplate TemplateOf(WORD id) {
  HMODULE module = LoadLibraryExW(e2e::TarnwickPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
  auto result = testsupport::ParseDialogTemplate(bytes, SizeofResource(module, found));
  FreeLibrary(module);
  return result;
}

std::wstring Text(HWND window) {
  // WM_GETTEXT, not GetWindowText: across processes only the message reads
  // an edit control's content.
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}

// Every control is where its template puts it: dialog units scaled to pixels
// by the dialog's own client size, to within rounding.
void ExpectControlsInTemplatePlaces(HWND dialog, WORD templateId) {
  const auto t = TemplateOf(templateId);
  ASSERT_TRUE(t.valid);
  RECT client;
  GetClientRect(dialog, &client);
  const double sx = static_cast<double>(client.right) / t.cx;
  const double sy = static_cast<double>(client.bottom) / t.cy;
  HWND child = GetWindow(dialog, GW_CHILD);
  for (const auto& item : t.items) {
    ASSERT_NE(nullptr, child) << "fewer controls than the template has";
    if (item.id != -1 && item.id != 0xFFFF) {
      EXPECT_EQ(item.id, GetDlgCtrlID(child));
    }
    if (!item.title.empty() && item.title[0] != u'#') {
      EXPECT_EQ(std::wstring(item.title.begin(), item.title.end()), Text(child)) << "control " << item.id;
    }
    const RECT r = e2e::ClientRectOf(dialog, child);
    const double tolerance = 2.5;
    EXPECT_NEAR(item.x * sx, r.left, tolerance) << "control " << item.id;
    EXPECT_NEAR(item.y * sy, r.top, tolerance) << "control " << item.id;
    // A picture sizes itself to its bitmap; its template size is a placeholder.
    const bool picture = (item.style & SS_TYPEMASK) == SS_BITMAP;
    if (!picture) {
      EXPECT_NEAR(item.cx * sx, r.right - r.left, tolerance) << "control " << item.id;
      // A drop-down list's template height includes its list.
      EXPECT_TRUE(item.windowClass == u"COMBOBOX" || std::abs(item.cy * sy - (r.bottom - r.top)) <= tolerance)
          << "control " << item.id;
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
}

// Nothing lies below the top of 保存 but 保存 and 取消, and Tab goes through
// the controls in the order they are seen: row by row, left to right.
void ExpectSettingsLayout(HWND settings) {
  const RECT save = e2e::ClientRectOf(settings, GetDlgItem(settings, kSave));
  POINT last{-1, -1};
  for (HWND child = GetWindow(settings, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    const RECT r = e2e::ClientRectOf(settings, child);
    if (id != kSave && id != kCancel) {
      EXPECT_LE(r.bottom, save.top) << "control " << id << " below the top of 保存";
    }
    if ((GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) == 0) continue;
    EXPECT_TRUE(r.top > last.y + 2 || (std::abs(r.top - last.y) <= 2 && r.left > last.x))
        << "Tab reaches control " << id << " out of the order it is seen in";
    last = POINT{r.left, r.top};
  }
}

// The system's DPI for programs started while it lives. Wine reads it at a
// program's start; Windows only at logon.
class SystemDpi {
 public:
  explicit SystemDpi(DWORD dpi) {
    DWORD size = sizeof before_;
    had_ = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &before_, &size) ==
           ERROR_SUCCESS;
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
  }
  ~SystemDpi() {
    if (had_) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &before_, sizeof before_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
    }
  }
  SystemDpi(const SystemDpi&) = delete;
  SystemDpi& operator=(const SystemDpi&) = delete;

 private:
  static constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
  DWORD before_ = 0;
  bool had_ = false;
};

WORD HotKeyShown(HWND settings) {
  return LOWORD(SendMessageW(GetDlgItem(settings, kHotKey), HKM_GETHOTKEY, 0, 0));
}

void TypeSettings(HWND settings, const std::wstring& folder, WORD hotKey) {
  SendMessageW(GetDlgItem(settings, kPathEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  SendMessageW(GetDlgItem(settings, kHotKey), HKM_SETHOTKEY, hotKey, 0);
}

void Click(HWND dialog, int button) { PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0); }

// The window with the keyboard focus on the dialog's thread.
HWND FocusOn(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
  return info.hwndFocus;
}

class Dialogs : public E2E {
 protected:
  void SetUp() override {
    E2E::SetUp();
    StoreSettings();
    ASSERT_TRUE(tarnwick.Start());
    main = tarnwick.MainWindow();
    ASSERT_NE(nullptr, main);
  }

  HWND OpenSettingsByLeftPress() {
    e2e::PostTrayMouse(main, WM_LBUTTONDOWN);
    return e2e::WaitForDialog(tarnwick.Pid(), kSettingsTitle);
  }

  // The one message box showing now, checked and dismissed. While it is up
  // the dialog `blocked` takes no click or key, and `whileUp` runs.
  void ExpectBox(const wchar_t* text, bool information = false, HWND blocked = nullptr,
                 const std::function<void()>& whileUp = nullptr) {
    e2e::MessageBoxSeen box;
    ASSERT_TRUE(e2e::WaitForMessageBox(tarnwick.Pid(), &box)) << "no message box";
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(kCaption, box.caption);
    EXPECT_EQ(information, box.informationIcon);
    EXPECT_EQ(!information, box.errorIcon);
    if (blocked != nullptr) {
      EXPECT_FALSE(IsWindowEnabled(blocked)) << "the box blocks its dialog";
    }
    if (whileUp) whileUp();
    EXPECT_TRUE(e2e::DismissMessageBox(box));
  }

  // A picture not put on the clipboard before in this case: whether a press
  // saves then depends on the key alone, never on the second it falls in.
  Bytes NewPicture() { return testsupport::RgbDib(4, 4, 24, ++pictures_); }
  // The seed of the last new picture, for another program to put it.
  int LastPictureSeed() const { return pictures_; }
  Bytes PutNewPicture() {
    Bytes picture = NewPicture();
    EXPECT_TRUE(testsupport::PutDibOnRealClipboard(picture));
    return picture;
  }
  Bytes PressWithNewPicture(const std::vector<WORD>& modifiers, WORD key) {
    Bytes picture = PutNewPicture();
    e2e::PressKeys(modifiers, key);
    return picture;
  }
  // The next new file in `where` beside `before` is `picture`'s, and it is the
  // only one. Saves are written in the order they were asked for, so a save
  // asked for before `picture`'s would have come first.
  ::testing::AssertionResult SavedOnly(const Bytes& picture, const std::wstring& where,
                                       const std::vector<std::wstring>& before, std::wstring* name = nullptr) {
    std::vector<std::wstring> now;
    if (!e2e::WaitUntil([&] { return (now = e2e::BitmapsIn(where)).size() > before.size(); }, 10000)) {
      return ::testing::AssertionFailure() << "no new file";
    }
    std::vector<std::wstring> added;
    std::set_difference(now.begin(), now.end(), before.begin(), before.end(), std::back_inserter(added));
    Bytes file;
    if (added.size() != 1) return ::testing::AssertionFailure() << added.size() << " new files";
    if (!e2e::ReadFileBytes(where + added[0], &file) || file != e2e::BmpFileOf(picture)) {
      return ::testing::AssertionFailure() << "the new file holds another picture";
    }
    if (name != nullptr) *name = added[0];
    return ::testing::AssertionSuccess();
  }
  bool HotKeySaves(const std::vector<WORD>& modifiers, WORD key, const std::wstring& where) {
    const auto before = e2e::BitmapsIn(where);
    return SavedOnly(PressWithNewPicture(modifiers, key), where, before);
  }

  // Turns the check box over from what it shows and saves.
  void SaveWithCheck(int box, bool on) {
    HWND settings = OpenSettingsByLeftPress();
    ASSERT_NE(nullptr, settings);
    HWND check = GetDlgItem(settings, box);
    EXPECT_EQ(on ? BST_UNCHECKED : BST_CHECKED, SendMessageW(check, BM_GETCHECK, 0, 0)) << "as stored";
    SendMessageW(check, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    Click(settings, kSave);
    ExpectBox(L"保存成功", true);
    // Gone, and a moment for the program to act on the new settings.
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(settings); }, 10000));
    ASSERT_TRUE(e2e::WaitUntilHandled(main)) << "the program has acted on the new settings";
  }

  e2e::ShellTray tray;  // made before the program starts, gone after it ends
  e2e::TarnwickProcess tarnwick;
  HWND main = nullptr;

 private:
  std::uint8_t pictures_ = 0;
};

TEST_F(Dialogs, StartWithWindowsWritesTheQuotedPathAndNotifyShowsABalloonNamingEachSavedFile) {
  const Bytes turnedOff = {0x03, 0, 0, 0, 0x17, 0x79, 0xBD, 0x01, 0x17, 0xD9, 0xD1, 0x01};  // by Task Manager
  ASSERT_EQ(0, RegSetKeyValueW(HKEY_CURRENT_USER, kApprovedKey, kRunValue, REG_BINARY, turnedOff.data(), 12));
  SaveWithCheck(kAutoStart, true);
  wchar_t value[600] = {};
  DWORD size = sizeof value;
  ASSERT_EQ(0, RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, value, &size));
  EXPECT_EQ(L"\"" + e2e::TarnwickPath() + L"\"", value);
  Bytes approved(12);
  size = 12;
  RegGetValueW(HKEY_CURRENT_USER, kApprovedKey, kRunValue, RRF_RT_REG_BINARY, nullptr, approved.data(), &size);
  EXPECT_EQ(0x02, approved[0]) << "no longer turned off in Task Manager";

  SaveWithCheck(kAutoStart, false);  // shown on when opened again
  EXPECT_NE(0, RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_ANY, nullptr, nullptr, nullptr));
  const wchar_t elsewhere[] = L"\"C:\\elsewhere\\Tarnwick.exe\"";
  ASSERT_EQ(0, RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, REG_SZ, elsewhere, sizeof elsewhere));
  SaveWithCheck(kAutoStart, true);  // shown off: it names another copy
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kApprovedKey, kRunValue);

  // 保存后显示通知: a save's balloon on the icon names the file, then its
  // folder; with it off there is none, as the next balloon shows, since
  // saves end in press order.
  if (!tray.observing()) GTEST_SKIP() << e2e::kTrayNotObservable;
  const auto pressAndSave = [&] {
    std::wstring name;
    const auto before = e2e::BitmapsIn(folder);
    EXPECT_TRUE(SavedOnly(PressWithNewPicture({VK_CONTROL}, VK_NUMPAD9), folder, before, &name));
    return name;
  };
  SaveWithCheck(kNotify, true);
  const std::wstring told = pressAndSave();
  EXPECT_TRUE(e2e::WaitUntil([&] { return tray.BalloonsNaming(told + L"\n" + folder) == 1; }, 10000));
  EXPECT_EQ(1, tray.BalloonsNaming(L"截图已保存")) << "its title";
  SaveWithCheck(kNotify, false);
  const std::wstring untold = pressAndSave();
  SaveWithCheck(kNotify, true);
  const std::wstring toldAgain = pressAndSave();
  EXPECT_TRUE(e2e::WaitUntil([&] { return tray.BalloonsNaming(toldAgain) == 1; }, 10000));
  EXPECT_EQ(0, tray.BalloonsNaming(untold)) << "no balloon while it was off";
}

TEST_F(Dialogs, EveryNewPictureIsSavedWhileOnWithTheSettingsClosedButNeitherTextNorAPrivateOne) {
  // A change the program must leave alone gets the time its own quiet-time
  // timer needs to act on it; then a save that does happen is the only new
  // file.
  std::vector<std::wstring> before;
  const auto leaveAlone = [&](bool put) {
    ASSERT_TRUE(put);
    EXPECT_TRUE(e2e::KeepsAnsweringFor(main, 1000));
  };
  const auto press = [&] { return PressWithNewPicture({VK_CONTROL}, VK_NUMPAD9); };
  before = e2e::BitmapsIn(folder);
  leaveAlone(testsupport::PutDibOnRealClipboard(NewPicture()));
  EXPECT_TRUE(SavedOnly(press(), folder, before)) << "off by default";

  SaveWithCheck(kAutoSave, true);
  before = e2e::BitmapsIn(folder);
  EXPECT_TRUE(SavedOnly(PutNewPicture(), folder, before)) << "another program's picture, no key";
  before = e2e::BitmapsIn(folder);
  leaveAlone(testsupport::PutTextOnRealClipboard(u"text"));
  EXPECT_TRUE(SavedOnly(PutNewPicture(), folder, before)) << "text";
  before = e2e::BitmapsIn(folder);
  leaveAlone(testsupport::PutMarkedDibOnRealClipboard(NewPicture(), kExcludeFormat));
  EXPECT_TRUE(SavedOnly(PutNewPicture(), folder, before)) << "a picture marked private";

  // Another program, still running, owns the clipboard: a copy of the helper
  // under an office program's name, then under another.
  const std::wstring programs = e2e::NewScratchFolder();
  const std::wstring excel = e2e::CopyClipboardHolderAs(programs, L"EXCEL.EXE");
  const std::wstring notes = e2e::CopyClipboardHolderAs(programs, L"notes.exe");
  ASSERT_FALSE(excel.empty() || notes.empty());
  Bytes owned;
  const auto putBy = [&](const std::wstring& program, bool withText) {
    owned = NewPicture();
    const e2e::ClipboardContent content{LastPictureSeed(), withText};
    auto owner = std::make_unique<e2e::ForeignClipboardHold>(program, &content);
    EXPECT_TRUE(owner->holding());
    return owner;
  };
  before = e2e::BitmapsIn(folder);
  {
    const auto cells = putBy(excel, true);
    leaveAlone(true);
    e2e::PressKeys({VK_CONTROL}, VK_NUMPAD9);
    EXPECT_TRUE(SavedOnly(owned, folder, before)) << "an office copy with text: saved by the key alone";
  }
  for (const auto& [program, withText] : {std::make_pair(excel, false), std::make_pair(notes, true)}) {
    before = e2e::BitmapsIn(folder);
    const auto owner = putBy(program, withText);
    EXPECT_TRUE(SavedOnly(owned, folder, before)) << "a picture alone, or another program's";
  }

  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  before = e2e::BitmapsIn(folder);
  leaveAlone(testsupport::PutDibOnRealClipboard(NewPicture()));
  Click(settings, kCancel);
  ASSERT_TRUE(e2e::WaitForClosed(settings));
  EXPECT_TRUE(SavedOnly(PutNewPicture(), folder, before)) << "left alone with the settings open";

  SaveWithCheck(kAutoSave, false);
  before = e2e::BitmapsIn(folder);
  leaveAlone(testsupport::PutDibOnRealClipboard(NewPicture()));
  EXPECT_TRUE(SavedOnly(press(), folder, before)) << "nothing after turning it off";
  DWORD type = 0;
  Bytes stored;
  EXPECT_TRUE(e2e::ReadSetting(L"AutoSave", &type, &stored) && type == REG_DWORD && stored == Bytes(4, 0));
}

TEST_F(Dialogs, LeftPressOpensTheSettingsWithTheStoredValuesInTheTemplatesPlaces) {
  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  EXPECT_EQ(folder, Text(GetDlgItem(settings, kPathEdit)));
  EXPECT_EQ(0x0269, HotKeyShown(settings)) << "Control + numeric-keypad 9";
  ExpectControlsInTemplatePlaces(settings, 132);
  ExpectSettingsLayout(settings);
  EXPECT_EQ(0, GetWindowLongW(settings, GWL_STYLE) & WS_SYSMENU) << "no close box";
  e2e::Screenshot(settings, L"settings");

  e2e::PostTrayMouse(main, WM_LBUTTONDOWN);
  e2e::PostTrayMouse(main, WM_LBUTTONUP);
  e2e::PostTrayMouse(main, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(e2e::WaitUntilHandled(main));
  EXPECT_EQ(1u, e2e::Dialogs(tarnwick.Pid(), kSettingsTitle).size()) << "one settings dialog at a time";

  Click(settings, kCancel);
  EXPECT_TRUE(e2e::WaitForClosed(settings));
  EXPECT_TRUE(HotKeySaves({VK_CONTROL}, VK_NUMPAD9, folder)) << "Cancel registers the key again";

  // At 144 DPI the same layout holds, scaled (under Wine only: Windows
  // changes its DPI only at logon).
  if (!e2e::RunningUnderWine()) return;
  EXPECT_EQ(0, tarnwick.Exit());
  const SystemDpi large(144);
  ASSERT_TRUE(tarnwick.Start());
  main = tarnwick.MainWindow();
  settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  RECT client;
  GetClientRect(settings, &client);
  EXPECT_GT(client.right, 600) << "drawn at 144 DPI";
  ExpectControlsInTemplatePlaces(settings, 132);
  ExpectSettingsLayout(settings);
  e2e::Screenshot(settings, L"settings-144dpi");
  Click(settings, kCancel);
  EXPECT_TRUE(e2e::WaitForClosed(settings));
}

TEST_F(Dialogs, MenuOpensTheFolderMadeWhenMissingAndTheSettingsWhereEscEnterAndReleasesDoNothing) {
  ASSERT_FALSE(e2e::Exists(folder));
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuOpenFolder));
  EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Exists(folder); }, 10000)) << "打开保存目录 makes the folder first";
  EXPECT_TRUE(e2e::CloseFolderWindow(L"shots")) << "and opens it";

  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuSettings));
  HWND settings = e2e::WaitForDialog(tarnwick.Pid(), kSettingsTitle);
  ASSERT_NE(nullptr, settings);
  for (int control : {kPathEdit, kHotKey, kSave}) {
    e2e::PostKey(GetDlgItem(settings, control), VK_ESCAPE);
    e2e::PostKey(GetDlgItem(settings, control), VK_RETURN);
  }
  e2e::PostTrayMouse(main, WM_RBUTTONUP);
  e2e::PostTrayMouse(main, WM_MOUSEMOVE);
  ASSERT_TRUE(e2e::WaitUntilHandled(main));
  EXPECT_TRUE(IsWindowVisible(settings)) << "Esc and Enter do not end it";
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty());

  // The key is suspended while it is open: another program may take it, and
  // a press saves nothing, as the next press after 取消 shows.
  EXPECT_TRUE(RegisterHotKey(nullptr, 4, MOD_CONTROL, VK_NUMPAD9)) << "the program does not hold the key";
  UnregisterHotKey(nullptr, 4);
  const auto before = e2e::BitmapsIn(folder);
  PressWithNewPicture({VK_CONTROL}, VK_NUMPAD9);
  ASSERT_TRUE(e2e::WaitUntilHandled(main));
  Click(settings, kCancel);
  ASSERT_TRUE(e2e::WaitForClosed(settings));
  EXPECT_TRUE(SavedOnly(PressWithNewPicture({VK_CONTROL}, VK_NUMPAD9), folder, before))
      << "the press made while it was open saved nothing";
}

TEST_F(Dialogs, SaveStoresTheNewFolderAndKeyAndOnlyTheNewKeySaves) {
  const wchar_t otherCopy[] = L"C:\\elsewhere\\Tarnwick.exe";
  ASSERT_EQ(0, RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, REG_SZ, otherCopy, sizeof otherCopy));
  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  const std::wstring chosen = scratch + L"new\\deeper";  // no final backslash: one is added
  TypeSettings(settings, chosen, MAKEWORD(VK_F9, kControlShift));
  Click(settings, kSave);
  // Under the box the new key saves and the tray menu opens About, as ever.
  ExpectBox(L"保存成功", true, settings, [&] {
    EXPECT_TRUE(HotKeySaves({VK_CONTROL, VK_SHIFT}, VK_F9, chosen + L"\\")) << "the key saves under the box";
    ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuAbout));
    HWND about = e2e::WaitForDialog(tarnwick.Pid(), kAboutTitle);
    ASSERT_NE(nullptr, about);
    Click(about, kAboutClose);
    EXPECT_TRUE(e2e::WaitForClosed(about));
  });
  EXPECT_TRUE(e2e::WaitForClosed(settings));

  DWORD type = 0;
  Bytes path, keys;
  ASSERT_TRUE(e2e::ReadSetting(L"Path", &type, &path));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  ASSERT_EQ(440u, path.size());
  EXPECT_EQ(chosen + L"\\", std::wstring(reinterpret_cast<const wchar_t*>(path.data())));
  ASSERT_TRUE(e2e::ReadSetting(L"Keys", &type, &keys));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ((Bytes{VK_F9, 0x00, kControlShift, 0x00}), keys);
  // Nothing else was changed or written: another copy's Run value stays.
  for (const wchar_t* untouched : {L"Format", L"AutoSave", L"Notify", L"NameFormat"})
    EXPECT_FALSE(e2e::ReadSetting(untouched, &type, &path)) << untouched;
  EXPECT_EQ(0, RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, nullptr, nullptr));
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);

  // Control + Shift + F9 was registered as Control + Shift, not as Alt.
  EXPECT_TRUE(HotKeySaves({VK_CONTROL, VK_SHIFT}, VK_F9, chosen + L"\\")) << "the new key saves";
  // The old key no longer does: it is free for another program, and a press
  // of it comes to nothing before the new key's next picture.
  EXPECT_TRUE(RegisterHotKey(nullptr, 4, MOD_CONTROL, VK_NUMPAD9)) << "the old key was given back";
  UnregisterHotKey(nullptr, 4);
  const auto before = e2e::BitmapsIn(chosen + L"\\");
  PressWithNewPicture({VK_CONTROL}, VK_NUMPAD9);
  ASSERT_TRUE(e2e::WaitUntilHandled(main));
  EXPECT_TRUE(SavedOnly(PressWithNewPicture({VK_CONTROL, VK_SHIFT}, VK_F9), chosen + L"\\", before))
      << "the old key no longer saves";

  // A template with a sub-folder per month: stored, shown again after a
  // restart, and the next press lands in the month of the file's own time.
  settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  SendMessageW(GetDlgItem(settings, kNameFormat), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kPerMonth));
  Click(settings, kSave);
  ExpectBox(L"保存成功", true);
  ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(settings); }, 10000));
  EXPECT_EQ(0, tarnwick.Exit());
  ASSERT_TRUE(tarnwick.Start());
  main = tarnwick.MainWindow();
  settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  EXPECT_EQ(kPerMonth, Text(GetDlgItem(settings, kNameFormat)));
  const std::wstring preview = Text(GetDlgItem(settings, kNamePreview));  // 2026-03\04_05-06-07.bmp
  EXPECT_TRUE(preview.size() == 23 && preview[7] == L'\\' && preview.substr(19) == L".bmp")
      << preview.size() << " units shown";
  Click(settings, kCancel);
  ASSERT_TRUE(e2e::WaitForClosed(settings));

  const std::wstring root = chosen + L"\\";
  const auto beside = e2e::BitmapsIn(root);
  const Bytes picture = PressWithNewPicture({VK_CONTROL, VK_SHIFT}, VK_F9);
  // Found in a sub-folder once it has its name and the program no longer
  // holds it open.
  std::wstring month, name;
  Bytes content;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((root + L"*").c_str(), &found);
        bool saved = false;
        for (bool more = search != INVALID_HANDLE_VALUE; more && !saved; more = FindNextFileW(search, &found)) {
          const std::wstring sub = root + found.cFileName + L"\\";
          const auto names = e2e::BitmapsIn(sub);
          saved = found.cFileName[0] != L'.' && !names.empty() && e2e::ReadFileBytes(sub + names[0], &content);
          if (saved) month = found.cFileName;
          if (saved) name = names[0];
        }
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        return saved;
      },
      10000));
  EXPECT_EQ(e2e::BmpFileOf(picture), content) << "whole, byte for byte";
  EXPECT_EQ(std::vector<std::wstring>{name}, e2e::FilesIn(root + month + L"\\")) << "no temporary file left";
  EXPECT_EQ(beside, e2e::BitmapsIn(root)) << "nothing beside the sub-folder";
  // The press its folder and name give (local time) came just before the
  // file was written: within a day, where another month would be weeks off.
  SYSTEMTIME named{}, utc;
  FILETIME pressed;
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  ASSERT_EQ(2, swscanf(month.c_str(), L"%4hu-%2hu", &named.wYear, &named.wMonth)) << "yyyy-MM";
  ASSERT_EQ(4, swscanf(name.c_str(), L"%2hu_%2hu-%2hu-%2hu", &named.wDay, &named.wHour, &named.wMinute, &named.wSecond));
  ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &named, &utc) && SystemTimeToFileTime(&utc, &pressed));
  ASSERT_TRUE(GetFileAttributesExW((root + month + L"\\" + name).c_str(), GetFileExInfoStandard, &attributes));
  const auto ticks = [](const FILETIME& t) { return (std::int64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  const std::int64_t after = ticks(attributes.ftLastWriteTime) - ticks(pressed);  // in 100 ns
  EXPECT_TRUE(after > -20000000 && after < 864000000000) << after / 10000000 << " s after its press";
}

TEST_F(Dialogs, PngChosenSavesTheCopiedPngAsItIsElseAnOpaqueOneBmpTheDibAndJpgIsKeptAfterARestart) {
  // The new file, once the program no longer holds it open.
  const auto press = [&](const wchar_t* pattern, Bytes* file) {
    const std::wstring path = folder + SaveWithHotKey(folder, pattern);
    return e2e::WaitUntil([&] { return e2e::ReadFileBytes(path, file); }, 10000) ? path : std::wstring();
  };
  const auto choose = [&](int format) {
    HWND settings = OpenSettingsByLeftPress();
    SendMessageW(GetDlgItem(settings, kFormat), CB_SETCURSEL, format, 0);
    Click(settings, kSave);
    ExpectBox(L"保存成功", true);
    ASSERT_TRUE(e2e::WaitForClosed(settings));
  };
  // A browser's copy: a "PNG" with a transparent pixel in a block larger than
  // the file, and a different CF_DIB beside it.
  Bytes rgba(8 * 4 * 4, 0x90);
  rgba[3] = 0;
  const Bytes png = testsupport::PngFile(8, 4, rgba);
  Bytes block = png;
  block.resize(png.size() + 7, 0x55);
  Bytes file, dib = testsupport::RgbDib(8, 4, 24, 1);
  ASSERT_TRUE(testsupport::PutFormatsOnRealClipboard({{L"PNG", 0, block}, {nullptr, CF_DIB, dib}}));
  ASSERT_FALSE(press(L"*.bmp", &file).empty());
  EXPECT_EQ(e2e::BmpFileOf(dib), file) << "BMP: the CF_DIB, byte for byte";

  choose(1);
  dib = testsupport::RgbDib(8, 4, 24, 2);
  ASSERT_TRUE(testsupport::PutFormatsOnRealClipboard({{L"PNG", 0, block}, {nullptr, CF_DIB, dib}}));
  ASSERT_FALSE(press(L"*.png", &file).empty());
  EXPECT_EQ(png, file) << "PNG: the \"PNG\" as it was copied, up to IEND";
  // A screen grab's fourth byte is no alpha, whatever it holds.
  const Bytes grab = testsupport::RgbDib(16, 9, 32, 5);
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(grab));
  const std::wstring grabFile = press(L"*.png", &file);
  ASSERT_GT(file.size(), 33u);
  EXPECT_EQ(2, file[25]) << "truecolour without alpha: every pixel opaque";
  EXPECT_EQ(std::string::npos, std::string(file.begin(), file.end()).find("tRNS")) << "and no transparent colour";
  testsupport::DecodedImage decoded;
  if (testsupport::ImageDecoderAvailable()) {
    ASSERT_TRUE(testsupport::DecodeImage(std::u16string(grabFile.begin(), grabFile.end()), &decoded));
    EXPECT_TRUE(testsupport::PixelsOfRgbDib(grab, 40).rgb == decoded.rgb) << "the picture, pixel for pixel";
  }

  // JPG, in the restart check: a smooth picture within a mean error of 3.
  choose(2);
  Bytes smooth = testsupport::InfoHeader(64, 32, 24, 0, 64 * 3 * 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) smooth.insert(smooth.end(), {std::uint8_t(x * 4), std::uint8_t(y * 8), std::uint8_t(128 + x)});
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(smooth));
  const std::wstring jpg = press(L"*.jpg", &file);
  ASSERT_FALSE(jpg.empty());
  if (testsupport::ImageDecoderAvailable()) {
    ASSERT_TRUE(testsupport::DecodeImage(std::u16string(jpg.begin(), jpg.end()), &decoded));
    const auto expected = testsupport::PixelsOfRgbDib(smooth, 40).rgb;
    ASSERT_EQ(expected.size(), decoded.rgb.size());
    double error[3] = {};
    for (std::size_t i = 0; i < expected.size(); ++i) error[i % 3] += std::abs(expected[i] - decoded.rgb[i]);
    for (double e : error) EXPECT_LE(e / (64 * 32), 3.0);
  }
  EXPECT_EQ(4u, e2e::FilesIn(folder).size()) << "one .bmp, two .png, one .jpg, no temporary file";
  EXPECT_EQ(0, tarnwick.Exit());
  ASSERT_TRUE(tarnwick.Start());
  main = tarnwick.MainWindow();
  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  EXPECT_EQ(2, SendMessageW(GetDlgItem(settings, kFormat), CB_GETCURSEL, 0, 0)) << "JPG, as stored";
  Click(settings, kCancel);
  EXPECT_TRUE(e2e::WaitForClosed(settings));
}

TEST_F(Dialogs, RefusedFolderKeyWithoutModifierAndKeyTakenKeepTheDialogOpen) {
  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);

  TypeSettings(settings, L"C:shots", MAKEWORD(VK_F9, kControlShift));
  Click(settings, kSave);
  ExpectBox(L"路径不合法或没有权限访问该路径", false, settings);
  EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(settings) != FALSE; }, 10000)) << "enabled again";

  // 230 characters, more than the 219 stored; cut there it would end on a
  // backslash and name a parent folder.
  std::wstring overlong = scratch + std::wstring(218 - scratch.size(), L'p') + L"\\";
  overlong += std::wstring(230 - overlong.size(), L'q');
  TypeSettings(settings, overlong, MAKEWORD(VK_F9, kControlShift));
  Click(settings, kSave);
  ExpectBox(L"路径不合法或没有权限访问该路径");
  EXPECT_FALSE(e2e::Exists(overlong.substr(0, 219))) << "no cut folder was made";

  // F5 alone, Control with no key, Control with the left Control key as key.
  for (WORD hotKey : {MAKEWORD(VK_F5, 0), MAKEWORD(0, HOTKEYF_CONTROL), MAKEWORD(VK_LCONTROL, HOTKEYF_CONTROL)}) {
    TypeSettings(settings, scratch + L"f5", hotKey);
    Click(settings, kSave);
    ExpectBox(L"必须使用一个组合键作为热键");
  }
  EXPECT_TRUE(e2e::Exists(scratch + L"f5\\")) << "the folder was made before the key was looked at";

  ASSERT_TRUE(RegisterHotKey(nullptr, 9, MOD_CONTROL | MOD_SHIFT, VK_F10));
  TypeSettings(settings, folder, MAKEWORD(VK_F10, kControlShift));
  Click(settings, kSave);
  ExpectBox(L"注册热键失败, 热键已被其他程序占用, 请设置其他热键");
  UnregisterHotKey(nullptr, 9);
  EXPECT_TRUE(IsWindowVisible(settings));

  Click(settings, kCancel);
  EXPECT_TRUE(e2e::WaitForClosed(settings)) << "Cancel registers the stored key and ends it";
  EXPECT_TRUE(HotKeySaves({VK_CONTROL}, VK_NUMPAD9, folder));
}

TEST_F(Dialogs, EachOpeningAndCancelLeavesTheKeyWorking) {
  for (int i = 0; i < 3; ++i) {
    HWND settings = OpenSettingsByLeftPress();
    ASSERT_NE(nullptr, settings) << i;
    Click(settings, kCancel);
    ASSERT_TRUE(e2e::WaitForClosed(settings)) << i;
  }
  EXPECT_TRUE(HotKeySaves({VK_CONTROL}, VK_NUMPAD9, folder));
}

TEST_F(Dialogs, CloseFromOutsideTakesTheCancelPath) {
  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  // While the dialog is open the key is free: another program takes it.
  ASSERT_TRUE(RegisterHotKey(nullptr, 5, MOD_CONTROL, VK_NUMPAD9));
  PostMessageW(settings, WM_CLOSE, 0, 0);
  ExpectBox(L"注册热键失败, 热键已被其他程序占用, 请设置其他热键");
  EXPECT_TRUE(IsWindowVisible(settings)) << "the key could not be restored: it stays open";

  UnregisterHotKey(nullptr, 5);
  PostMessageW(settings, WM_CLOSE, 0, 0);
  EXPECT_TRUE(e2e::WaitForClosed(settings));
  EXPECT_TRUE(HotKeySaves({VK_CONTROL}, VK_NUMPAD9, folder)) << "the key was registered again";
}

TEST_F(Dialogs, HelpAndAboutOpenOneOfEachNestedOverTheSettingsWhichKeepTheirKeyboard) {
  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuHelp));
  HWND help = e2e::WaitForDialog(tarnwick.Pid(), kHelpTitle);
  ASSERT_NE(nullptr, help);
  e2e::Screenshot(help, L"help");
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuAbout));
  HWND about = e2e::WaitForDialog(tarnwick.Pid(), kAboutTitle);
  ASSERT_NE(nullptr, about);

  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuHelp));
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuAbout));
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuSettings));
  ASSERT_TRUE(e2e::WaitUntilHandled(main));
  EXPECT_EQ(1u, e2e::Dialogs(tarnwick.Pid(), kHelpTitle).size());
  EXPECT_EQ(1u, e2e::Dialogs(tarnwick.Pid(), kAboutTitle).size());
  EXPECT_EQ(1u, e2e::Dialogs(tarnwick.Pid(), kSettingsTitle).size());

  ExpectControlsInTemplatePlaces(help, 136);
  ExpectControlsInTemplatePlaces(about, 131);
  RECT picture;
  GetClientRect(GetDlgItem(about, kAboutPicture), &picture);
  EXPECT_EQ(120, picture.right) << "the picture at its full size";
  EXPECT_EQ(120, picture.bottom);
  EXPECT_NE(0, GetWindowLongW(help, GWL_STYLE) & WS_SYSMENU) << "a close box";
  e2e::Screenshot(about, L"about");

  // Under both, the settings keep Tab and drop Esc and Enter. A click into
  // the folder field gives it the focus, as a person's would.
  HWND edit = GetDlgItem(settings, kPathEdit);
  PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PostMessageW(edit, WM_LBUTTONUP, 0, 0);
  ASSERT_TRUE(e2e::WaitUntil([&] { return FocusOn(settings) == edit; }, 10000));
  e2e::PostKey(edit, VK_TAB);
  EXPECT_TRUE(e2e::WaitUntil([&] { return FocusOn(settings) == GetDlgItem(settings, kBrowseButton); }, 10000))
      << "Tab goes on to the control beside it";
  for (int control : {kPathEdit, kHotKey, kSave}) {
    e2e::PostKey(GetDlgItem(settings, control), VK_ESCAPE);
    e2e::PostKey(GetDlgItem(settings, control), VK_RETURN);
  }
  ASSERT_TRUE(e2e::WaitUntilHandled(main));
  EXPECT_TRUE(IsWindowVisible(settings)) << "Esc and Enter do not end it";

  Click(about, kAboutClose);
  EXPECT_TRUE(e2e::WaitForClosed(about)) << "closed by its button";
  e2e::PostKey(GetDlgItem(help, kHelpClose), VK_ESCAPE);
  EXPECT_TRUE(e2e::WaitForClosed(help)) << "closed by Esc";
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuAbout));
  about = e2e::WaitForDialog(tarnwick.Pid(), kAboutTitle);
  ASSERT_NE(nullptr, about);
  PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(e2e::WaitForClosed(about)) << "closed by the close box";
  EXPECT_TRUE(IsWindowVisible(settings)) << "closing them has no other effect";
}

// The settings ended while About or Help, opened over it, still runs its
// loop: it goes at once and takes no second click.
TEST_F(Dialogs, SettingsEndedUnderAboutOrHelpIsGoneAtOnceAndTakesNoSecondClick) {
  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuAbout));
  HWND about = e2e::WaitForDialog(tarnwick.Pid(), kAboutTitle);
  ASSERT_NE(nullptr, about);
  Click(settings, kCancel);
  EXPECT_TRUE(e2e::WaitForClosed(settings)) << "取消 ends it while About is open";
  Click(settings, kCancel);
  ASSERT_TRUE(e2e::WaitUntilHandled(main));
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty()) << "a second 取消 does nothing";
  EXPECT_TRUE(HotKeySaves({VK_CONTROL}, VK_NUMPAD9, folder)) << "the stored key works again";
  Click(about, kAboutClose);
  ASSERT_TRUE(e2e::WaitForClosed(about));

  settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuHelp));
  HWND help = e2e::WaitForDialog(tarnwick.Pid(), kHelpTitle);
  ASSERT_NE(nullptr, help);
  const std::wstring chosen = scratch + L"chosen\\";
  TypeSettings(settings, chosen, MAKEWORD(VK_F9, kControlShift));
  Click(settings, kSave);
  ExpectBox(L"保存成功", true);
  EXPECT_TRUE(e2e::WaitForClosed(settings)) << "保存 ends it while Help is open";
  TypeSettings(settings, scratch + L"other", MAKEWORD(VK_F8, kControlShift));
  Click(settings, kSave);
  ASSERT_TRUE(e2e::WaitUntilHandled(main));
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty()) << "a second 保存 does nothing";
  Click(help, kHelpClose);
  ASSERT_TRUE(e2e::WaitForClosed(help));

  DWORD type = 0;
  Bytes path, keys;
  ASSERT_TRUE(e2e::ReadSetting(L"Path", &type, &path));
  EXPECT_EQ(chosen, std::wstring(reinterpret_cast<const wchar_t*>(path.data())));
  ASSERT_TRUE(e2e::ReadSetting(L"Keys", &type, &keys));
  EXPECT_EQ((Bytes{VK_F9, 0x00, kControlShift, 0x00}), keys);
  EXPECT_TRUE(HotKeySaves({VK_CONTROL, VK_SHIFT}, VK_F9, chosen)) << "the key of the first 保存 saves";
}

TEST_F(Dialogs, ExitWithEveryDialogOpenEndsTheProgramCleanly) {
  if (tray.observing()) {
    ASSERT_TRUE(e2e::WaitUntil([&] { return tray.icons() == 1; }, 10000));
  }
  ASSERT_NE(nullptr, OpenSettingsByLeftPress());
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuHelp));
  ASSERT_NE(nullptr, e2e::WaitForDialog(tarnwick.Pid(), kHelpTitle));
  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuAbout));
  HWND about = e2e::WaitForDialog(tarnwick.Pid(), kAboutTitle);
  ASSERT_NE(nullptr, about);

  HWND menu = e2e::OpenTrayMenu(main);
  ASSERT_NE(nullptr, menu);
  e2e::Screenshot(menu, L"tray-menu");
  e2e::PostKey(menu, VK_ESCAPE);
  ASSERT_TRUE(e2e::WaitForClosed(menu));

  ASSERT_TRUE(e2e::ChooseTrayMenuItem(main, e2e::kMenuExit));
  EXPECT_EQ(0, tarnwick.WaitForExit(10000));
  EXPECT_TRUE(RegisterHotKey(nullptr, 3, MOD_CONTROL, VK_NUMPAD9)) << "the key is free";
  UnregisterHotKey(nullptr, 3);
  if (!tray.observing()) GTEST_SKIP() << e2e::kTrayNotObservable;
  EXPECT_EQ(0, tray.icons()) << "no icon left";
}

}  // namespace

namespace {

// The platform's folder picker opened by the browse button: the one visible
// dialog of the program besides the settings that is not a message box.
HWND WaitForPicker(DWORD pid, HWND settings) {
  HWND picker = nullptr;
  e2e::WaitUntil(
      [&] {
        for (HWND w : e2e::VisibleWindows(pid)) {
          wchar_t cls[16] = {};
          GetClassNameW(w, cls, 16);
          if (w != settings && lstrcmpW(cls, L"#32770") == 0 && GetDlgItem(w, 0xFFFF) == nullptr) picker = w;
        }
        return picker != nullptr;
      },
      10000);
  return picker;
}

TEST_F(Dialogs, BrowseButtonPutsTheFolderChosenInThePickerIntoTheField) {
  HWND settings = OpenSettingsByLeftPress();
  ASSERT_NE(nullptr, settings);
  HWND edit = GetDlgItem(settings, kPathEdit);
  HWND browse = FindWindowExW(settings, nullptr, L"Button", L"...");
  ASSERT_NE(nullptr, browse);

  PostMessageW(browse, BM_CLICK, 0, 0);
  HWND picker = WaitForPicker(tarnwick.Pid(), settings);
  ASSERT_NE(nullptr, picker) << "the folder picker opens";
  e2e::Screenshot(picker, L"folder-picker");
  PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(e2e::WaitForClosed(picker));
  EXPECT_EQ(folder, Text(edit)) << "cancelling the picker changes nothing";

  const std::wstring chosen = scratch + L"picked";
  ASSERT_TRUE(CreateDirectoryW(chosen.c_str(), nullptr));
  PostMessageW(browse, BM_CLICK, 0, 0);
  picker = WaitForPicker(tarnwick.Pid(), settings);
  ASSERT_NE(nullptr, picker);
  // Typed into the picker's name field and confirmed, as a person would.
  HWND name = FindWindowExW(picker, nullptr, L"Edit", nullptr);
  ASSERT_NE(nullptr, name);
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
  PostMessageW(picker, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(e2e::WaitUntil([&] { return Text(edit) == chosen; }, 10000)) << Text(edit).c_str();
  if (IsWindow(picker) && IsWindowVisible(picker)) PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace
