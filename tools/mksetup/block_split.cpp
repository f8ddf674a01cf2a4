#include "tools/mksetup/block_split.h"

#include <array>
#include <cmath>

namespace {

// Counts at every kStride-th token, so that a range's counts cost two subtractions
// and a short walk instead of a walk over the range.
constexpr size_t kStride = 64;
constexpr int kSymbols = kLitLenSymbols + kDistSymbols;
// A block shorter than this is not split further.
constexpr size_t kShortest = 16;
// Positions tried at once while narrowing in on the best split of a long block.
constexpr size_t kProbes = 9;
// Blocks shorter than this are tried at every position.
constexpr size_t kTryAll = 512;

static const std::array<float, 4096> kCountLog = [] {
  std::array<float, 4096> table{};
  for (size_t c = 1; c < table.size(); ++c) table[c] = float(double(c) * std::log2(double(c)));
  return table;
}();

double CountLog(uint32_t c) { return c < kCountLog.size() ? kCountLog[c] : double(c) * std::log2(double(c)); }

class RangeCost {
 public:
  explicit RangeCost(const std::vector<Token>& tokens) {
    symbols_.reserve(tokens.size());
    checkpoints_.reserve(tokens.size() / kStride + 2);
    std::array<uint32_t, kSymbols + 1> running{};  // the last entry: extra bits
    for (size_t i = 0; i < tokens.size(); ++i) {
      if (i % kStride == 0) checkpoints_.push_back(running);
      const int litlen = LitLenSymbol(tokens[i]), dist = DistSymbol(tokens[i]);
      const uint32_t extra = uint32_t(ExtraBits(tokens[i]));
      symbols_.push_back({uint16_t(litlen), int16_t(dist), uint16_t(extra)});
      ++running[size_t(litlen)];
      if (dist >= 0) ++running[size_t(kLitLenSymbols + dist)];
      running[kSymbols] += extra;
    }
    checkpoints_.push_back(running);
  }

  // An estimate of the bits of tokens [from, to) as one block: their entropy, extra
  // bits and a header.
  double Bits(size_t from, size_t to) const {
    std::array<uint32_t, kSymbols + 1> counts = At(to);
    const std::array<uint32_t, kSymbols + 1> before = At(from);
    for (size_t s = 0; s < counts.size(); ++s) counts[s] -= before[s];
    uint32_t litlens = 1, dists = 0, used = 0;
    double sum = 0;
    for (int s = 0; s < kSymbols; ++s) {
      uint32_t c = counts[size_t(s)];
      if (c == 0) continue;
      (s < kLitLenSymbols ? litlens : dists) += c;
      sum += CountLog(c);
      ++used;
    }
    // Roughly what a header costs: its fixed fields, and a few bits for each code sent.
    const double header = 40 + 4.0 * used;
    return CountLog(litlens) + CountLog(dists) - sum + counts[kSymbols] + header;
  }

 private:
  struct Symbols {
    uint16_t litlen;
    int16_t dist;
    uint16_t extra;
  };

  std::array<uint32_t, kSymbols + 1> At(size_t index) const {
    std::array<uint32_t, kSymbols + 1> counts = checkpoints_[index / kStride];
    for (size_t i = index / kStride * kStride; i < index; ++i) {
      ++counts[symbols_[i].litlen];
      if (symbols_[i].dist >= 0) ++counts[size_t(kLitLenSymbols + symbols_[i].dist)];
      counts[kSymbols] += symbols_[i].extra;
    }
    return counts;
  }

  std::vector<Symbols> symbols_;
  std::vector<std::array<uint32_t, kSymbols + 1>> checkpoints_;
};

// The split of [from, to) with the fewest bits, and those bits.
size_t BestSplit(const RangeCost& cost, size_t from, size_t to, double* bits) {
  auto split = [&](size_t at) { return cost.Bits(from, at) + cost.Bits(at, to); };
  size_t low = from + kShortest, high = to - kShortest + 1, best = low;
  double bestBits = 1e300;
  while (high - low > kTryAll) {
    size_t probes[kProbes];
    size_t pick = 0;
    double pickBits = 1e300;
    for (size_t i = 0; i < kProbes; ++i) {
      probes[i] = low + (i + 1) * ((high - low) / (kProbes + 1));
      double b = split(probes[i]);
      if (b < pickBits) pickBits = b, pick = i;
    }
    if (pickBits > bestBits) break;
    best = probes[pick];
    bestBits = pickBits;
    low = pick == 0 ? low : probes[pick - 1];
    high = pick == kProbes - 1 ? high : probes[pick + 1];
  }
  if (high - low <= kTryAll) {
    for (size_t at = low; at < high; ++at) {
      double b = split(at);
      if (b < bestBits) bestBits = b, best = at;
    }
  }
  *bits = bestBits;
  return best;
}

}  // namespace

std::vector<size_t> SplitBlocks(const std::vector<Token>& tokens, size_t maxBlocks) {
  std::vector<size_t> ends = {tokens.size()};
  if (tokens.size() < 2 * kShortest) return ends;
  const RangeCost cost(tokens);
  std::vector<bool> settled = {false};  // per block: no split makes it smaller
  while (ends.size() < maxBlocks) {
    // The longest block not yet settled.
    size_t pick = ends.size();
    for (size_t i = 0, from = 0; i < ends.size(); from = ends[i], ++i) {
      if (!settled[i] && ends[i] - from >= 2 * kShortest &&
          (pick == ends.size() || ends[i] - from > ends[pick] - (pick == 0 ? 0 : ends[pick - 1])))
        pick = i;
    }
    if (pick == ends.size()) break;
    const size_t from = pick == 0 ? 0 : ends[pick - 1], to = ends[pick];
    double splitBits = 0;
    size_t at = BestSplit(cost, from, to, &splitBits);
    if (splitBits < cost.Bits(from, to)) {
      ends.insert(ends.begin() + std::ptrdiff_t(pick), at);
      settled.insert(settled.begin() + std::ptrdiff_t(pick), false);
    } else {
      settled[pick] = true;
    }
  }
  return ends;
}
