#include "capture/save_result.h"

const char16_t kNoErrorText[] = u"NOERROR";

const char16_t* SaveResultText(SaveResult result) {
  switch (result) {
    case SAVE_OK:
    case SAVE_NO_BITMAP:
      return kNoErrorText;
    case SAVE_ERR_CREATE_DIR:
      return u"创建目录失败";
    case SAVE_ERR_SAVE_DIR:
      return u"获取保存目录失败";
    case SAVE_ERR_OPEN_CLIPBOARD:
      return u"打开剪切板失败";
    case SAVE_ERR_FILE_NAME:
      return u"获取文件名失败";
    case SAVE_ERR_CREATE_FILE:
      return u"创建文件失败";
    case SAVE_ERR_BITMAP_DATA:
      return u"获取剪切板位图数据失败";
    case SAVE_ERR_WRITE_FILE:
      return u"写入文件失败";
  }
  return u"程序出现未定义的错误, 您可以通过此程序的\"关于\"窗口获得作者的联系方式, 反馈问题";
}
