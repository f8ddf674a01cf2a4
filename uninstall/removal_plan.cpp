#include "uninstall/removal_plan.h"

#include <cstring>

#include "system/uninstall_log.h"

namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

size_t WithoutTrailingBackslash(const char* key) {
  size_t length = std::strlen(key);
  return length > 0 && key[length - 1] == '\\' ? length - 1 : length;
}

// The length of "Software\<company>" when key is "Software\<company>\<product>", else 0.
size_t CompanyKeyLength(const char* key, size_t length) {
  static const char kSoftware[] = "software\\";
  const size_t prefix = sizeof kSoftware - 1;
  if (length <= prefix) return 0;
  for (size_t i = 0; i < prefix; ++i) {
    if (FoldCase(key[i]) != kSoftware[i]) return 0;
  }
  const char* company = key + prefix;
  const char* separator = static_cast<const char*>(std::memchr(company, '\\', length - prefix));
  if (separator == nullptr || separator == company) return 0;
  const size_t companyLength = size_t(separator - key);
  if (std::memchr(separator + 1, '\\', length - companyLength - 1) != nullptr) return 0;
  return companyLength;
}

int RootOf(uint32_t kind) {
  switch (kind) {
    case logRegistryKey1: return rootClasses;
    case logRegistryUser: return rootCurrentUser;
    case logRegistryMachine: return rootLocalMachine;
    default: return rootNone;
  }
}

}  // namespace

size_t PlanRemoval(const LogContents& log, RemovalStep* steps) {
  size_t count = 0;
  for (uint32_t i = log.count; i-- > 0;) {
    const LogRecord& record = log.records[i];
    RemovalStep step{stepDeleteFile, RootOf(record.kind), record.first, std::strlen(record.first), "", i};
    switch (record.kind) {
      case logShortcut:
      case logFile:
        steps[count++] = step;
        break;
      case logProgramFolder:
      case logDirectory:
        step.action = stepRemoveFolder;
        steps[count++] = step;
        break;
      default: {
        step.pathLength = WithoutTrailingBackslash(record.first);
        if (record.second[0] != '\0') {
          step.action = stepDeleteValue;
          step.name = record.second;
          steps[count++] = step;
        } else if (record.kind == logRegistryKey1 && IsExtensionKey(record.first)) {
          // The reader has checked that the file-type key follows.
          step.action = stepDeleteExtension;
          step.name = log.records[i + 1].first;
          steps[count++] = step;
        } else {
          step.action = stepDeleteKey;
          steps[count++] = step;
          size_t company = record.kind == logRegistryKey1 ? 0 : CompanyKeyLength(step.path, step.pathLength);
          if (company != 0) {
            step.action = stepDeleteEmptyKey;
            step.pathLength = company;
            steps[count++] = step;
          }
        }
      }
    }
  }
  return count;
}

void CountResult(RemovalTally* tally, int result) {
  if (result == resultWaits) ++tally->waits;
  if (result == resultKept) ++tally->kept;
  if (result == resultEmptyAfterRestart) ++tally->emptyAfterRestart;
  if (result == resultFailed) ++tally->failed;
}

int ExitCodeFor(const RemovalTally& tally) {
  if (tally.failed != 0) return exitFailed;
  if (tally.waits != 0) return exitRestartNeeded;
  return exitAllRemoved;
}
