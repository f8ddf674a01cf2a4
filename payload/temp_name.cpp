#include "payload/temp_name.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "text/path_parts.h"

namespace {

constexpr uint32_t kLastCounter = 0xFFFF;
constexpr uint32_t kCounterBuckets = 61;
constexpr size_t kCounterDigits = 5;  // 65535

// Where probing resumes in one folder, for one prefix.
struct TempCounter {
  char* key;  // folder + prefix
  size_t keyLength;
  uint32_t next;
  TempCounter* link;
};

TempCounter* gTempCounters[kCounterBuckets];

uint32_t HashKey(const char* key, size_t length) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < length; ++i) h = (h ^ static_cast<unsigned char>(key[i])) * 16777619u;
  return h;
}

// The counter of this folder and prefix, made on first use; none when memory runs
// out, which only costs probing from 0.
TempCounter* CounterFor(const char* key, size_t length) {
  TempCounter** bucket = &gTempCounters[HashKey(key, length) % kCounterBuckets];
  for (TempCounter* c = *bucket; c != nullptr; c = c->link) {
    if (c->keyLength == length && std::memcmp(c->key, key, length) == 0) return c;
  }
  TempCounter* c = static_cast<TempCounter*>(std::malloc(sizeof(TempCounter)));
  char* copy = static_cast<char*>(std::malloc(length));
  if (c == nullptr || copy == nullptr) {
    std::free(c);
    std::free(copy);
    return nullptr;
  }
  std::memcpy(copy, key, length);
  *c = TempCounter{copy, length, 0, *bucket};
  *bucket = c;
  return c;
}

// Writes n in decimal followed by ".tmp" and the terminator.
void WriteCounter(char* out, uint32_t n) {
  char digits[kCounterDigits];
  size_t count = 0;
  do {
    digits[count++] = char('0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (count > 0) *out++ = digits[--count];
  std::memcpy(out, ".tmp", 5);
}

}  // namespace

char* MakeTempNameProbing(const char* path, const char* prefix, NameTakenFunction taken,
                          void* context) {
  PathParts parts = SplitPath(path);
  size_t prefixLength = std::strlen(prefix);
  size_t keyLength = parts.folderEnd + prefixLength;
  char* name = static_cast<char*>(std::malloc(keyLength + kCounterDigits + sizeof ".tmp"));
  if (name == nullptr) return nullptr;
  std::memcpy(name, path, parts.folderEnd);
  std::memcpy(name + parts.folderEnd, prefix, prefixLength);

  TempCounter* counter = CounterFor(name, keyLength);
  for (uint32_t n = counter != nullptr ? counter->next : 0; n <= kLastCounter; ++n) {
    WriteCounter(name + keyLength, n);
    if (!taken(name, context)) {
      // The name is the caller's now (the probe that creates the file has made it):
      // the next probe in this folder starts after it, not on it.
      if (counter != nullptr) counter->next = n + 1;
      return name;
    }
  }
  std::free(name);
  return nullptr;
}

void ForgetTempNames() {
  for (TempCounter*& head : gTempCounters) {
    while (head != nullptr) {
      TempCounter* next = head->link;
      std::free(head->key);
      std::free(head);
      head = next;
    }
  }
}
