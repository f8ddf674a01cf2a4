#include "tools/mksetup/window_file.h"

#include "payload/crc32.h"
#include "payload/inflate.h"
#include "payload/writer_state.h"
#include "setup/state.h"
#include "text/status.h"

namespace {

std::FILE* gWindowFile = nullptr;

}  // namespace

void SetWindowFile(std::FILE* file) { gWindowFile = file; }

int FlushWindow() {
  gRunningCrc = UpdateCrc32(gRunningCrc, gWindow, gWindowFill);
  if (gWriteFailed || gWindowFill == 0) return statusOk;
  if (std::fwrite(gWindow, 1, gWindowFill, gWindowFile) != gWindowFill) gWriteFailed = 1;
  return statusOk;
}
