#include "setup/install_report.h"

#include <cstdlib>
#include <cstring>

#include "resources/resource_ids.h"
#include "text/resource_text.h"
#include "text/strings.h"

namespace {

// Appends text and a line break to *list, freeing the old list. False when memory
// runs out (the list is then freed and none).
bool AppendLine(char** list, const char* text) {
  char* longer = *list == nullptr ? DuplicateString(text)
                                  : ConcatStrings(*list, "\r\n", text, nullptr);
  std::free(*list);
  *list = longer;
  return longer != nullptr;
}

// The line of one failure as a new heap string; none when memory runs out.
char* FailureLine(const InstallFailure& f) {
  static const struct {
    int kind;
    int entry;
  } kLines[] = {
      {failureFileStranded, IDS_NEW_VERSION_KEPT},
      {failureProgramFolder, IDS_FAILED_PROGRAM_FOLDER},
      {failureShortcut, IDS_FAILED_SHORTCUT},
      {failureRegistry, IDS_FAILED_REGISTRY},
      {failureLog, IDS_FAILED_LOG},
  };
  for (const auto& line : kLines) {
    if (line.kind == f.kind) {
      return FormatResourceMessage(line.entry, f.path, f.newCopyPath != nullptr ? f.newCopyPath : "");
    }
  }
  return DuplicateString(f.path);
}

char* DecimalText(uint32_t n, char (&buffer)[12]) {
  char* digit = buffer + sizeof buffer;
  *--digit = '\0';
  do {
    *--digit = char('0' + n % 10);
    n /= 10;
  } while (n != 0);
  return digit;
}

}  // namespace

void AddInstallFailure(InstallFailures* failures, int kind, const char* path,
                       const char* newCopyPath) {
  if (failures->count == failures->capacity) {
    uint32_t capacity = 2 * failures->capacity + 4;
    void* grown = std::realloc(failures->items, capacity * sizeof(InstallFailure));
    if (grown == nullptr) {
      ++failures->lost;
      return;
    }
    failures->items = static_cast<InstallFailure*>(grown);
    failures->capacity = capacity;
  }
  InstallFailure item = {kind, DuplicateString(path),
                         newCopyPath != nullptr ? DuplicateString(newCopyPath) : nullptr};
  if (item.path == nullptr || (newCopyPath != nullptr && item.newCopyPath == nullptr)) {
    std::free(item.path);
    std::free(item.newCopyPath);
    ++failures->lost;
    return;
  }
  failures->items[failures->count++] = item;
}

uint32_t FailureCount(const InstallFailures* failures) {
  return failures->count + failures->lost;
}

void FreeInstallFailures(InstallFailures* failures) {
  for (uint32_t i = 0; i < failures->count; ++i) {
    std::free(failures->items[i].path);
    std::free(failures->items[i].newCopyPath);
  }
  std::free(failures->items);
  *failures = InstallFailures{nullptr, 0, 0, 0};
}

char* InstallFailureMessage(const InstallFailures* failures) {
  char* list = nullptr;
  bool ok = true;
  bool onlyFiles = true;
  for (uint32_t i = 0; ok && i < failures->count && i < kListedFailures; ++i) {
    const InstallFailure& f = failures->items[i];
    onlyFiles = onlyFiles && (f.kind == failureFileKept || f.kind == failureFileStranded);
    char* line = FailureLine(f);
    ok = line != nullptr && AppendLine(&list, line);
    std::free(line);
  }
  for (uint32_t i = kListedFailures; i < failures->count; ++i) {
    const int kind = failures->items[i].kind;
    onlyFiles = onlyFiles && (kind == failureFileKept || kind == failureFileStranded);
  }
  const uint32_t total = FailureCount(failures);
  const uint32_t listed = failures->count < kListedFailures ? failures->count : kListedFailures;
  if (ok && total > listed) {
    char number[12];
    char* more = FormatResourceMessage(IDS_MORE_FILES, DecimalText(total - listed, number));
    ok = more != nullptr && AppendLine(&list, more);
    std::free(more);
  }
  const int heading = onlyFiles ? IDS_NOT_REPLACED : IDS_NOT_COMPLETED;
  char* message = ok ? FormatResourceMessage(heading, list != nullptr ? list : "") : nullptr;
  std::free(list);
  return message;
}
