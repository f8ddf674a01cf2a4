// Runs the decoder over a byte string with a window writer that keeps everything it
// is handed, so tests can check the output and how it was cut into flushes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct InflateResult {
  int status;
  std::vector<uint8_t> output;  // every flushed byte, in order
  std::vector<size_t> flushes;  // the size of each flush
  uint32_t crc;                 // CRC-32 the writer kept over the flushed bytes
};

// What the writer does at one flush (counted from 0); -1 for never.
struct WriterScript {
  int cancelAt = -1;     // keep the bytes, then return the cancel status
  int failWriteAt = -1;  // drop the bytes and set gWriteFailed
};

// The input is copied into a block of exactly its size, so that any read past its
// end is caught by the address sanitizer.
InflateResult RunInflate(const std::vector<uint8_t>& input, WriterScript script = {});
