#include "payload/crc32.h"

namespace {

uint32_t gCrcTable[256];
bool gCrcTableReady = false;

void BuildCrcTable() {
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    gCrcTable[n] = c;
  }
  gCrcTableReady = true;
}

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const uint8_t* data, size_t n) {
  if (!gCrcTableReady) BuildCrcTable();
  for (size_t i = 0; i < n; ++i) crc = gCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}
