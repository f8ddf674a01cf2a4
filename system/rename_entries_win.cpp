#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "system/rename_entries.h"
#include "text/path_parts.h"

namespace {

// WININIT.INI is a few lines; anything near this size is not one.
constexpr DWORD kLargestIniFile = 16u << 20;

// Inserts the lines into the file's section and writes the whole text back.
bool AddRenameLines(const char* iniPath, const char* lines) {
  HANDLE file = CreateFileA(iniPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;

  bool written = false;
  DWORD size = GetFileSize(file, nullptr);
  size_t linesLength = std::strlen(lines);
  char* text = size < kLargestIniFile
                   ? static_cast<char*>(std::malloc(RenameTextCapacity(size, linesLength)))
                   : nullptr;
  DWORD read = 0;
  if (text != nullptr && ReadFile(file, text, size, &read, nullptr) && read == size) {
    size_t length = InsertRenameLines(text, size, lines, linesLength);
    DWORD done = 0;
    // The text only grows, so writing it from the start leaves nothing of the old one.
    written = SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
              WriteFile(file, text, DWORD(length), &done, nullptr) && done == length;
  }
  std::free(text);
  if (!CloseHandle(file)) written = false;
  return written;
}

}  // namespace

bool AddRenameEntries(const char* iniPath, const RenameEntry* entries, size_t count) {
  size_t linesLength = 0;
  for (size_t i = 0; i < count; ++i) {
    linesLength += std::strlen(entries[i].destination) + std::strlen(entries[i].source) + 3;
  }
  char* lines = static_cast<char*>(std::malloc(linesLength + 1));
  if (lines == nullptr) return false;
  char* end = lines;
  for (size_t i = 0; i < count; ++i) {
    const char* const parts[] = {entries[i].destination, "=", entries[i].source, "\r\n"};
    for (const char* part : parts) {
      size_t partLength = std::strlen(part);
      std::memcpy(end, part, partLength);
      end += partLength;
    }
  }
  *end = '\0';
  bool added = AddRenameLines(iniPath, lines);
  std::free(lines);
  return added;
}

char* ToShortPath(const char* path) {
  // An alias may be longer than its long name ("a b" is "AB~1", "x.y.z" is "XYZ~1.Z"),
  // but never longer than 8.3: room for one per level.
  constexpr size_t kLongestAlias = 12;
  size_t levels = 1;
  for (size_t i = FindPathSeparator(path, 0); path[i] != '\0'; i = FindPathSeparator(path, i + 1)) {
    ++levels;
  }
  char* out = static_cast<char*>(std::malloc(std::strlen(path) + levels * kLongestAlias + 1));
  if (out == nullptr) return nullptr;
  size_t used = 0;
  for (size_t start = 0;;) {
    const size_t end = FindPathSeparator(path, start);
    const size_t componentStart = used;
    std::memcpy(out + used, path + start, end - start);
    used += end - start;
    out[used] = '\0';
    // A bare drive such as "C:" is never looked up.
    if (used > 2) {
      WIN32_FIND_DATAA found;
      HANDLE search = FindFirstFileA(out, &found);
      if (search != INVALID_HANDLE_VALUE) {
        size_t shortLength = strnlen(found.cAlternateFileName, kLongestAlias + 1);
        if (shortLength != 0 && shortLength <= kLongestAlias) {
          std::memcpy(out + componentStart, found.cAlternateFileName, shortLength + 1);
          used = componentStart + shortLength;
        }
        FindClose(search);
      }
    }
    if (path[end] == '\0') break;
    out[used++] = path[end];  // the separator
    start = end + 1;
  }
  out[used] = '\0';
  return out;
}
