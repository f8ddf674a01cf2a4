#include "tools/mksetup/deflate_block.h"

// The encoder's inner header declares a C function without saying so.
extern "C" {
#include <zopfli/katajainen.h>
}

#include <algorithm>
#include <array>
#include <stdexcept>

#include "tools/mksetup/deflate_tables.h"

namespace {

constexpr int kCodeLengthSymbols = 19;
constexpr int kEndOfBlock = 256;

static const uint8_t kCodeLengthExtra[kCodeLengthSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                             0, 0, 0, 0, 0, 0, 2, 3, 7};

// The length symbol (less 257) of each match length.
static const std::array<uint8_t, 259> kLengthSymbol = [] {
  std::array<uint8_t, 259> table{};
  for (int s = 0; s < 29; ++s) {
    for (int l = kLengthBase[s]; l < kLengthBase[s] + (1 << kLengthExtra[s]) && l <= 258; ++l) table[size_t(l)] = uint8_t(s);
  }
  return table;
}();

int DistanceSymbol(int dist) {
  if (dist <= 4) return dist - 1;
  int log = 31 - __builtin_clz(unsigned(dist - 1));
  return 2 * log + (((dist - 1) >> (log - 1)) & 1);
}

// One step of the run-length coded code lengths: a code-length symbol and its extra bits.
struct LengthStep {
  uint8_t symbol;
  uint8_t extra;
};

struct BlockCode {
  unsigned litlen[kLitLenSymbols] = {};
  unsigned dist[kDistSymbols] = {};
  int litlenCount = 257, distCount = 1, codeLengthCount = 4;
  std::vector<LengthStep> steps;
  unsigned codeLength[kCodeLengthSymbols] = {};
  uint64_t bits = 0;
};

void CodeLengths(const size_t* counts, int n, int maxBits, unsigned* lengths) {
  if (ZopfliLengthLimitedCodeLengths(counts, n, maxBits, lengths) != 0)
    throw std::runtime_error("internal error: no prefix code for a block");
}

// Run-length codes the lengths with the repeat codes allowed by the flags.
std::vector<LengthStep> RunLengths(const unsigned* lengths, int n, bool use16, bool use17, bool use18) {
  std::vector<LengthStep> steps;
  for (int i = 0; i < n;) {
    const unsigned symbol = lengths[i];
    int count = 1;
    if (use16 || (symbol == 0 && (use17 || use18))) {
      while (i + count < n && lengths[i + count] == symbol) ++count;
    }
    i += count;
    if (symbol == 0 && count >= 3) {
      for (; use18 && count >= 11; count -= std::min(count, 138)) steps.push_back({18, uint8_t(std::min(count, 138) - 11)});
      for (; use17 && count >= 3; count -= std::min(count, 10)) steps.push_back({17, uint8_t(std::min(count, 10) - 3)});
    }
    if (use16 && count >= 4) {
      steps.push_back({uint8_t(symbol), 0});
      for (--count; count >= 3; count -= std::min(count, 6)) steps.push_back({16, uint8_t(std::min(count, 6) - 3)});
    }
    for (; count > 0; --count) steps.push_back({uint8_t(symbol), 0});
  }
  return steps;
}

void GiveTwoSymbols(size_t* counts, int n) {
  int used = int(std::count_if(counts, counts + n, [](size_t c) { return c != 0; }));
  for (int s = 0; used < 2; ++s) {
    if (counts[s] == 0) {
      counts[s] = 1;
      ++used;
    }
  }
}

// Chooses the codes of a block and the smallest way to send them.
BlockCode PlanBlock(const Histogram& h) {
  BlockCode code;
  size_t litlen[kLitLenSymbols], dist[kDistSymbols];
  std::copy(h.litlen, h.litlen + kLitLenSymbols, litlen);
  std::copy(h.dist, h.dist + kDistSymbols, dist);
  litlen[kEndOfBlock] = 1;
  // Codes of a single symbol trouble some decoders: give each code two symbols at least.
  GiveTwoSymbols(litlen, kLitLenSymbols);
  GiveTwoSymbols(dist, kDistSymbols);
  CodeLengths(litlen, kLitLenSymbols, 15, code.litlen);
  CodeLengths(dist, kDistSymbols, 15, code.dist);

  code.litlenCount = kLitLenSymbols;
  while (code.litlenCount > 257 && code.litlen[code.litlenCount - 1] == 0) --code.litlenCount;
  code.distCount = kDistSymbols;
  while (code.distCount > 1 && code.dist[code.distCount - 1] == 0) --code.distCount;
  unsigned all[kLitLenSymbols + kDistSymbols];
  std::copy(code.litlen, code.litlen + code.litlenCount, all);
  std::copy(code.dist, code.dist + code.distCount, all + code.litlenCount);
  const int total = code.litlenCount + code.distCount;

  uint64_t data = h.extraBits + code.litlen[kEndOfBlock];
  for (int s = 0; s < kLitLenSymbols; ++s) data += uint64_t(h.litlen[s]) * code.litlen[s];
  for (int s = 0; s < kDistSymbols; ++s) data += uint64_t(h.dist[s]) * code.dist[s];

  uint64_t best = UINT64_MAX;
  for (int flags = 0; flags < 8; ++flags) {
    std::vector<LengthStep> steps = RunLengths(all, total, flags & 1, flags & 2, flags & 4);
    size_t counts[kCodeLengthSymbols] = {};
    for (const LengthStep& s : steps) ++counts[s.symbol];
    unsigned lengths[kCodeLengthSymbols];
    CodeLengths(counts, kCodeLengthSymbols, 7, lengths);
    int n = kCodeLengthSymbols;
    while (n > 4 && lengths[kCodeLengthOrder[n - 1]] == 0) --n;
    uint64_t bits = 3 + 5 + 5 + 4 + 3 * uint64_t(n);
    for (int s = 0; s < kCodeLengthSymbols; ++s) bits += counts[s] * (lengths[s] + kCodeLengthExtra[s]);
    if (bits < best) {
      best = bits;
      code.steps = std::move(steps);
      std::copy(lengths, lengths + kCodeLengthSymbols, code.codeLength);
      code.codeLengthCount = n;
    }
  }
  code.bits = best + data;
  return code;
}

// Canonical codes, bit-reversed for a stream that is read first bit lowest.
void CanonicalCodes(const unsigned* lengths, int n, uint16_t* codes) {
  unsigned count[16] = {}, next[16] = {};
  for (int s = 0; s < n; ++s) ++count[lengths[s]];
  count[0] = 0;
  for (int bits = 1, code = 0; bits < 16; ++bits) {
    code = (code + int(count[bits - 1])) << 1;
    next[bits] = unsigned(code);
  }
  for (int s = 0; s < n; ++s) {
    if (lengths[s] == 0) continue;
    unsigned code = next[lengths[s]]++, reversed = 0;
    for (unsigned b = 0; b < lengths[s]; ++b) reversed |= ((code >> b) & 1) << (lengths[s] - 1 - b);
    codes[s] = uint16_t(reversed);
  }
}

}  // namespace

