#include "capture/save_file_name.h"

#include "common/safe_format.h"

int MakeSaveFileName(const platform::LocalTime& time, char16_t* buffer, std::size_t count, int copy) {
  if (copy <= 1) {
    return SafeFormat(buffer, count, u"%d-%d-%d_%d-%d-%02d.bmp", int{time.year}, int{time.month}, int{time.day},
                      int{time.hour}, int{time.minute}, int{time.second});
  }
  return SafeFormat(buffer, count, u"%d-%d-%d_%d-%d-%02d (%d).bmp", int{time.year}, int{time.month},
                    int{time.day}, int{time.hour}, int{time.minute}, int{time.second}, copy);
}
