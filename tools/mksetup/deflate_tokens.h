// Reads a raw Deflate stream back into its literals and matches, as another encoder
// chose them, so that they can be written again in blocks of this program's own kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/mksetup/deflate_block.h"

struct DeflateParse {
  std::vector<Token> tokens;
  std::vector<uint64_t> blockEnds;  // the output position at which each block ends
};

// False when the stream is not well-formed Deflate.
bool ReadDeflateTokens(const uint8_t* data, size_t size, DeflateParse* parse);
