// State that the window writer shares with the decoder. Portable, so that host
// programs that bring their own writer link the same variables.
#pragma once

#include <cstdint>

// The writer's one record of failure: 0 while every file is written, otherwise the
// status that stopped it (a write that failed, a file that could not be created).
// The writer writes nothing more once it is set, and the decoder stops after the
// current block.
extern int gWriteFailed;

// CRC-32 register over every flushed byte. Inflate starts it at 0xFFFFFFFF; the
// writer folds each window into it (see payload/crc32.h).
extern uint32_t gRunningCrc;

// When set, takes each window instead of the program's writer: a decode into memory
// (payload/memory_inflate.h). The program's FlushWindow() hands over to it first.
extern int (*gWindowSink)();
