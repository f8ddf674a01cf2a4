#include "uninstall/command_line.h"

#include <cstdlib>
#include <cstring>

#include "text/path_parts.h"
#include "text/strings.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// The next argument without its quotes, as a new heap string; *at moves past it.
// None at the end of the line.
char* NextArgument(const char** at, bool* noMemory) {
  const char* p = *at;
  while (IsBlank(*p)) ++p;
  if (*p == '\0') return nullptr;
  char* argument = static_cast<char*>(std::malloc(std::strlen(p) + 1));
  if (argument == nullptr) {
    *noMemory = true;
    return nullptr;
  }
  size_t length = 0;
  bool quoted = false;
  for (; *p != '\0' && (quoted || !IsBlank(*p)); ++p) {
    if (*p == '"') {
      quoted = !quoted;
    } else {
      argument[length++] = *p;
    }
  }
  argument[length] = '\0';
  *at = p;
  return argument;
}

// Whether argument begins with the option's name, in any letter case.
bool HasOptionName(const char* argument, const char* name) {
  for (; *name != '\0'; ++name, ++argument) {
    if (FoldCase(*argument) != *name) return false;
  }
  return true;
}

}  // namespace

int ParseUninstallCommandLine(const char* commandLine, UninstallOptions* out) {
  *out = UninstallOptions{};
  bool noMemory = false;
  const char* at = commandLine;
  std::free(NextArgument(&at, &noMemory));  // the program
  int result = commandLineOk;
  while (result == commandLineOk) {
    char* argument = NextArgument(&at, &noMemory);
    if (argument == nullptr) break;
    if (argument[0] == '/' && FoldCase(argument[1]) == 'S' && argument[2] == '\0') {
      out->silent = true;
      std::free(argument);
    } else if (HasOptionName(argument, "/LOG=") && argument[5] != '\0' && out->textLog == nullptr) {
      out->textLog = DuplicateString(argument + 5);
      if (out->textLog == nullptr) noMemory = true;
      std::free(argument);
    } else if (argument[0] != '/' && out->logName == nullptr) {
      out->logName = argument;
    } else {
      std::free(argument);
      result = commandLineBad;
    }
    if (noMemory) result = commandLineNoMemory;
  }
  if (noMemory) result = commandLineNoMemory;
  if (result == commandLineOk && out->logName == nullptr) {
    out->logName = DuplicateString("uninstal.l0g");
    if (out->logName == nullptr) result = commandLineNoMemory;
  }
  if (result != commandLineOk) FreeUninstallOptions(out);
  return result;
}

void FreeUninstallOptions(UninstallOptions* options) {
  std::free(options->logName);
  std::free(options->textLog);
  *options = UninstallOptions{};
}

char* ResolveLogPath(const char* programFolder, const char* logName) {
  const bool full = IsPathSeparator(logName[0]) || (logName[0] != '\0' && logName[1] == ':');
  if (full) return DuplicateString(logName);
  // A folder ending in a double-byte character whose second byte is "\" has no
  // separator at its end.
  size_t last = FindPathSeparator(programFolder, 0);
  for (size_t next = last; programFolder[next] != '\0'; next = FindPathSeparator(programFolder, next + 1)) {
    last = next;
  }
  const bool separated = programFolder[last] != '\0' && programFolder[last + 1] == '\0';
  return ConcatStrings(programFolder, separated ? "" : "\\", logName, nullptr);
}
