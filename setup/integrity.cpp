#include "setup/integrity.h"

namespace {

uint32_t Word(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

int64_t ChecksumRecordCount(const uint8_t* data, size_t size) {
  if (size < 4) return -1;
  const uint64_t count = Word(data);
  if (count > (size - 4) / kChecksumRecordSize || 4 + count * kChecksumRecordSize != size) {
    return -1;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t kind = ChecksumRecordAt(data, i).kind;
    if (kind != kChecksumKindConfig && kind != kChecksumKindArchive) return -1;
  }
  return int64_t(count);
}

ChecksumRecord ChecksumRecordAt(const uint8_t* data, uint32_t index) {
  const uint8_t* r = data + 4 + size_t(index) * kChecksumRecordSize;
  return ChecksumRecord{Word(r), Word(r + 4), Word(r + 8), Word(r + 12), Word(r + 16)};
}

uint64_t PeChecksumFieldOffset(const uint8_t* headers, size_t size) {
  if (size < 0x40 || headers[0] != 'M' || headers[1] != 'Z') return 0;
  const uint64_t pe = Word(headers + 0x3C);
  if (pe % 2 != 0) return 0;  // the words of the sum would not line up
  // "PE\0\0", the 20-byte file header, then the optional header's field at 64.
  const uint64_t field = pe + 4 + 20 + 64;
  if (field + 4 > size || Word(headers + pe) != 0x00004550u) return 0;
  return field;
}

void AddPeChecksumBytes(PeChecksum* state, const uint8_t* bytes, size_t n) {
  uint64_t sum = state->sum;
  for (size_t i = 0; i < n; i += 2) {
    const uint64_t at = state->length + i;
    uint32_t word = bytes[i] | (i + 1 < n ? uint32_t(bytes[i + 1]) << 8 : 0u);
    if (at >= state->fieldOffset && at < state->fieldOffset + 4) word = 0;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  state->sum = sum;
  state->length += n;
}

uint32_t FinishPeChecksum(const PeChecksum& state) {
  uint64_t sum = (state.sum & 0xFFFF) + (state.sum >> 16);
  sum = (sum & 0xFFFF) + (sum >> 16);
  return uint32_t(sum + state.length);
}
