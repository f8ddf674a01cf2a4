// Reading the CHECKSUM resource and summing a program file, without the system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "setup/integrity.h"

namespace {

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> bytes;
  for (uint32_t w : words) {
    for (int k = 0; k < 4; ++k) bytes.push_back(uint8_t(w >> (8 * k)));
  }
  return bytes;
}

TEST(ChecksumRecordCount, TakesOnlyAWholeTableOfKnownKinds) {
  struct Case {
    const char* what;
    std::vector<uint8_t> table;
    int64_t count;
  };
  const Case cases[] = {
      {"empty table", Words({0}), 0},
      {"two records", Words({2, 1, 1, 0, 976, 0x1234, 2, 1, 0, 50, 0x5678}), 2},
      {"no count", {}, -1},
      {"count larger than the table", Words({2, 1, 1, 0, 976, 0x1234}), -1},
      {"bytes after the last record", Words({1, 1, 1, 0, 976, 0x1234, 0}), -1},
      {"count that overflows", Words({0x40000000u, 1, 1, 0, 976, 0x1234}), -1},
      {"unknown kind", Words({1, 3, 1, 0, 976, 0x1234}), -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChecksumRecordCount(c.table.data(), c.table.size()), c.count) << c.what;
  }
  const std::vector<uint8_t> two = Words({2, 1, 1, 0, 976, 0x1234, 2, 1, 1041, 50, 0x5678});
  const ChecksumRecord r = ChecksumRecordAt(two.data(), 1);
  EXPECT_EQ(r.kind, kChecksumKindArchive);
  EXPECT_EQ(r.id, 1u);
  EXPECT_EQ(r.language, 1041u);
  EXPECT_EQ(r.size, 50u);
  EXPECT_EQ(r.crc, 0x5678u);
}

// A file of headers: "MZ", the PE header's offset at 0x3C, "PE\0\0" there.
std::vector<uint8_t> Headers(uint32_t peOffset, size_t size) {
  std::vector<uint8_t> bytes(size, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  for (int k = 0; k < 4; ++k) bytes[0x3C + k] = uint8_t(peOffset >> (8 * k));
  if (peOffset + 4 <= size) {
    bytes[peOffset] = 'P';
    bytes[peOffset + 1] = 'E';
  }
  return bytes;
}

TEST(PeChecksumFieldOffset, FindsTheFieldOnlyInAPeFile) {
  EXPECT_EQ(PeChecksumFieldOffset(Headers(0x80, 512).data(), 512), 0x80u + 88);
  std::vector<uint8_t> notMz = Headers(0x80, 512);
  notMz[0] = 'X';
  EXPECT_EQ(PeChecksumFieldOffset(notMz.data(), 512), 0u);
  std::vector<uint8_t> notPe = Headers(0x80, 512);
  notPe[0x81] = 'X';
  EXPECT_EQ(PeChecksumFieldOffset(notPe.data(), 512), 0u);
  EXPECT_EQ(PeChecksumFieldOffset(Headers(0x81, 512).data(), 512), 0u);  // words misaligned
  EXPECT_EQ(PeChecksumFieldOffset(Headers(0x1F0, 512).data(), 512), 0u);  // field past the end
  EXPECT_EQ(PeChecksumFieldOffset(Headers(0x80, 512).data(), 0x3F), 0u);  // cut short
}

// The sum is the same however the file is cut into pieces of even length, and the
// field itself never counts.
TEST(PeChecksum, PiecesAndTheFieldDoNotChangeTheSum) {
  std::vector<uint8_t> file = Headers(0x80, 70001);
  uint32_t x = 12345;
  for (size_t i = 0x200; i < file.size(); ++i) {
    x = x * 1103515245u + 12345u;
    file[i] = uint8_t(x >> 16);
  }
  const uint64_t field = PeChecksumFieldOffset(file.data(), file.size());
  auto sum = [&](size_t piece) {
    PeChecksum state = {0, 0, field};
    for (size_t at = 0; at < file.size(); at += piece) {
      AddPeChecksumBytes(&state, file.data() + at, std::min(piece, file.size() - at));
    }
    return FinishPeChecksum(state);
  };
  const uint32_t whole = sum(file.size());
  EXPECT_EQ(sum(2), whole);
  EXPECT_EQ(sum(4096), whole);
  for (int k = 0; k < 4; ++k) file[field + k] = 0xAB;
  EXPECT_EQ(sum(4096), whole);
  file[0x300] ^= 1;
  EXPECT_NE(sum(4096), whole);
}

// Word by word, folding the carry at every step, as the format defines the sum.
uint32_t ReferencePeChecksum(const std::vector<uint8_t>& file, uint64_t field) {
  uint32_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    uint32_t word = file[i] | (i + 1 < file.size() ? uint32_t(file[i + 1]) << 8 : 0u);
    if (i >= field && i < field + 4) word = 0;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum + uint32_t(file.size());
}

// Files of odd and even length, of bytes that carry often and seldom, cut so that the
// field falls inside a piece, at its edge or across two.
TEST(PeChecksum, MatchesTheWordByWordSum) {
  for (size_t size : {size_t(4097), size_t(70000), size_t(70001)}) {
    for (uint8_t fill : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x5A)}) {
      std::vector<uint8_t> file = Headers(0x80, size);
      uint32_t x = uint32_t(size) + fill;
      for (size_t i = 0x200; i < file.size(); ++i) {
        x = x * 1103515245u + 12345u;
        file[i] = fill == 0x5A ? uint8_t(x >> 16) : fill;
      }
      const uint64_t field = PeChecksumFieldOffset(file.data(), file.size());
      for (size_t piece : {size_t(2), size_t(6), size_t(0x80 + 88), size_t(0x80 + 90),
                           size_t(65536)}) {
        PeChecksum state = {0, 0, field};
        for (size_t at = 0; at < file.size(); at += piece) {
          AddPeChecksumBytes(&state, file.data() + at, std::min(piece, file.size() - at));
        }
        EXPECT_EQ(FinishPeChecksum(state), ReferencePeChecksum(file, field))
            << size << " bytes of " << int(fill) << " in pieces of " << piece;
      }
    }
  }
}

}  // namespace
