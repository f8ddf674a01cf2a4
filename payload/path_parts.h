// Splitting a path into drive, folder, name and extension without copying it.
#pragma once

#include <cstddef>

// Drive [0, driveEnd), folder [driveEnd, folderEnd) with its trailing backslash,
// name [folderEnd, nameEnd), extension [nameEnd, length) with its dot.
struct PathParts {
  size_t driveEnd;
  size_t folderEnd;
  size_t nameEnd;
  size_t length;
};

// Separators are "\" and "/"; the second byte of a double-byte character is never
// taken for one.
PathParts SplitPath(const char* path);
