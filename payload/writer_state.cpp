#include "payload/writer_state.h"

int gWriteFailed = 0;
uint32_t gRunningCrc = 0xFFFFFFFFu;
int (*gWindowSink)() = nullptr;
