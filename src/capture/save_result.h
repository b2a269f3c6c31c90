// The outcome of one save, what went wrong in it, and the text the user is
// shown for it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

enum SaveResult : std::uint32_t {
  SAVE_OK = 0,
  SAVE_ERR_CREATE_DIR = 1,
  SAVE_ERR_SAVE_DIR = 2,
  SAVE_ERR_OPEN_CLIPBOARD = 3,
  SAVE_NO_BITMAP = 4,
  SAVE_ERR_FILE_NAME = 5,
  SAVE_ERR_CREATE_FILE = 6,
  SAVE_ERR_BITMAP_DATA = 7,
  SAVE_ERR_WRITE_FILE = 8,
  // Beyond the codes above, which a save's failures keep:
  SAVE_SKIPPED_PRIVATE = 100,  // a new picture marked private: left alone, nothing shown
  SAVE_REFUSED_BUSY = 101,     // too many pictures waiting to be written: refused and told
};

// What a save ended with, and where and why it failed: enough for a message.
struct SaveFault {
  SaveFault() = default;
  SaveFault(SaveResult result, std::u16string where = {}, std::uint32_t error = 0)
      : result(result), where(std::move(where)), error(error) {}

  SaveResult result = SAVE_OK;
  // The folder that could not be had or made, or the file's final path
  // (never its temporary name); empty where neither applies.
  std::u16string where;
  // The Windows error of the call that failed (GetLastError); 0 when none.
  std::uint32_t error = 0;
  // The program that held the clipboard open, by its file name; empty when
  // none was found or it could not be named.
  std::u16string holder;
};

// "NOERROR" marks success (and a clipboard without a bitmap): nothing is shown.
extern const char16_t kNoErrorText[];

// The text for a result; any value that is none of the above gives the
// undefined-error text. Every text fits a 50-unit buffer with its NUL.
const char16_t* SaveResultText(SaveResult result);
