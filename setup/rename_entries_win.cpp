#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "setup/rename_entries.h"
#include "text/code_page.h"
#include "text/strings.h"

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

bool AddRenameEntry(const char* iniPath, const char* destination, const char* source) {
  char* line = ConcatStrings(destination, "=", source, "\r\n", nullptr);
  if (line == nullptr) return false;
  bool added = AddRenameLines(iniPath, line);
  std::free(line);
  return added;
}

bool AddRenamePair(const char* iniPath, const char* target, const char* source) {
  char* lines = ConcatStrings("NUL=", target, "\r\n", target, "=", source, "\r\n", nullptr);
  if (lines == nullptr) return false;
  bool added = AddRenameLines(iniPath, lines);
  std::free(lines);
  return added;
}

char* ToShortPath(const char* path) {
  // Short names are never longer than their long names.
  char* out = static_cast<char*>(std::malloc(std::strlen(path) + 1));
  if (out == nullptr) return nullptr;
  size_t used = 0;
  const char* p = path;
  for (;;) {
    size_t componentStart = used;
    while (*p != '\0' && *p != '\\') {
      if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') out[used++] = *p++;
      out[used++] = *p++;
    }
    out[used] = '\0';
    // A bare drive such as "C:" is never looked up.
    if (used > 2) {
      WIN32_FIND_DATAA found;
      HANDLE search = FindFirstFileA(out, &found);
      if (search != INVALID_HANDLE_VALUE) {
        size_t shortLength = std::strlen(found.cAlternateFileName);
        if (shortLength != 0 && componentStart + shortLength <= used) {
          std::memcpy(out + componentStart, found.cAlternateFileName, shortLength + 1);
          used = componentStart + shortLength;
        }
        FindClose(search);
      }
    }
    if (*p == '\0') break;
    out[used++] = *p++;  // the backslash
  }
  out[used] = '\0';
  return out;
}
