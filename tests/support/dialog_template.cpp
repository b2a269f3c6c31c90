#include "support/dialog_template.h"

#include <string>

namespace testsupport {
namespace {

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }

  std::uint16_t U16() {
    if (at_ + 2 > size_) return Fail();
    const std::uint16_t v = static_cast<std::uint16_t>(data_[at_] | data_[at_ + 1] << 8);
    at_ += 2;
    return v;
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
  }
  std::uint8_t U8() {
    if (at_ + 1 > size_) return static_cast<std::uint8_t>(Fail());
    return data_[at_++];
  }
  // A text, or 0xFFFF and an ordinal (written "#N"), or empty.
  std::u16string TextOrOrdinal() {
    const std::uint16_t first = U16();
    if (first == 0xFFFF) {
      const std::string n = std::to_string(U16());
      return u"#" + std::u16string(n.begin(), n.end());
    }
    std::u16string text;
    for (std::uint16_t c = first; ok_ && c != 0; c = U16()) text += static_cast<char16_t>(c);
    return text;
  }
  void AlignTo4() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }
  void Skip(std::size_t n) { at_ += n; if (at_ > size_) Fail(); }

 private:
  std::uint16_t Fail() {
    ok_ = false;
    at_ = size_;
    return 0;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

}  // namespace

DialogTemplate ParseDialogTemplate(const std::uint8_t* data, std::size_t size) {
  DialogTemplate t;
  Reader r(data, size);
  if (r.U16() != 1 || r.U16() != 0xFFFF) return t;  // not an extended template
  t.helpId = r.U32();
  t.exStyle = r.U32();
  t.style = r.U32();
  const std::uint16_t count = r.U16();
  t.x = static_cast<std::int16_t>(r.U16());
  t.y = static_cast<std::int16_t>(r.U16());
  t.cx = static_cast<std::int16_t>(r.U16());
  t.cy = static_cast<std::int16_t>(r.U16());
  t.menu = r.TextOrOrdinal();
  t.windowClass = r.TextOrOrdinal();
  t.title = r.TextOrOrdinal();
  if (t.style & 0x40) {  // DS_SETFONT
    t.pointSize = r.U16();
    t.weight = r.U16();
    t.italic = r.U8();
    t.charset = r.U8();
    t.typeface = r.TextOrOrdinal();
  }
  for (std::uint16_t i = 0; i < count && r.ok(); ++i) {
    r.AlignTo4();
    DialogItem item;
    item.helpId = r.U32();
    item.exStyle = r.U32();
    item.style = r.U32();
    item.x = static_cast<std::int16_t>(r.U16());
    item.y = static_cast<std::int16_t>(r.U16());
    item.cx = static_cast<std::int16_t>(r.U16());
    item.cy = static_cast<std::int16_t>(r.U16());
    item.id = static_cast<std::int32_t>(r.U32());
    item.windowClass = r.TextOrOrdinal();
    item.title = r.TextOrOrdinal();
    item.extraCount = r.U16();
    r.Skip(item.extraCount);
    t.items.push_back(item);
  }
  t.valid = r.ok();
  return t;
}

}  // namespace testsupport
