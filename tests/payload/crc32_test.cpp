// CRC-32 of the payload: known values, and every split of a buffer into pieces of
// any length and alignment gives the register of one pass.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/crc32.h"

namespace {

uint32_t Crc(const std::string& text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  return UpdateCrc32(0xFFFFFFFFu, bytes, text.size()) ^ 0xFFFFFFFFu;
}

// One bit at a time, straight from the polynomial.
uint32_t BitwiseCrc(const std::vector<uint8_t>& data, size_t from, size_t to) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = from; i < to; ++i) {
    c ^= data[i];
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return c;
}

TEST(Crc32, KnownValues) {
  EXPECT_EQ(Crc(""), 0x00000000u);
  EXPECT_EQ(Crc("a"), 0xE8B7BE43u);
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

TEST(Crc32, AnyStartLengthAndSplitMatchesTheBitwiseRegister) {
  std::vector<uint8_t> data(97);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 151 + 7);
  for (size_t from = 0; from < 9; ++from) {
    for (size_t to = from; to <= data.size(); ++to) {
      const uint32_t expected = BitwiseCrc(data, from, to);
      ASSERT_EQ(UpdateCrc32(0xFFFFFFFFu, data.data() + from, to - from), expected)
          << "bytes " << from << " to " << to;
      const size_t cut = from + (to - from) / 3;
      uint32_t c = UpdateCrc32(0xFFFFFFFFu, data.data() + from, cut - from);
      ASSERT_EQ(UpdateCrc32(c, data.data() + cut, to - cut), expected)
          << "bytes " << from << " to " << to << " cut at " << cut;
    }
  }
}

// Long buffers take a different road from short ones, and cross internal runs at sizes
// no round number hits; every length and split below must still give the bitwise register.
TEST(Crc32, LongBuffersAtOddLengthsStartsAndSplitsMatchTheBitwiseRegister) {
  std::vector<uint8_t> data(300000);
  uint32_t seed = 12345;
  for (uint8_t& b : data) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 23);
  }
  struct Case {
    size_t from, to, cut;
  };
  static const Case kCases[] = {
      {0, 4799, 0},        {0, 4800, 2400},     {1, 4808, 7},        {3, 4817, 4000},
      {0, 35167, 12345},   {5, 35173, 35000},   {7, 35175, 8},       {0, 300000, 150001},
      {2, 299999, 65537},  {0, 65536, 32768},   {4, 98309, 32771},   {6, 200006, 199999},
  };
  for (const Case& c : kCases) {
    const uint32_t expected = BitwiseCrc(data, c.from, c.to);
    EXPECT_EQ(UpdateCrc32(0xFFFFFFFFu, data.data() + c.from, c.to - c.from), expected)
        << "bytes " << c.from << " to " << c.to;
    const uint32_t first = UpdateCrc32(0xFFFFFFFFu, data.data() + c.from, c.cut - c.from);
    EXPECT_EQ(UpdateCrc32(first, data.data() + c.cut, c.to - c.cut), expected)
        << "bytes " << c.from << " to " << c.to << " cut at " << c.cut;
  }
  // Buffers of all zeros, where only the register folds, and of all ones.
  std::vector<uint8_t> zeros(50000, 0), ones(50000, 0xFF);
  EXPECT_EQ(UpdateCrc32(0xFFFFFFFFu, zeros.data(), zeros.size()), BitwiseCrc(zeros, 0, zeros.size()));
  EXPECT_EQ(UpdateCrc32(0xFFFFFFFFu, ones.data(), ones.size()), BitwiseCrc(ones, 0, ones.size()));
}

}  // namespace
