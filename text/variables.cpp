#include "text/variables.h"

#include <cstdlib>
#include <cstring>

#include "text/code_page.h"
#include "text/status.h"
#include "text/strings.h"

VariableTable* gVariableTable = nullptr;
LateVariableSource gLateVariableSource = nullptr;

namespace {

unsigned char FoldByte(unsigned char byte) {
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 32) : byte;
}

uint32_t HashBytes(const char* name, size_t length) {
  uint32_t h = 0;
  for (size_t i = 0; i < length; ++i) {
    unsigned char byte = FoldByte(static_cast<unsigned char>(name[i]));
    uint32_t widened = byte >= 0x80 ? 0xFFFFFF00u | byte : byte;
    h = (h << 1) ^ widened;
  }
  return h;
}

// Whether the stored name equals the first length bytes of name.
bool SameBytes(const char* stored, const char* name, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (stored[i] == '\0') return false;
    if (FoldByte(static_cast<unsigned char>(stored[i])) !=
        FoldByte(static_cast<unsigned char>(name[i]))) {
      return false;
    }
  }
  return stored[length] == '\0';
}

// Takes the name's length so that ExpandVariables can look a name up where it lies
// in the text, whatever its length.
VariableNode* FindVariable(const char* name, size_t length) {
  if (gVariableTable == nullptr) return nullptr;
  VariableNode* node = gVariableTable->buckets[HashBytes(name, length) % kVariableBuckets];
  while (node != nullptr && !SameBytes(node->name, name, length)) node = node->next;
  return node;
}

// For reads: a name the table lacks is fetched from the late source first.
VariableNode* FindOrFetchVariable(const char* name, size_t length) {
  VariableNode* node = FindVariable(name, length);
  if (node == nullptr && gLateVariableSource != nullptr && gLateVariableSource(name, length)) {
    node = FindVariable(name, length);
  }
  return node;
}

// The result of ExpandVariables while it is built.
struct Output {
  char* data;
  size_t used;
  size_t capacity;
};

bool Append(Output* out, const char* bytes, size_t count) {
  if (count == 0) return true;
  if (out->capacity - out->used < count) {
    // Whole steps of kExpandGrowth, as if grown one step at a time.
    size_t needed = out->used + count;
    size_t capacity = (needed + kExpandGrowth - 1) / kExpandGrowth * kExpandGrowth;
    char* grown = static_cast<char*>(std::realloc(out->data, capacity));
    if (grown == nullptr) return false;
    out->data = grown;
    out->capacity = capacity;
  }
  std::memcpy(out->data + out->used, bytes, count);
  out->used += count;
  return true;
}

}  // namespace

int CreateVariableTable() {
  if (gVariableTable != nullptr) return statusOk;
  gVariableTable = static_cast<VariableTable*>(std::calloc(1, sizeof(VariableTable)));
  return gVariableTable != nullptr ? statusOk : statusNoMemory;
}

void DestroyVariableTableForTest() {
  if (gVariableTable == nullptr) return;
  for (VariableNode* node : gVariableTable->buckets) {
    while (node != nullptr) {
      VariableNode* next = node->next;
      std::free(node->name);
      std::free(node->value);
      std::free(node);
      node = next;
    }
  }
  std::free(gVariableTable);
  gVariableTable = nullptr;
  gLateVariableSource = nullptr;
}

uint32_t HashVariableName(const char* name) { return HashBytes(name, std::strlen(name)); }

bool SameVariableName(const char* a, const char* b) { return SameBytes(a, b, std::strlen(b)); }

bool SameVariableName(const char* stored, const char* name, size_t length) {
  return SameBytes(stored, name, length);
}

int SetVariable(const char* name, const char* value) {
  if (gVariableTable == nullptr) return 1;
  char* copy = DuplicateString(value);
  if (copy == nullptr) return 1;

  // Replacing keeps the node, and with it the letter case of the first set.
  if (VariableNode* node = FindVariable(name, std::strlen(name))) {
    std::free(node->value);
    node->value = copy;
    return statusOk;
  }

  VariableNode* node = static_cast<VariableNode*>(std::malloc(sizeof(VariableNode)));
  char* nameCopy = DuplicateString(name);
  if (node == nullptr || nameCopy == nullptr) {
    std::free(node);
    std::free(nameCopy);
    std::free(copy);
    return 1;
  }
  node->name = nameCopy;
  node->value = copy;
  node->next = nullptr;
  VariableNode** link = &gVariableTable->buckets[HashVariableName(name) % kVariableBuckets];
  while (*link != nullptr) link = &(*link)->next;
  *link = node;
  return statusOk;
}

char* GetVariable(const char* name) {
  VariableNode* node = FindOrFetchVariable(name, std::strlen(name));
  return node != nullptr ? DuplicateString(node->value) : nullptr;
}

int SetPathVariable(const char* name, char* value) {
  if (value == nullptr) return SetVariable(name, "");
  // Only a backslash that is a character of its own: in a double-byte code page
  // the last byte may be the second half of a character.
  size_t length = std::strlen(value);
  size_t last = 0;
  for (size_t i = 0; i < length; i += IsLeadByte(static_cast<unsigned char>(value[i])) ? 2 : 1) {
    last = i;
  }
  if (length != 0 && last == length - 1 && value[last] == '\\') value[last] = '\0';
  return SetVariable(name, value);
}

char* ExpandVariables(const char* text) {
  Output out = {nullptr, 0, 0};
  const char* p = text;
  bool ok = true;
  while (ok && *p != '\0') {
    if (p[0] != '$' || p[1] != '(') {
      // Copy everything up to the next possible reference in one step.
      const char* start = p++;
      while (*p != '\0' && *p != '$') ++p;
      ok = Append(&out, start, size_t(p - start));
      continue;
    }
    const char* name = p + 2;
    const char* end = std::strchr(name, ')');
    if (end == nullptr) end = name + std::strlen(name);
    p = *end == ')' ? end + 1 : end;
    VariableNode* node = FindOrFetchVariable(name, size_t(end - name));
    if (node != nullptr) ok = Append(&out, node->value, std::strlen(node->value));
  }
  if (ok) ok = Append(&out, "", 1);
  if (!ok) {
    std::free(out.data);
    return nullptr;
  }
  return out.data;
}
