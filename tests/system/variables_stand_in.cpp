// TEST DOUBLE for the variable table, so that the system tests link before the real
// table exists: SetVariable, GetVariable and ExpandVariables over a std::map.
// Remove it from the tests' sources once text/ provides the real table.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "text/strings.h"
#include "text/variables.h"

namespace {

struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
  }
};

std::map<std::string, std::string, NoCase>& Table() {
  static std::map<std::string, std::string, NoCase> table;
  return table;
}

}  // namespace

int SetVariable(const char* name, const char* value) {
  Table()[name] = value;
  return 0;
}

char* GetVariable(const char* name) {
  auto it = Table().find(name);
  return it == Table().end() ? nullptr : DuplicateString(it->second.c_str());
}

char* ExpandVariables(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0';) {
    if (p[0] == '$' && p[1] == '(') {
      const char* name = p + 2;
      const char* end = std::strchr(name, ')');
      if (end == nullptr) end = name + std::strlen(name);
      auto it = Table().find(std::string(name, end));
      if (it != Table().end()) out += it->second;
      p = *end == ')' ? end + 1 : end;
    } else {
      out += *p++;
    }
  }
  return DuplicateString(out.c_str());
}
