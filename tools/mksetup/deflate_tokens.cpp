#include "tools/mksetup/deflate_tokens.h"

#include <algorithm>

#include "tools/mksetup/deflate_tables.h"

namespace {

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next n bits (n at most 16) without taking them; zeros past the end.
  uint32_t Peek(int n) {
    while (count_ < n) {
      uint64_t byte = at_ < size_ ? data_[at_] : 0;
      ++at_;
      buffer_ |= byte << count_;
      count_ += 8;
    }
    return uint32_t(buffer_ & ((1u << n) - 1));
  }
  void Drop(int n) {
    buffer_ >>= n;
    count_ -= n;
  }
  uint32_t Get(int n) {
    uint32_t bits = Peek(n);
    Drop(n);
    return bits;
  }
  void AlignToByte() { Drop(count_ % 8); }
  // True once more bits were taken than the stream holds.
  bool Overrun() const { return at_ * 8 > size_ * 8 + size_t(count_); }

 private:
  const uint8_t* data_;
  size_t size_, at_ = 0;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

// A prefix code as one table indexed by the next maxBits bits.
class PrefixCode {
 public:
  bool Build(const uint8_t* lengths, int n) {
    int count[16] = {};
    maxBits_ = 0;
    for (int s = 0; s < n; ++s) {
      ++count[lengths[s]];
      maxBits_ = std::max<int>(maxBits_, lengths[s]);
    }
    if (maxBits_ == 0) return false;
    count[0] = 0;
    int next[16] = {}, code = 0, left = 1;
    for (int bits = 1; bits <= maxBits_; ++bits) {
      code = (code + count[bits - 1]) << 1;
      next[bits] = code;
      left = left * 2 - count[bits];
      if (left < 0) return false;
    }
    table_.assign(size_t(1) << maxBits_, kUnused);
    for (int s = 0; s < n; ++s) {
      const int len = lengths[s];
      if (len == 0) continue;
      int c = next[len]++, reversed = 0;
      for (int b = 0; b < len; ++b) reversed |= ((c >> b) & 1) << (len - 1 - b);
      for (int i = reversed; i < (1 << maxBits_); i += 1 << len) table_[size_t(i)] = uint16_t(s << 4 | len);
    }
    return true;
  }
  // The next symbol, or -1 for a code that is not in the set.
  int Decode(BitReader& in) const {
    uint16_t entry = table_[in.Peek(maxBits_)];
    if (entry == kUnused) return -1;
    in.Drop(entry & 15);
    return entry >> 4;
  }

 private:
  static constexpr uint16_t kUnused = 0xFFFF;
  std::vector<uint16_t> table_;
  int maxBits_ = 0;
};

bool ReadCodes(BitReader& in, PrefixCode* litlen, PrefixCode* dist, int* distanceCodes) {
  const int nl = int(in.Get(5)) + 257, nd = int(in.Get(5)) + 1, nc = int(in.Get(4)) + 4;
  if (nl > 286 || nd > 30) return false;
  uint8_t codeLengths[19] = {};
  for (int i = 0; i < nc; ++i) codeLengths[kCodeLengthOrder[i]] = uint8_t(in.Get(3));
  PrefixCode lengthCode;
  if (!lengthCode.Build(codeLengths, 19)) return false;
  uint8_t lengths[286 + 30] = {};
  for (int i = 0; i < nl + nd;) {
    int s = lengthCode.Decode(in);
    if (s < 0) return false;
    if (s < 16) {
      lengths[i++] = uint8_t(s);
      continue;
    }
    int repeat = s == 16 ? 3 + int(in.Get(2)) : s == 17 ? 3 + int(in.Get(3)) : 11 + int(in.Get(7));
    if (s == 16 && i == 0) return false;
    uint8_t value = s == 16 ? lengths[i - 1] : 0;
    if (i + repeat > nl + nd) return false;
    std::fill(lengths + i, lengths + i + repeat, value);
    i += repeat;
  }
  *distanceCodes = int(std::count_if(lengths + nl, lengths + nl + nd, [](uint8_t l) { return l != 0; }));
  return litlen->Build(lengths, nl) && dist->Build(lengths + nl, nd);
}

bool ReadCodedBlock(BitReader& in, const PrefixCode& litlen, const PrefixCode& dist, DeflateParse* parse,
                    uint64_t* position) {
  for (;;) {
    int s = litlen.Decode(in);
    if (s < 0 || s > 285 || in.Overrun()) return false;
    if (s < 256) {
      parse->tokens.push_back({uint16_t(s), 0});
      ++*position;
      continue;
    }
    if (s == 256) return true;
    int length = kLengthBase[s - 257] + int(in.Get(kLengthExtra[s - 257]));
    int d = dist.Decode(in);
    if (d < 0 || d > 29) return false;
    int distance = kDistBase[d] + int(in.Get(kDistExtra[d]));
    if (uint64_t(distance) > *position) return false;
    parse->tokens.push_back({uint16_t(length), uint16_t(distance)});
    *position += uint64_t(length);
  }
}

}  // namespace

bool ReadDeflateTokens(const uint8_t* data, size_t size, DeflateParse* parse) {
  BitReader in(data, size);
  uint64_t position = 0;
  bool final = false;
  while (!final) {
    final = in.Get(1) != 0;
    const int type = int(in.Get(2));
    int distanceCodes = type == 1 ? 30 : 0;
    if (type == 0) {
      in.AlignToByte();
      uint32_t length = in.Get(16), check = in.Get(16);
      if ((length ^ 0xFFFF) != check) return false;
      for (uint32_t i = 0; i < length; ++i) parse->tokens.push_back({uint16_t(in.Get(8)), 0});
      position += length;
    } else if (type == 1 || type == 2) {
      PrefixCode litlen, dist;
      if (type == 1) {
        uint8_t lengths[288 + 30];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        std::fill(lengths + 288, lengths + 318, 5);
        litlen.Build(lengths, 288);
        dist.Build(lengths + 288, 30);
      } else if (!ReadCodes(in, &litlen, &dist, &distanceCodes)) {
        return false;
      }
      if (!ReadCodedBlock(in, litlen, dist, parse, &position)) return false;
    } else {
      return false;
    }
    if (in.Overrun()) return false;
    parse->blocks.push_back({position, type, distanceCodes});
  }
  return true;
}
