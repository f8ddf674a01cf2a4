// Heap strings: every operation returns a new string that the caller frees with
// free(); none means out of memory.
#pragma once

char* DuplicateString(const char* text);

// ConcatStrings(first, ..., nullptr): the list of further strings ends at the first null.
char* ConcatStrings(const char* first, ...);
