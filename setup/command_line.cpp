#include "setup/command_line.h"

#include <cstdlib>
#include <cstring>

#include "text/strings.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Whether the switch text starts with name, in any letter case; *rest is what follows.
bool Takes(const char* text, const char* name, const char** rest) {
  size_t i = 0;
  for (; name[i] != '\0'; ++i) {
    if (Upper(text[i]) != name[i]) return false;
  }
  *rest = text + i;
  return true;
}

// A copy of [start, end) with surrounding quotes removed.
char* Unquoted(const char* start, const char* end) {
  if (end - start >= 2 && *start == '"' && end[-1] == '"') {
    ++start;
    --end;
  }
  char* copy = static_cast<char*>(std::malloc(size_t(end - start) + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, start, size_t(end - start));
  copy[end - start] = '\0';
  return copy;
}

// A positive number of at most four digits, or -1.
int SmallNumber(const char* start, const char* end) {
  if (start == end || end - start > 4) return -1;
  int n = 0;
  for (const char* p = start; p != end; ++p) {
    if (*p < '0' || *p > '9') return -1;
    n = n * 10 + (*p - '0');
  }
  return n > 0 ? n : -1;
}

bool ParseComponents(const char* start, const char* end, CommandLine* out) {
  std::memset(out->componentBits, 0, sizeof out->componentBits);
  while (start < end) {
    const char* comma = start;
    while (comma != end && *comma != ',') ++comma;
    const int n = SmallNumber(start, comma);
    if (n < 1 || n > kMaxComponents) return false;
    out->componentBits[(n - 1) / 8] |= uint8_t(1u << ((n - 1) % 8));
    start = comma == end ? end : comma + 1;
    if (comma != end && start == end) return false;  // a trailing comma
  }
  out->components = true;
  return true;
}

bool SetVariablePreset(CommandLine* out, char* name, char* value) {
  if (name == nullptr || value == nullptr || *name == '\0' || *value == '\0' ||
      out->variableCount == kMaxPresetVariables) {
    std::free(name);
    std::free(value);
    return false;
  }
  out->variables[out->variableCount++] = PresetVariable{name, value};
  return true;
}

// A switch's text value, replacing an earlier one; false when it is empty.
bool TakeText(const char* start, const char* end, char** field) {
  std::free(*field);
  *field = Unquoted(start, end);
  return *field != nullptr && **field != '\0';
}

// One switch [start, end) without its leading / or -. False when it is not understood.
bool TakeSwitch(const char* start, const char* end, CommandLine* out) {
  const char* rest = nullptr;
  const size_t length = size_t(end - start);
  auto is = [&](const char* name) {
    return std::strlen(name) == length && Takes(start, name, &rest);
  };
  if (is("S")) return out->silent = true;
  if (is("?")) return out->help = true;
  if (is("NOASSOC")) return out->noAssociate = true;
  if (is("NORESTART")) return out->noRestart = true;
  if (Takes(start, "TYPE=", &rest)) {
    const int n = SmallNumber(rest, end);
    out->setupType = n - 1;
    return n > 0;
  }
  if (Takes(start, "COMPONENTS=", &rest)) return ParseComponents(rest, end, out);
  if (Takes(start, "GROUP=", &rest)) return TakeText(rest, end, &out->group);
  if (Takes(start, "LOG=", &rest)) return TakeText(rest, end, &out->logPath);
  if (Takes(start, "VAR:", &rest)) {
    const char* equals = rest;
    while (equals != end && *equals != '=') ++equals;
    if (equals == end) return false;
    return SetVariablePreset(out, Unquoted(rest, equals), Unquoted(equals + 1, end));
  }
  return false;
}

}  // namespace

const char* SkipProgramName(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !IsBlank(*p)) ++p;
  }
  return p;
}

bool ParseCommandLine(const char* arguments, CommandLine* out) {
  std::memset(out, 0, sizeof *out);
  out->setupType = -1;
  const char* p = arguments;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') break;
    out->any = true;
    const char* start = p;
    const char* rest = nullptr;
    if ((*p == '/' || *p == '-') && Takes(p + 1, "D=", &rest)) {
      // The folder may hold blanks and need no quotes: it is the rest of the line.
      const char* end = rest + std::strlen(rest);
      while (end != rest && IsBlank(end[-1])) --end;
      if (!SetVariablePreset(out, DuplicateString("Destination"), Unquoted(rest, end)) &&
          out->bad == nullptr) {
        out->bad = DuplicateString(start);
        if (out->bad == nullptr) return false;
      }
      break;
    }
    bool quoted = false;
    while (*p != '\0' && (quoted || !IsBlank(*p))) {
      if (*p == '"') quoted = !quoted;
      ++p;
    }
    // The rest is still read, so that a /LOG= after a bad switch is kept.
    if (((*start != '/' && *start != '-') || !TakeSwitch(start + 1, p, out)) &&
        out->bad == nullptr) {
      out->bad = Unquoted(start, p);
      if (out->bad == nullptr) return false;
    }
  }
  if (out->silent) out->noRestart = true;
  return true;
}

void FreeCommandLine(CommandLine* line) {
  std::free(line->group);
  std::free(line->logPath);
  std::free(line->bad);
  for (int i = 0; i < line->variableCount; ++i) {
    std::free(line->variables[i].name);
    std::free(line->variables[i].value);
  }
  std::memset(line, 0, sizeof *line);
}
