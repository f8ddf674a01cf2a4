#include "payload/path_parts.h"

#include "text/code_page.h"

PathParts SplitPath(const char* path) {
  PathParts parts = {0, 0, 0, 0};
  if (path[0] != '\0' && path[1] == ':') parts.driveEnd = 2;

  size_t lastSeparator = 0;  // one past it; 0 for none
  size_t lastDot = 0;        // one past it, within the last component; 0 for none
  size_t i = parts.driveEnd;
  while (path[i] != '\0') {
    unsigned char byte = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(byte) && path[i + 1] != '\0') {
      i += 2;
      continue;
    }
    if (byte == '\\' || byte == '/') {
      lastSeparator = i + 1;
      lastDot = 0;
    } else if (byte == '.') {
      lastDot = i + 1;
    }
    ++i;
  }
  parts.length = i;
  parts.folderEnd = lastSeparator > parts.driveEnd ? lastSeparator : parts.driveEnd;
  parts.nameEnd = lastDot != 0 ? lastDot - 1 : parts.length;
  return parts;
}
