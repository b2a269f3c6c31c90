#include "common/safe_format.h"

namespace {

class BoundedWriter {
 public:
  BoundedWriter(char16_t* buffer, std::size_t count) : buffer_(buffer), count_(count) {}

  bool Put(char16_t unit) {
    // Keep one unit free for the NUL.
    if (written_ + 1 >= count_) return false;
    buffer_[written_++] = unit;
    return true;
  }

  std::size_t Written() const { return written_; }
  void Terminate() { buffer_[written_] = u'\0'; }

 private:
  char16_t* buffer_;
  std::size_t count_;
  std::size_t written_ = 0;
};

bool PutNumber(BoundedWriter& out, int value, int width, bool zeroPad) {
  char16_t digits[12];
  int length = 0;
  // Work in unsigned so that INT_MIN has a magnitude.
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    digits[length++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const int signLength = value < 0 ? 1 : 0;
  const int padding = width > length + signLength ? width - length - signLength : 0;

  if (!zeroPad) {
    for (int i = 0; i < padding; ++i)
      if (!out.Put(u' ')) return false;
  }
  if (value < 0 && !out.Put(u'-')) return false;
  if (zeroPad) {
    for (int i = 0; i < padding; ++i)
      if (!out.Put(u'0')) return false;
  }
  while (length > 0)
    if (!out.Put(digits[--length])) return false;
  return true;
}

}  // namespace

int SafeFormatArguments(char16_t* buffer, std::size_t count, const char16_t* format,
                        const FormatArgument* arguments, std::size_t argumentCount) {
  if (buffer == nullptr || count == 0) return -1;
  BoundedWriter out(buffer, count);
  std::size_t next = 0;
  bool ok = true;

  for (const char16_t* p = format; ok && *p != u'\0'; ++p) {
    if (*p != u'%') {
      ok = out.Put(*p);
      continue;
    }
    ++p;
    if (*p == u'%') {
      ok = out.Put(u'%');
      continue;
    }
    const bool zeroPad = *p == u'0';
    if (zeroPad) ++p;
    int width = 0;
    while (*p >= u'0' && *p <= u'9' && width < 1000) width = width * 10 + (*p++ - u'0');

    if (next >= argumentCount) {
      ok = false;
    } else if (*p == u's' && width == 0 && !zeroPad &&
               arguments[next].kind == FormatArgument::Kind::kText && arguments[next].text != nullptr) {
      for (const char16_t* t = arguments[next++].text; ok && *t != u'\0'; ++t) ok = out.Put(*t);
    } else if (*p == u'd' && arguments[next].kind == FormatArgument::Kind::kNumber) {
      ok = PutNumber(out, arguments[next++].number, width, zeroPad);
    } else {
      ok = false;  // unknown conversion, or an argument of the wrong kind
    }
  }

  if (!ok) {
    buffer[0] = u'\0';
    return -1;
  }
  out.Terminate();
  return static_cast<int>(out.Written());
}
