// Reads an extended dialog template (DLGTEMPLATEEX) as stored in a program's
// resources, so tests can compare every field with what it must be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct DialogItem {
  std::uint32_t helpId = 0;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::int32_t id = 0;
  std::u16string windowClass;  // a name, or "#N" for a predefined class by number
  std::u16string title;        // a text, or "#N" for a resource by number
  std::uint16_t extraCount = 0;
};

struct DialogTemplate {
  bool valid = false;
  std::uint32_t helpId = 0;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::u16string menu;
  std::u16string windowClass;
  std::u16string title;
  std::uint16_t pointSize = 0;
  std::uint16_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t charset = 0;
  std::u16string typeface;
  std::vector<DialogItem> items;
};

DialogTemplate ParseDialogTemplate(const std::uint8_t* data, std::size_t size);

}  // namespace testsupport
