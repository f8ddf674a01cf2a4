// Dynamic Deflate blocks from literals and matches: the codes, their exact size in
// bits, and the writing of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// A literal (dist 0, litlen the byte) or a match (litlen 3 to 258, dist 1 to 32768).
struct Token {
  uint16_t litlen;
  uint16_t dist;
};

constexpr int kLitLenSymbols = 286;
constexpr int kDistSymbols = 30;

// The literal/length symbol of a token, its distance symbol (-1 for a literal) and its
// extra bits.
int LitLenSymbol(const Token& t);
int DistSymbol(const Token& t);
int ExtraBits(const Token& t);

// How often each symbol occurs in a block, and the extra bits its tokens carry.
struct Histogram {
  uint32_t litlen[kLitLenSymbols] = {};
  uint32_t dist[kDistSymbols] = {};
  uint64_t extraBits = 0;

  void Add(const Token& t);
  void Add(const Histogram& other);
};

Histogram CountTokens(const Token* tokens, size_t n);

// The bits a dynamic block with these counts takes, header and end code included.
uint64_t DynamicBlockBits(const Histogram& h);

// The stream under construction, bit by bit, first bit lowest.
class BitWriter {
 public:
  void Put(uint32_t bits, int count);
  uint64_t BitSize() const { return (flushed_ + bytes_.size()) * 8 - unused_; }
  // Drops everything after the first bits bits, which must not reach into flushed bytes.
  void Truncate(uint64_t bits);
  // The bytes not flushed yet; the first of them is byte Flushed() of the stream.
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  uint64_t Flushed() const { return flushed_; }
  // Hands all but the last keep bytes to sink and forgets them.
  template <typename Sink>
  void Flush(size_t keep, Sink&& sink) {
    if (bytes_.size() <= keep) return;
    const size_t n = bytes_.size() - keep;
    sink(bytes_.data(), n);
    bytes_.erase(bytes_.begin(), bytes_.begin() + std::ptrdiff_t(n));
    flushed_ += n;
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t flushed_ = 0;
  int unused_ = 0;  // high bits of the last byte not written yet
};

// Writes tokens as one dynamic block. Every block carries at least two distance codes
// of non-zero length, as a decoder that refuses an empty distance code needs.
void WriteDynamicBlock(const Token* tokens, size_t n, bool final, BitWriter& out);
