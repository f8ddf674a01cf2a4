#include "tools/mksetup/segment_parse.h"

#include <libdeflate.h>
// The encoder's inner headers declare C functions without saying so.
extern "C" {
#include <zopfli/lz77.h>
#include <zopfli/blocksplitter.h>
#include <zopfli/deflate.h>
#include <zopfli/squeeze.h>
}

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <stdexcept>

#include "tools/mksetup/block_split.h"
#include "tools/mksetup/deflate_tokens.h"

namespace {

// The other encoder's level: its strongest, a near-optimal parse.
constexpr int kFastLevel = 12;
// Blocks of a segment that the search for better boundaries may make.
constexpr size_t kMaxBlocks = 32;

std::vector<Histogram> BlockCounts(const std::vector<Token>& tokens, const std::vector<size_t>& ends) {
  std::vector<Histogram> counts;
  size_t from = 0;
  for (size_t end : ends) {
    counts.push_back(CountTokens(tokens.data() + from, end - from));
    from = end;
  }
  return counts;
}

// Joins neighbouring blocks wherever one block is smaller than the two.
std::vector<size_t> MergeBlocks(const std::vector<Token>& tokens, const std::vector<size_t>& blockEnds) {
  std::vector<Histogram> counts = BlockCounts(tokens, blockEnds);
  std::vector<size_t> ends;
  Histogram current = counts[0];
  uint64_t currentBits = DynamicBlockBits(current);
  for (size_t i = 1; i < counts.size(); ++i) {
    Histogram joined = current;
    joined.Add(counts[i]);
    const uint64_t joinedBits = DynamicBlockBits(joined), nextBits = DynamicBlockBits(counts[i]);
    if (joinedBits <= currentBits + nextBits) {
      current = joined;
      currentBits = joinedBits;
    } else {
      ends.push_back(blockEnds[i - 1]);
      current = counts[i];
      currentBits = nextBits;
    }
  }
  ends.push_back(tokens.size());
  return ends;
}

// The encoder's own blocks and those where the counts change, whichever of them pay
// for their headers.
std::vector<size_t> ChooseBlocks(const std::vector<Token>& tokens, const std::vector<size_t>& own) {
  std::vector<size_t> split = SplitBlocks(tokens, kMaxBlocks), both;
  std::set_union(own.begin(), own.end(), split.begin(), split.end(), std::back_inserter(both));
  return MergeBlocks(tokens, both);
}

// Keeps the tokens from start on: a match that begins in the history keeps its part
// inside the segment.
SegmentParse CutHistory(const DeflateParse& whole, const uint8_t* in, size_t start, size_t end) {
  SegmentParse parse;
  size_t nextEnd = 0;
  uint64_t position = 0;
  for (const Token& t : whole.tokens) {
    const uint64_t length = t.dist == 0 ? 1 : t.litlen;
    if (position >= start) {
      parse.tokens.push_back(t);
    } else if (position + length > start) {
      const uint64_t tail = position + length - start;
      if (tail >= 3) {
        parse.tokens.push_back({uint16_t(tail), t.dist});
      } else {
        for (size_t i = start; i < start + tail; ++i) parse.tokens.push_back({in[i], 0});
      }
    }
    position += length;
    for (; nextEnd < whole.blocks.size() && whole.blocks[nextEnd].end <= position; ++nextEnd) {
      const uint64_t at = whole.blocks[nextEnd].end;
      bool inside = at == position && at > start && at < end;
      if (inside && (parse.blockEnds.empty() || parse.blockEnds.back() < parse.tokens.size()))
        parse.blockEnds.push_back(parse.tokens.size());
    }
  }
  parse.blockEnds.push_back(parse.tokens.size());
  return parse;
}

// What the strongest encoder does with a part of its input, with every block dynamic:
// blocks split on a quick parse, each optimised, then split once more on the result.
SegmentParse ParseBest(int iterations, const uint8_t* in, size_t start, size_t end) {
  ZopfliOptions options;
  ZopfliInitOptions(&options);
  options.numiterations = iterations;
  size_t* splits = nullptr;
  size_t splitCount = 0;
  ZopfliBlockSplit(&options, in, start, end, size_t(options.blocksplittingmax), &splits, &splitCount);

  ZopfliLZ77Store all;
  ZopfliInitLZ77Store(in, &all);
  std::vector<size_t> ends;
  double cost = 0;
  for (size_t i = 0; i <= splitCount; ++i) {
    size_t from = i == 0 ? start : splits[i - 1], to = i == splitCount ? end : splits[i];
    ZopfliBlockState state;
    ZopfliLZ77Store store;
    ZopfliInitLZ77Store(in, &store);
    ZopfliInitBlockState(&options, from, to, 1, &state);
    ZopfliLZ77Optimal(&state, in, from, to, iterations, &store);
    cost += ZopfliCalculateBlockSize(&store, 0, store.size, 2);
    ZopfliAppendLZ77Store(&store, &all);
    ends.push_back(all.size);
    ZopfliCleanBlockState(&state);
    ZopfliCleanLZ77Store(&store);
  }
  std::free(splits);

  if (splitCount > 1) {
    size_t* again = nullptr;
    size_t againCount = 0;
    ZopfliBlockSplitLZ77(&options, &all, size_t(options.blocksplittingmax), &again, &againCount);
    double againCost = 0;
    for (size_t i = 0; i <= againCount; ++i) {
      againCost += ZopfliCalculateBlockSize(&all, i == 0 ? 0 : again[i - 1], i == againCount ? all.size : again[i], 2);
    }
    if (againCost < cost) {
      ends.assign(again, again + againCount);
      ends.push_back(all.size);
    }
    std::free(again);
  }

  SegmentParse parse;
  parse.tokens.reserve(all.size);
  for (size_t i = 0; i < all.size; ++i) parse.tokens.push_back({all.litlens[i], all.dists[i]});
  parse.blockEnds = std::move(ends);
  ZopfliCleanLZ77Store(&all);
  return parse;
}

}  // namespace

SegmentParser::SegmentParser(Encoder encoder, int iterations) : encoder_(encoder), iterations_(iterations) {
  if (encoder_ == Encoder::fast) {
    compressor_ = libdeflate_alloc_compressor(kFastLevel);
    if (compressor_ == nullptr) throw std::bad_alloc();
  }
}

SegmentParser::~SegmentParser() {
  if (compressor_ != nullptr) libdeflate_free_compressor(compressor_);
}

SegmentParse SegmentParser::Parse(const uint8_t* in, size_t start, size_t end) {
  if (start == end) return SegmentParse{{}, {0}};
  if (encoder_ == Encoder::best) {
    SegmentParse parse = ParseBest(iterations_, in, start, end);
    parse.blockEnds = ChooseBlocks(parse.tokens, parse.blockEnds);
    return parse;
  }
  scratch_.resize(libdeflate_deflate_compress_bound(compressor_, end));
  size_t size = libdeflate_deflate_compress(compressor_, in, end, scratch_.data(), scratch_.size());
  DeflateParse whole;
  if (size == 0 || !ReadDeflateTokens(scratch_.data(), size, &whole))
    throw std::runtime_error("internal error: the encoder's stream does not read back");
  SegmentParse parse = CutHistory(whole, in, start, end);
  parse.blockEnds = ChooseBlocks(parse.tokens, parse.blockEnds);
  return parse;
}
