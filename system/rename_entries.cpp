#include "system/rename_entries.h"

#include <cstring>

namespace {

const char kHeader[] = "[Rename]";
constexpr size_t kHeaderLength = sizeof kHeader - 1;
const char kLineBreak[] = "\r\n";
constexpr size_t kLineBreakLength = 2;

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

size_t LineEnd(const char* text, size_t length, size_t at) {
  while (at < length && !IsBreak(text[at])) ++at;
  return at;
}

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool IsHeader(const char* line, size_t lineLength) {
  if (lineLength != kHeaderLength) return false;
  for (size_t i = 0; i < kHeaderLength; ++i) {
    if (FoldCase(line[i]) != FoldCase(kHeader[i])) return false;
  }
  return true;
}

// Index just past the header line, or length + 1 when there is none.
size_t FindHeader(const char* text, size_t length) {
  size_t at = 0;
  for (;;) {
    while (at < length && IsBreak(text[at])) ++at;
    if (at == length) return length + 1;
    size_t end = LineEnd(text, length, at);
    if (IsHeader(text + at, end - at)) return end;
    at = end;
  }
}

// Where the section's first block of lines ends.
size_t SectionEnd(const char* text, size_t length, size_t afterHeader) {
  size_t at = afterHeader;
  while (at < length && IsBreak(text[at])) ++at;
  while (at < length && !IsBreak(text[at]) && text[at] != '[') {
    at = LineEnd(text, length, at);
    if (at < length && text[at] == '\r') ++at;
    if (at < length && text[at] == '\n') ++at;
  }
  return at;
}

// Puts count bytes at the insertion point, moving the rest of the text behind them.
size_t Insert(char* text, size_t length, size_t at, const char* bytes, size_t count) {
  std::memmove(text + at + count, text + at, length - at);
  std::memcpy(text + at, bytes, count);
  return length + count;
}

}  // namespace

size_t RenameTextCapacity(size_t length, size_t linesLength) {
  return length + kLineBreakLength + kHeaderLength + kLineBreakLength + linesLength;
}

size_t InsertRenameLines(char* text, size_t length, const char* lines, size_t linesLength) {
  size_t afterHeader = FindHeader(text, length);
  bool found = afterHeader <= length;
  size_t at = found ? SectionEnd(text, length, afterHeader) : length;
  // Only the end of the text can lack a line break before the insertion point: inside
  // it, the point follows a line break or stands before a "[" line.
  if (at == length && length > 0 && !IsBreak(text[length - 1])) {
    length = Insert(text, length, at, kLineBreak, kLineBreakLength);
    at = length;
  }
  if (!found) {
    length = Insert(text, length, at, kHeader, kHeaderLength);
    length = Insert(text, length, length, kLineBreak, kLineBreakLength);
    at = length;
  }
  return Insert(text, length, at, lines, linesLength);
}
