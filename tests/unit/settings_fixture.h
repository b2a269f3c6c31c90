// A fake platform, handed to the settings code (never installed: it takes
// the platform by reference), with the settings and hot-key state as the
// process starts, and helpers to look at the stored values.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/app_state.h"
#include "common/bounded_text.h"
#include "fake/fake_platform.h"
#include "settings/settings_store.h"
#include "unit/app_state_reset.h"

class SettingsFixture : public ::testing::Test {
 protected:
  SettingsFixture() {
    ResetAppState();
    g_hMainWnd = &window;
  }

  // The 440 bytes a folder buffer holding `text`, its NUL and zeros has.
  static fake::Bytes FolderBytes(const std::u16string& text) {
    fake::Bytes bytes(440, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
      bytes[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    return bytes;
  }

  // A REG_SZ's bytes: the text and its NUL.
  static fake::Bytes StringBytes(const std::u16string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return fake::Bytes(bytes, bytes + (text.size() + 1) * sizeof(char16_t));
  }

  static fake::Bytes Word(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  }

  static fake::Bytes MemoryBytes() {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(g_szPath);
    return fake::Bytes(bytes, bytes + sizeof g_szPath);
  }

  // Changes the settings in memory through their one writer.
  template <typename Change>
  static void InMemory(Change change) {
    PersistedSettings settings = CurrentSettings();
    change(settings);
    ApplySettings(settings);
  }
  static void SetKeys(std::uint32_t keys) {
    InMemory([&](PersistedSettings& s) { s.keys = keys; });
  }

  void Store(const char16_t* name, std::uint32_t type, const fake::Bytes& data) {
    os.registry.Put(kSettingsKey, name, type, data);
  }

  std::optional<fake::FakeRegistry::Value> Stored(const char16_t* name) const {
    return os.registry.Get(kSettingsKey, name);
  }

  fake::FakePlatform os;
  int window = 0;  // its address stands for the main window
  const std::u16string defaultFolder = u"C:\\users\\tester\\Desktop\\screenshots\\";
};
