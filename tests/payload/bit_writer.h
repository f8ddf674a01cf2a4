// Builds Deflate bit streams by hand: fields go in first bit lowest, Huffman codes
// most significant bit first, as the format sends them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class BitWriter {
 public:
  BitWriter& Bits(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) Put((value >> i) & 1);
    return *this;
  }
  BitWriter& Code(uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;) Put((code >> i) & 1);
    return *this;
  }
  BitWriter& Align() {
    while (bits_ % 8 != 0) Put(0);
    return *this;
  }
  BitWriter& Bytes(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) Bits(b, 8);
    return *this;
  }
  // The fixed literal/length code of a symbol (0 to 287).
  BitWriter& Fixed(unsigned symbol) {
    if (symbol < 144) return Code(0x30 + symbol, 8);
    if (symbol < 256) return Code(0x190 + symbol - 144, 9);
    if (symbol < 280) return Code(symbol - 256, 7);
    return Code(0xC0 + symbol - 280, 8);
  }
  // The fixed distance code of a symbol (0 to 31).
  BitWriter& FixedDistance(unsigned symbol) { return Code(symbol, 5); }

  size_t BitLength() const { return bits_; }
  // The stream so far; the last byte is filled up with zero bits.
  std::vector<uint8_t> Finish() const { return bytes_; }

 private:
  void Put(uint32_t bit) {
    if (bits_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() = static_cast<uint8_t>(bytes_.back() | (bit << (bits_ % 8)));
    ++bits_;
  }
  std::vector<uint8_t> bytes_;
  size_t bits_ = 0;
};
