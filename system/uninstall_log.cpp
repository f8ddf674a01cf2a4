#include "system/uninstall_log.h"

#include <cstdlib>
#include <cstring>

#include "config/state.h"
#include "text/run_log.h"
#include "text/status.h"

UninstallLog gUninstallLog;

void ResetUninstallLog() { gUninstallLog = UninstallLog{}; }

namespace {

// Appends length bytes (NUL included) to the pool; false when it cannot grow.
bool AppendToPool(const char* text, uint32_t length, uint32_t* offset) {
  UninstallLog& log = gUninstallLog;
  if (log.poolUsed + length >= log.poolCapacity) {
    uint32_t capacity = log.poolCapacity + length + 200;
    char* pool = static_cast<char*>(std::realloc(log.pool, capacity));
    if (pool == nullptr) return false;
    log.pool = pool;
    log.poolCapacity = capacity;
  }
  std::memcpy(log.pool + log.poolUsed, text, length);
  *offset = log.poolUsed;
  log.poolUsed += length;
  return true;
}

// How the text log of a run names each kind of entry.
const char* const kMadeText[] = {"", "Program folder", "Shortcut", "File", "Folder made",
                                 "Registry key", "Registry key", "Registry key"};

int AddEntry(uint32_t kind, const char* first, const char* second) {
  if (!gLogActive) return statusOk;
  RunLog(kMadeText[kind < 8 ? kind : 0], first);
  UninstallLog& log = gUninstallLog;
  LogEntry entry{kind, 0, 0};
  if (!AppendToPool(first, uint32_t(std::strlen(first) + 1), &entry.first)) return statusNoMemory;
  if (second != nullptr &&
      !AppendToPool(second, uint32_t(std::strlen(second) + 1), &entry.second)) {
    return statusNoMemory;
  }
  if (log.entryCount == log.entryCapacity) {
    uint32_t capacity = 2 * log.entryCapacity + 2;
    LogEntry* entries =
        static_cast<LogEntry*>(std::realloc(log.entries, capacity * sizeof(LogEntry)));
    if (entries == nullptr) return statusNoMemory;
    log.entries = entries;
    log.entryCapacity = capacity;
  }
  log.entries[log.entryCount++] = entry;
  return statusOk;
}

void PutWord(uint8_t* out, uint32_t value) {
  out[0] = uint8_t(value);
  out[1] = uint8_t(value >> 8);
  out[2] = uint8_t(value >> 16);
  out[3] = uint8_t(value >> 24);
}

}  // namespace

int LogProgramFolder(const char* path) { return AddEntry(logProgramFolder, path, nullptr); }
int LogShortcut(const char* path) { return AddEntry(logShortcut, path, nullptr); }
int LogFile(const char* path) { return AddEntry(logFile, path, nullptr); }
int LogDirectory(const char* path) { return AddEntry(logDirectory, path, nullptr); }

int LogRegistryKey(const char* keyPath, const char* valueName, int keyClass) {
  if (keyClass < keyClass1 || keyClass > keyClassLocalMachine) return statusOk;
  return AddEntry(logRegistryKey1 + (keyClass - keyClass1), keyPath, valueName);
}

size_t UninstallLogImageSize() {
  return kLogHeaderSize + size_t(gUninstallLog.entryCount) * kLogEntrySize +
         gUninstallLog.poolUsed;
}

void BuildUninstallLogImage(uint8_t* out, const char* productName) {
  const UninstallLog& log = gUninstallLog;
  std::memset(out, 0, kLogHeaderSize);
  PutWord(out, 1);
  PutWord(out + 4, log.entryCount);
  PutWord(out + 8, log.poolUsed);
  // A longer name is cut: the field keeps its NUL and the bytes after it stay zero.
  size_t nameLength = std::strlen(productName);
  if (nameLength > kLogNameField - 1) nameLength = kLogNameField - 1;
  std::memcpy(out + kLogNameOffset, productName, nameLength);

  uint8_t* p = out + kLogHeaderSize;
  for (uint32_t i = 0; i < log.entryCount; ++i, p += kLogEntrySize) {
    PutWord(p, log.entries[i].kind);
    PutWord(p + 4, log.entries[i].first);
    PutWord(p + 8, log.entries[i].second);
  }
  if (log.poolUsed != 0) std::memcpy(p, log.pool, log.poolUsed);
}
