// Reading uninstal.l0g back: the whole file is checked before anything is trusted,
// so that a damaged log names its damage and leads to no removal at all.
#pragma once

#include <cstddef>
#include <cstdint>

enum LogDamage {
  logIntact = 0,
  logTruncated,        // shorter than its header, or than its counts say
  logBadVersion,       // the first word is not 1
  logBadCounts,        // counts that do not add up to the file's size
  logBadProductName,   // no NUL inside the name field
  logBadKind,          // a kind outside 1-7
  logOffsetOutside,    // a string offset at or past the end of the pool
  logUnterminated,     // a string that runs to the end of the pool without its NUL
  logBadPath,          // not a full path, or one with empty, "." or ".." levels
  logProtectedPath,    // a drive root, the Windows folder or the system folder
  logBadKey,           // an empty or malformed registry key path
  logUnpairedType,     // an extension key without the file-type key after it
};

struct LogRecord {
  uint32_t kind;
  const char* first;   // into the image given to ParseUninstallLog
  const char* second;  // "" for kinds without a second string
};

struct LogContents {
  char productName[52];
  uint32_t count;
  LogRecord* records;  // malloc'd; FreeLogContents releases it
};

// Folders an entry may never name; either may be none.
struct ProtectedFolders {
  const char* windows;
  const char* system;
};

// Checks the whole image and, when it is intact, fills out with records that point
// into it. Returns logIntact or the first damage found; *badEntry is the index of the
// entry at fault (the count for damage of the header or the sizes).
int ParseUninstallLog(const uint8_t* image, size_t size, const ProtectedFolders& folders,
                      LogContents* out, uint32_t* badEntry);
void FreeLogContents(LogContents* contents);

// Whether two paths name the same place, ignoring letter case and trailing separators.
bool SamePath(const char* a, const char* b);

// Whether key is an extension key under the classes root (".zip").
bool IsExtensionKey(const char* key);