int LitLenSymbol(const Token& t) { return t.dist == 0 ? t.litlen : 257 + kLengthSymbol[t.litlen]; }

int DistSymbol(const Token& t) { return t.dist == 0 ? -1 : DistanceSymbol(t.dist); }

int ExtraBits(const Token& t) {
  return t.dist == 0 ? 0 : kLengthExtra[kLengthSymbol[t.litlen]] + kDistExtra[DistanceSymbol(t.dist)];
}

void Histogram::Add(const Token& t) {
  if (t.dist == 0) {
    ++litlen[t.litlen];
    return;
  }
  int l = kLengthSymbol[t.litlen], d = DistanceSymbol(t.dist);
  ++litlen[257 + l];
  ++dist[d];
  extraBits += kLengthExtra[l] + kDistExtra[d];
}

void Histogram::Add(const Histogram& other) {
  for (int s = 0; s < kLitLenSymbols; ++s) litlen[s] += other.litlen[s];
  for (int s = 0; s < kDistSymbols; ++s) dist[s] += other.dist[s];
  extraBits += other.extraBits;
}

Histogram CountTokens(const Token* tokens, size_t n) {
  Histogram h;
  for (size_t i = 0; i < n; ++i) h.Add(tokens[i]);
  return h;
}

uint64_t DynamicBlockBits(const Histogram& h) { return PlanBlock(h).bits; }

void BitWriter::Put(uint32_t bits, int count) {
  while (count > 0) {
    if (unused_ == 0) {
      bytes_.push_back(0);
      unused_ = 8;
    }
    const int take = std::min(count, unused_);
    bytes_.back() = uint8_t(bytes_.back() | ((bits & ((1u << take) - 1)) << (8 - unused_)));
    bits >>= take;
    count -= take;
    unused_ -= take;
  }
}

void BitWriter::Truncate(uint64_t bits) {
  bytes_.resize(size_t((bits + 7) / 8 - flushed_));
  unused_ = int((flushed_ + bytes_.size()) * 8 - bits);
  if (unused_ != 0) bytes_.back() = uint8_t(bytes_.back() & ((1u << (8 - unused_)) - 1));
}

void WriteDynamicBlock(const Token* tokens, size_t n, bool final, BitWriter& out) {
  const BlockCode code = PlanBlock(CountTokens(tokens, n));
  uint16_t litlen[kLitLenSymbols] = {}, dist[kDistSymbols] = {}, lengths[kCodeLengthSymbols] = {};
  CanonicalCodes(code.litlen, kLitLenSymbols, litlen);
  CanonicalCodes(code.dist, kDistSymbols, dist);
  CanonicalCodes(code.codeLength, kCodeLengthSymbols, lengths);

  out.Put(final ? 1 : 0, 1);
  out.Put(2, 2);
  out.Put(uint32_t(code.litlenCount - 257), 5);
  out.Put(uint32_t(code.distCount - 1), 5);
  out.Put(uint32_t(code.codeLengthCount - 4), 4);
  for (int i = 0; i < code.codeLengthCount; ++i) out.Put(code.codeLength[kCodeLengthOrder[i]], 3);
  for (const LengthStep& s : code.steps) {
    out.Put(lengths[s.symbol], int(code.codeLength[s.symbol]));
    out.Put(s.extra, kCodeLengthExtra[s.symbol]);
  }
  for (size_t i = 0; i < n; ++i) {
    const Token& t = tokens[i];
    if (t.dist == 0) {
      out.Put(litlen[t.litlen], int(code.litlen[t.litlen]));
      continue;
    }
    int l = kLengthSymbol[t.litlen], d = DistanceSymbol(t.dist);
    out.Put(litlen[257 + l], int(code.litlen[257 + l]));
    out.Put(uint32_t(t.litlen - kLengthBase[l]), kLengthExtra[l]);
    out.Put(dist[d], int(code.dist[d]));
    out.Put(uint32_t(t.dist - kDistBase[d]), kDistExtra[d]);
  }
  out.Put(litlen[kEndOfBlock], int(code.litlen[kEndOfBlock]));
}
