#include "system/uninstall_log_read.h"

#include <cstdlib>
#include <cstring>

#include "system/uninstall_log.h"
#include "text/code_page.h"
#include "text/path_parts.h"

namespace {

uint32_t Word(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Length without the trailing separators (a double-byte character's second byte is
// never one).
size_t TrimmedLength(const char* path) {
  size_t kept = 0;
  for (size_t i = 0; path[i] != '\0';) {
    size_t next = IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0' ? i + 2 : i + 1;
    if (next != i + 1 || !IsPathSeparator(path[i])) kept = next;
    i = next;
  }
  return kept;
}

// The string at offset, when it lies inside the pool with its NUL.
int PoolString(const char* pool, uint32_t poolSize, uint32_t offset, const char** out) {
  if (offset >= poolSize) return logOffsetOutside;
  if (std::memchr(pool + offset, '\0', poolSize - offset) == nullptr) return logUnterminated;
  *out = pool + offset;
  return logIntact;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Walks the levels after the given start; false on an empty, "." or ".." level. A
// trailing separator is an empty level too: files and folders are logged without one.
bool LevelsAreNamed(const char* path, size_t start, int* levels) {
  *levels = 0;
  for (size_t i = start;;) {
    size_t end = FindPathSeparator(path, i);
    size_t length = end - i;
    if (length == 0) return false;
    if (path[i] == '.' && (length == 1 || (length == 2 && path[i + 1] == '.'))) return false;
    ++*levels;
    if (path[end] == '\0') return true;
    i = end + 1;
  }
}

bool HasControlCharacters(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p < 0x20) return true;
  }
  return false;
}

// A full path of a file or folder that is neither a root nor a protected folder.
int CheckPath(const char* path, const ProtectedFolders& folders) {
  if (HasControlCharacters(path)) return logBadPath;
  size_t start;
  int minimumLevels;
  if (IsDriveLetter(path[0]) && path[1] == ':' && IsPathSeparator(path[2])) {
    start = 3;
    minimumLevels = 1;
  } else if (IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    start = 2;
    minimumLevels = 3;  // \\server\share is the root of a network drive
  } else {
    return logBadPath;
  }
  if (TrimmedLength(path) <= start) return logProtectedPath;  // "C:\", "C:\\"
  int levels = 0;
  if (!LevelsAreNamed(path, start, &levels)) return logBadPath;
  if (levels < minimumLevels) return logProtectedPath;
  if ((folders.windows != nullptr && SamePath(path, folders.windows)) ||
      (folders.system != nullptr && SamePath(path, folders.system))) {
    return logProtectedPath;
  }
  return logIntact;
}

// A key path below a root: named levels, one trailing "\" allowed; keys under the
// user's and the machine's roots lie at least two levels down.
int CheckKey(uint32_t kind, const char* key) {
  if (key[0] == '\0' || key[0] == '\\' || HasControlCharacters(key)) return logBadKey;
  int levels = 0;
  for (size_t i = 0;;) {
    size_t end = i;
    while (key[end] != '\0' && key[end] != '\\') ++end;
    if (end == i) {
      if (key[i] == '\0' && levels > 0) break;  // the one trailing backslash
      return logBadKey;
    }
    ++levels;
    if (key[end] == '\0') break;
    i = end + 1;
  }
  if (kind != logRegistryKey1 && levels < 2) return logBadKey;
  return logIntact;
}

int CheckRecord(const LogRecord& record, const ProtectedFolders& folders) {
  if (record.kind >= logRegistryKey1) return CheckKey(record.kind, record.first);
  return CheckPath(record.first, folders);
}

}  // namespace

bool SamePath(const char* a, const char* b) {
  size_t lengthA = TrimmedLength(a), lengthB = TrimmedLength(b);
  if (lengthA != lengthB) return false;
  for (size_t i = 0; i < lengthA; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < lengthA) {
      // Both bytes of a double-byte character compare exactly.
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldCase(a[i]) != FoldCase(b[i]) && !(IsPathSeparator(a[i]) && IsPathSeparator(b[i]))) {
      return false;
    }
  }
  return true;
}

bool IsExtensionKey(const char* key) { return key[0] == '.'; }

int ParseUninstallLog(const uint8_t* image, size_t size, const ProtectedFolders& folders,
                      LogContents* out, uint32_t* badEntry) {
  *out = LogContents{};
  *badEntry = 0;
  if (size < kLogHeaderSize) return logTruncated;
  if (Word(image) != 1) return logBadVersion;
  const uint32_t count = Word(image + 4), poolSize = Word(image + 8);
  *badEntry = count;
  // 64-bit sums: counts near 2^32 cannot wrap around.
  const uint64_t expected = uint64_t(kLogHeaderSize) + uint64_t(count) * kLogEntrySize + poolSize;
  if (expected > size) return logTruncated;
  if (expected < size) return logBadCounts;
  const char* name = reinterpret_cast<const char*>(image + kLogNameOffset);
  if (std::memchr(name, '\0', kLogNameField) == nullptr) return logBadProductName;

  LogRecord* records =
      static_cast<LogRecord*>(std::malloc(size_t(count == 0 ? 1 : count) * sizeof(LogRecord)));
  if (records == nullptr) return logTruncated;  // a file this size cannot be held
  const char* pool = reinterpret_cast<const char*>(image + kLogHeaderSize + size_t(count) * kLogEntrySize);
  int damage = logIntact;
  uint32_t i = 0;
  for (; i < count && damage == logIntact; ++i) {
    const uint8_t* entry = image + kLogHeaderSize + size_t(i) * kLogEntrySize;
    LogRecord& record = records[i];
    record.kind = Word(entry);
    record.second = "";
    if (record.kind < logProgramFolder || record.kind > logRegistryMachine) {
      damage = logBadKind;
    } else {
      damage = PoolString(pool, poolSize, Word(entry + 4), &record.first);
      if (damage == logIntact && record.kind >= logRegistryKey1) {
        damage = PoolString(pool, poolSize, Word(entry + 8), &record.second);
      } else if (damage == logIntact && Word(entry + 8) != 0) {
        damage = logOffsetOutside;  // kinds without a second string carry 0 there
      }
      if (damage == logIntact) damage = CheckRecord(record, folders);
    }
  }
  // An extension key is removed only by the file type logged right after it.
  for (uint32_t k = 0; k < count && damage == logIntact; ++k) {
    if (records[k].kind == logRegistryKey1 && IsExtensionKey(records[k].first) &&
        (k + 1 == count || records[k + 1].kind != logRegistryKey1 ||
         IsExtensionKey(records[k + 1].first))) {
      damage = logUnpairedType;
      i = k + 1;
    }
  }
  if (damage != logIntact) {
    *badEntry = i - 1;
    std::free(records);
    return damage;
  }
  std::memcpy(out->productName, name, kLogNameField);
  out->count = count;
  out->records = records;
  *badEntry = 0;
  return logIntact;
}

void FreeLogContents(LogContents* contents) {
  std::free(contents->records);
  *contents = LogContents{};
}
