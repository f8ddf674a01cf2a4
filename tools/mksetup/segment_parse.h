// Chooses the literals, matches and block boundaries of one segment of the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/mksetup/deflate_block.h"

struct SegmentParse {
  std::vector<Token> tokens;
  std::vector<size_t> blockEnds;  // the token index at which each block ends; the last is tokens.size()
};

enum class Encoder {
  fast,  // a near-optimal parse in one pass, blocks merged where that is smaller
  best,  // iterated optimal parsing with its own block splitting: smaller and much slower
};

// One per thread: it keeps the encoder's working memory between segments.
class SegmentParser {
 public:
  SegmentParser(Encoder encoder, int iterations);
  ~SegmentParser();
  SegmentParser(const SegmentParser&) = delete;
  SegmentParser& operator=(const SegmentParser&) = delete;

  // Parses in[start, end); in[0, start) is the history that matches may reach into.
  SegmentParse Parse(const uint8_t* in, size_t start, size_t end);

 private:
  Encoder encoder_;
  int iterations_;
  struct libdeflate_compressor* compressor_ = nullptr;
  std::vector<uint8_t> scratch_;
};
