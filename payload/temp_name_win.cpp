#include <windows.h>

#include "payload/temp_name.h"

namespace {

bool NameTaken(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

char* MakeTempName(const char* path, const char* prefix) {
  return MakeTempNameProbing(path, prefix, NameTaken);
}
