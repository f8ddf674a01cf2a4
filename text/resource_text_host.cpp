// The string table for programs built without Windows resources: the English
// entries, generated from the same resource script.
#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/resource_text.h"
#include "text/strings.h"

namespace {

struct StringEntry {
  int number;
  const char* text;
};

const StringEntry kEnglishStrings[] = {
#include "string_table_en.inc"
};

}  // namespace

char* LoadResourceText(int entry) {
  const char* text = "";
  for (const StringEntry& e : kEnglishStrings) {
    if (e.number == entry) text = e.text;
  }
  size_t length = std::strlen(text);
  if (length > 999) length = 999;
  char* copy = static_cast<char*>(std::malloc(length + 2));
  if (copy != nullptr) {
    std::memcpy(copy, text, length);
    copy[length] = '\0';
  }
  return copy;
}

char* FormatResourceMessage(int entry, ...) {
  char* pattern = LoadResourceText(entry);
  if (pattern == nullptr) return nullptr;
  const char* args[9] = {};
  va_list list;
  va_start(list, entry);
  int used = 0;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] >= '1' && p[1] <= '9') used = std::max(used, p[1] - '0');
  }
  for (int i = 0; i < used; ++i) args[i] = va_arg(list, const char*);
  va_end(list);

  std::string result;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p != '%' || p[1] == '\0') {
      result += *p;
    } else if (p[1] >= '1' && p[1] <= '9') {
      result += args[p[1] - '1'] != nullptr ? args[p[1] - '1'] : "";
      ++p;
    } else if (p[1] == 'n') {
      result += "\r\n";
      ++p;
    } else {
      result += p[1];
      ++p;
    }
  }
  std::free(pattern);
  return DuplicateString(result.c_str());
}
