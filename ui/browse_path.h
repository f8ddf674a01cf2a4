// The parts of the folder browser that need no window: how a typed path is cut into
// the names the shell parses one after another, and how the shell's comparison
// answer becomes a sort order.
#pragma once

#include <cstddef>
#include <cstdint>

// Length of the path component that starts at text: up to and including the next
// backslash, or to the end. Each component keeps its backslash, so C:\Program Files\X
// gives C:\, Program Files\ and X; a backslash at the very end ends the path. Zero at
// the end of the text.
template <typename Char>
size_t PathComponentLength(const Char* text) {
  size_t length = 0;
  while (text[length] != 0) {
    if (text[length++] == Char('\\')) break;
  }
  return length;
}

// The shell's folder comparison answers with a result code whose low 16 bits are the
// order: 0xFFFF before, 0 the same, anything else after.
int ShellCompareOrder(int32_t result);
