// The decoder's window writer for host tools: every flushed window goes to one file.
#pragma once

#include <cstdio>

// Where FlushWindow writes. A failed write sets gWriteFailed.
void SetWindowFile(std::FILE* file);
