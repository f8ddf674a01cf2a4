#include <windows.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "config/state_win.h"
#include "text/resource_text.h"
#include "text/strings.h"

char* LoadResourceText(int entry) {
  char buffer[1000];
  int length = LoadStringA(gInstance, UINT(entry), buffer, sizeof buffer);
  if (length < 0) length = 0;
  char* text = static_cast<char*>(std::malloc(size_t(length) + 2));
  if (text != nullptr) {
    std::memcpy(text, buffer, size_t(length));
    text[length] = '\0';
  }
  return text;
}

char* FormatResourceMessage(int entry, ...) {
  char* pattern = LoadResourceText(entry);
  if (pattern == nullptr) return nullptr;

  va_list args;
  va_start(args, entry);
  char* formatted = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                pattern, 0, 0, reinterpret_cast<char*>(&formatted), 0, &args);
  va_end(args);
  std::free(pattern);

  char* result = DuplicateString(length != 0 && formatted != nullptr ? formatted : "");
  if (formatted != nullptr) LocalFree(formatted);
  return result;
}
