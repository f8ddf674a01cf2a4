// Where blocks should end: the points at which the statistics of the tokens change.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/mksetup/deflate_block.h"

// The token indices at which the blocks end, the last one tokens.size(); at most
// maxBlocks blocks.
std::vector<size_t> SplitBlocks(const std::vector<Token>& tokens, size_t maxBlocks);
