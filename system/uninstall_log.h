// The uninstall log: everything the installation creates, recorded in memory while
// gLogActive is on and written at its end as uninstal.l0g for the uninstaller.
#pragma once

#include <cstddef>
#include <cstdint>

enum LogKind {
  logProgramFolder = 1,
  logShortcut = 2,
  logFile = 3,
  logDirectory = 4,
  logRegistryKey1 = 5,        // key class 1; nothing records it
  logRegistryUser = 6,        // key under HKEY_CURRENT_USER
  logRegistryMachine = 7,     // key under HKEY_LOCAL_MACHINE
};

enum KeyClass { keyClass1 = 1, keyClassCurrentUser = 2, keyClassLocalMachine = 3 };

struct LogEntry {
  uint32_t kind;
  uint32_t first;   // pool offset of the first string
  uint32_t second;  // pool offset of the second string; 0 for kinds without one
};

struct UninstallLog {
  char* pool;
  uint32_t poolCapacity;
  uint32_t poolUsed;
  LogEntry* entries;
  uint32_t entryCapacity;
  uint32_t entryCount;
};

extern UninstallLog gUninstallLog;

// File layout.
constexpr uint32_t kLogHeaderSize = 64;
constexpr uint32_t kLogNameOffset = 12;
constexpr uint32_t kLogNameField = 52;  // product name, NUL included
constexpr uint32_t kLogEntrySize = 12;

// Empties the log (no pool, no entries) without freeing: start-up calls it once.
void ResetUninstallLog();

// Each returns 0, or 8 when memory runs out; 0 without recording while gLogActive is off.
int LogProgramFolder(const char* path);
int LogShortcut(const char* path);
int LogFile(const char* path);
int LogDirectory(const char* path);
int LogRegistryKey(const char* keyPath, const char* valueName, int keyClass);

// The file's bytes: header, entries, pool. Size first, then fill a buffer of that size.
size_t UninstallLogImageSize();
void BuildUninstallLogImage(uint8_t* out, const char* productName);

// Records the log file itself, then writes the file (replacing any). Returns 0, or
// the status of the create or write that failed, which leaves no file behind.
int WriteUninstallLog(const char* path, const char* productName);
