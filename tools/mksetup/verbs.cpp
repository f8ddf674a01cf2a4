#include "tools/mksetup/verbs.h"

#include <cstdio>

int UsageError(const char* problem, const char* usage) {
  std::fprintf(stderr, "mksetup: %s\nusage: mksetup %s\n", problem, usage);
  return kToolFailure;
}
