#include <cstdio>
#include <cstdlib>

#include "ui/assert.h"

void AssertionFailed(const char* expression, const char* source, int line) {
  std::fprintf(stderr, "Assertion failed: %s\nSource: %s, line %d\n", expression, source, line);
  std::fflush(stderr);
  std::_Exit(kAssertionExitCode);
}
