#include "text/folder_name.h"

#include <cstring>

#include "text/code_page.h"

namespace {

static const char kReservedChars[] = "\\/:*?\"<>|";

static const char* const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL"};
static const char* const kNumberedDevices[] = {"COM", "LPT"};

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool SameIgnoringCase(const char* a, size_t length, const char* b) {
  if (std::strlen(b) != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Upper(a[i]) != b[i]) return false;
  }
  return true;
}

// The device names are reserved whatever follows a dot: "con.txt" is the console too.
bool IsDeviceName(const char* name, size_t length) {
  size_t stem = 0;
  while (stem < length && name[stem] != '.') ++stem;
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  for (const char* device : kDeviceNames) {
    if (SameIgnoringCase(name, stem, device)) return true;
  }
  if (stem != 4 || name[3] < '1' || name[3] > '9') return false;
  for (const char* device : kNumberedDevices) {
    if (SameIgnoringCase(name, 3, device)) return true;
  }
  return false;
}

// [begin, end) of one level, spaces around it already cut.
FolderNameProblem CheckLevel(const char* name, size_t length, LeadBytePredicate isLead) {
  if (length == 0) return folderNameEmpty;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (isLead(c) && i + 1 < length) {
      ++i;  // the second byte of a double-byte character may look like '\\' or '|'
      continue;
    }
    if (c < 0x20 || std::strchr(kReservedChars, c) != nullptr) return folderNameReservedChar;
  }
  // The system drops trailing dots: "..", "." and "x." would not be the name asked for.
  if (name[length - 1] == '.') return folderNameEndsWithDot;
  if (IsDeviceName(name, length)) return folderNameDeviceName;
  return folderNameOk;
}

void Trim(const char** name, size_t* length) {
  while (*length > 0 && **name == ' ') {
    ++*name;
    --*length;
  }
  while (*length > 0 && (*name)[*length - 1] == ' ') --*length;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

FolderNameProblem CheckFolderName(const char* name, LeadBytePredicate isLead) {
  size_t length = std::strlen(name);
  Trim(&name, &length);
  return CheckLevel(name, length, isLead);
}

FolderNameProblem CheckFolderName(const char* name) { return CheckFolderName(name, IsLeadByte); }

FolderNameProblem CheckFolderPath(const char* path, LeadBytePredicate isLead) {
  size_t length = std::strlen(path);
  Trim(&path, &length);
  if (length < 3 || !IsDriveLetter(path[0]) || path[1] != ':' || path[2] != '\\') {
    return length == 0 ? folderNameEmpty : folderPathNotAbsolute;
  }
  size_t at = 3;
  while (at < length) {
    // A level ends at the next backslash that is not the second byte of a character.
    size_t end = at;
    while (end < length && path[end] != '\\') {
      end += isLead(static_cast<unsigned char>(path[end])) && end + 1 < length ? 2 : 1;
    }
    const char* level = path + at;
    size_t levelLength = end - at;
    // Spaces before a level are part of its name; only trailing ones are dropped.
    while (levelLength > 0 && level[levelLength - 1] == ' ') --levelLength;
    const FolderNameProblem problem = CheckLevel(level, levelLength, isLead);
    if (problem != folderNameOk) return problem;
    at = end + 1;
  }
  return folderNameOk;
}

FolderNameProblem CheckFolderPath(const char* path) { return CheckFolderPath(path, IsLeadByte); }
