#include "text/strings.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

char* DuplicateString(const char* text) {
  size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(size));
  if (copy != nullptr) {
    std::memcpy(copy, text, size);
  }
  return copy;
}

char* ConcatStrings(const char* first, ...) {
  size_t total = std::strlen(first);
  va_list args;
  va_start(args, first);
  for (const char* s = va_arg(args, const char*); s != nullptr; s = va_arg(args, const char*)) {
    total += std::strlen(s);
  }
  va_end(args);

  char* result = static_cast<char*>(std::malloc(total + 1));
  if (result == nullptr) {
    return nullptr;
  }
  size_t used = std::strlen(first);
  std::memcpy(result, first, used);
  va_start(args, first);
  for (const char* s = va_arg(args, const char*); s != nullptr; s = va_arg(args, const char*)) {
    size_t length = std::strlen(s);
    std::memcpy(result + used, s, length);
    used += length;
  }
  va_end(args);
  result[used] = '\0';
  return result;
}
