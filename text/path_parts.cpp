#include "text/path_parts.h"

#include "text/code_page.h"

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

size_t FindPathSeparator(const char* path, size_t from) {
  size_t i = from;
  while (path[i] != '\0') {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
      i += 2;
    } else if (IsPathSeparator(path[i])) {
      return i;
    } else {
      ++i;
    }
  }
  return i;
}

PathParts SplitPath(const char* path) {
  PathParts parts = {0, 0, 0, 0};
  if (path[0] != '\0' && path[1] == ':') parts.driveEnd = 2;

  size_t i = FindPathSeparator(path, parts.driveEnd);
  parts.folderEnd = parts.driveEnd;
  while (path[i] != '\0') {
    parts.folderEnd = i + 1;
    i = FindPathSeparator(path, i + 1);
  }
  parts.length = i;

  // The name holds no separator, so only the double-byte rule matters here.
  parts.nameEnd = parts.length;
  for (size_t j = parts.folderEnd; j < parts.length; ++j) {
    if (IsLeadByte(static_cast<unsigned char>(path[j])) && path[j + 1] != '\0') {
      ++j;
    } else if (path[j] == '.') {
      parts.nameEnd = j;
    }
  }
  return parts;
}
