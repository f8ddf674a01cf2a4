#include "payload/crc32.h"

namespace {

// gCrcTables[k][b] is the register change of byte b followed by k zero bytes, so
// sixteen bytes fold in with sixteen independent lookups.
constexpr int kSlices = 16;
uint32_t gCrcTables[kSlices][256];
bool gCrcTablesReady = false;

void BuildCrcTables() {
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    gCrcTables[0][n] = c;
  }
  for (uint32_t n = 0; n < 256; ++n) {
    for (int k = 1; k < kSlices; ++k) {
      uint32_t c = gCrcTables[k - 1][n];
      gCrcTables[k][n] = (c >> 8) ^ gCrcTables[0][c & 0xFF];
    }
  }
  gCrcTablesReady = true;
}

// Assembled byte by byte so that it reads the same on any byte order and alignment;
// compilers make it one load where the processor allows.
inline uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t FoldByte(uint32_t crc, uint8_t byte) {
  return gCrcTables[0][(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const uint8_t* data, size_t n) {
  if (!gCrcTablesReady) BuildCrcTables();
  for (; n >= 16; n -= 16, data += 16) {
    const uint32_t first = crc ^ Load32(data);
    crc = gCrcTables[15][first & 0xFF] ^ gCrcTables[14][(first >> 8) & 0xFF] ^
          gCrcTables[13][(first >> 16) & 0xFF] ^ gCrcTables[12][first >> 24];
    for (int k = 4; k < 16; ++k) crc ^= gCrcTables[15 - k][data[k]];
  }
  for (; n > 0; --n) crc = FoldByte(crc, *data++);
  return crc;
}
