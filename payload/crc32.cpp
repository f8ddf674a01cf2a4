#include "payload/crc32.h"

#include <cstdlib>

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr int kSlices = 16;
using CrcTables = uint32_t[kSlices][256];

// The register after eight of its bits have been shifted out through the polynomial.
inline uint32_t ShiftOutByte(uint32_t c) {
  for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? kPolynomial ^ (c >> 1) : c >> 1;
  return c;
}

// tables[k][b] is the register change of byte b followed by k zero bytes, so sixteen
// bytes fold in with sixteen independent lookups. Built on first use on the heap and
// kept for the process: 16 KB that the program file need not carry (zeroed data of
// its own would take room in it). Not guarded: every caller runs on one thread.
CrcTables* gCrcTables = nullptr;

CrcTables* BuildCrcTables() {
  CrcTables* tables = static_cast<CrcTables*>(std::malloc(sizeof(CrcTables)));
  if (tables == nullptr) return nullptr;
  uint32_t (*t)[256] = *tables;
  for (uint32_t n = 0; n < 256; ++n) t[0][n] = ShiftOutByte(n);
  for (uint32_t n = 0; n < 256; ++n) {
    for (int k = 1; k < kSlices; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
  }
  return tables;
}

// Without memory for the tables: one bit at a time, slowly but right.
uint32_t FoldBits(uint32_t crc, const uint8_t* data, size_t n) {
  for (; n > 0; --n) crc = ShiftOutByte(crc ^ *data++);
  return crc;
}

// Assembled byte by byte so that it reads the same on any byte order and alignment;
// compilers make it one load where the processor allows.
inline uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const uint8_t* data, size_t n) {
  if (gCrcTables == nullptr) gCrcTables = BuildCrcTables();
  if (gCrcTables == nullptr) return FoldBits(crc, data, n);
  const uint32_t (*t)[256] = *gCrcTables;
  for (; n >= 16; n -= 16, data += 16) {
    const uint32_t first = crc ^ Load32(data);
    crc = t[15][first & 0xFF] ^ t[14][(first >> 8) & 0xFF] ^ t[13][(first >> 16) & 0xFF] ^
          t[12][first >> 24];
    for (int k = 4; k < 16; ++k) crc ^= t[15 - k][data[k]];
  }
  for (; n > 0; --n) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
  return crc;
}
