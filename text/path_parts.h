// Paths as the system reads them: levels separated by "\" or "/", where the second
// byte of a double-byte character is never taken for a separator. Every walk over
// the levels of a path goes through FindPathSeparator, so that splitting a path and
// making its folders never disagree.
#pragma once

#include <cstddef>

bool IsPathSeparator(char c);

// Index of the first separator at or after from, which is at a character boundary;
// the index of the terminator when there is none.
size_t FindPathSeparator(const char* path, size_t from);

// Drive [0, driveEnd), folder [driveEnd, folderEnd) with its trailing separator,
// name [folderEnd, nameEnd), extension [nameEnd, length) with its dot.
struct PathParts {
  size_t driveEnd;
  size_t folderEnd;
  size_t nameEnd;
  size_t length;
};

PathParts SplitPath(const char* path);
