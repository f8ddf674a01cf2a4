#include <windows.h>

#include "ui/assert.h"

void AssertionFailed(const char* expression, const char* source, int line) {
  char text[1100];
  wsprintfA(text, "Assertion failed: %.400s\r\nSource: %.100s, line %d", expression, source, line);
  // Task-modal with no owner: every window of the program is disabled while it shows.
  MessageBoxA(nullptr, text, "Setup", MB_OK | MB_ICONSTOP | MB_TASKMODAL | MB_SETFOREGROUND);
  ExitProcess(kAssertionExitCode);
}
