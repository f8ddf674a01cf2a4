// Reads a raw Deflate stream back into its literals and matches, as another encoder
// chose them, so that they can be written again in blocks of this program's own kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/mksetup/deflate_block.h"

struct DeflateBlock {
  uint64_t end;       // the output position at which the block ends
  int type;           // 0 stored, 1 fixed codes, 2 dynamic codes
  int distanceCodes;  // distance codes of non-zero length
};

struct DeflateParse {
  std::vector<Token> tokens;
  std::vector<DeflateBlock> blocks;
};

// False when the stream is not well-formed Deflate.
bool ReadDeflateTokens(const uint8_t* data, size_t size, DeflateParse* parse);
