#include "capture/save_result.h"

#include "common/texts.h"

const char16_t kNoErrorText[] = u"NOERROR";

const char16_t* SaveResultText(SaveResult result) {
  switch (result) {
    case SAVE_OK:
    case SAVE_NO_BITMAP:
    case SAVE_SKIPPED_PRIVATE:
      return kNoErrorText;
    case SAVE_REFUSED_BUSY:
      return kTooManySavesText;
    case SAVE_ERR_CREATE_DIR:
      return kCreateDirFailedText;
    case SAVE_ERR_SAVE_DIR:
      return kSaveDirFailedText;
    case SAVE_ERR_OPEN_CLIPBOARD:
      return kOpenClipboardFailedText;
    case SAVE_ERR_FILE_NAME:
      return kFileNameFailedText;
    case SAVE_ERR_CREATE_FILE:
      return kCreateFileFailedText;
    case SAVE_ERR_BITMAP_DATA:
      return kBitmapDataFailedText;
    case SAVE_ERR_WRITE_FILE:
      return kWriteFileFailedText;
  }
  return kUndefinedErrorText;
}
