#include "setup/replace_report.h"

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

}  // namespace

bool AddReplaceFailure(ReplaceFailures* failures, const char* targetPath,
                       const char* newCopyPath) {
  if (failures->count == failures->capacity) {
    uint32_t capacity = 2 * failures->capacity + 4;
    void* grown = std::realloc(failures->items, capacity * sizeof(ReplaceFailure));
    if (grown == nullptr) return false;
    failures->items = static_cast<ReplaceFailure*>(grown);
    failures->capacity = capacity;
  }
  ReplaceFailure item = {DuplicateString(targetPath),
                         newCopyPath != nullptr ? DuplicateString(newCopyPath) : nullptr};
  if (item.targetPath == nullptr || (newCopyPath != nullptr && item.newCopyPath == nullptr)) {
    std::free(item.targetPath);
    std::free(item.newCopyPath);
    return false;
  }
  failures->items[failures->count++] = item;
  return true;
}

void FreeReplaceFailures(ReplaceFailures* failures) {
  for (uint32_t i = 0; i < failures->count; ++i) {
    std::free(failures->items[i].targetPath);
    std::free(failures->items[i].newCopyPath);
  }
  std::free(failures->items);
  *failures = ReplaceFailures{nullptr, 0, 0};
}

char* ReplaceFailureMessage(const ReplaceFailures* failures) {
  char* list = nullptr;
  bool ok = true;
  for (uint32_t i = 0; ok && i < failures->count && i < kListedFailures; ++i) {
    const ReplaceFailure& f = failures->items[i];
    if (f.newCopyPath == nullptr) {
      ok = AppendLine(&list, f.targetPath);
    } else {
      char* line = FormatResourceMessage(IDS_NEW_VERSION_KEPT, f.targetPath, f.newCopyPath);
      ok = line != nullptr && AppendLine(&list, line);
      std::free(line);
    }
  }
  if (ok && failures->count > kListedFailures) {
    char number[12];
    char* digit = number + sizeof number;
    *--digit = '\0';
    uint32_t rest = failures->count - kListedFailures;
    do {
      *--digit = char('0' + rest % 10);
      rest /= 10;
    } while (rest != 0);
    char* more = FormatResourceMessage(IDS_MORE_FILES, digit);
    ok = more != nullptr && AppendLine(&list, more);
    std::free(more);
  }
  char* message = ok ? FormatResourceMessage(IDS_NOT_REPLACED, list != nullptr ? list : "")
                     : nullptr;
  std::free(list);
  return message;
}
