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

namespace {

// Adds the little-endian 16-bit words of n bytes (a last odd byte as a word of its own)
// four bytes at a time: 65536 is 1 modulo 0xFFFF, so a 32-bit word adds as its two
// halves do, and the carries fold in at the end.
uint64_t AddWords(uint64_t sum, const uint8_t* bytes, size_t n) {
  size_t i = 0;
  for (; i + 4 <= n; i += 4) sum += Word(bytes + i);
  if (i + 2 <= n) {
    sum += bytes[i] | uint32_t(bytes[i + 1]) << 8;
    i += 2;
  }
  if (i < n) sum += bytes[i];
  return sum;
}

// Where file offset `at` falls in a piece of n bytes that starts at `start`, held to it.
size_t OffsetInPiece(uint64_t at, uint64_t start, size_t n) {
  return at <= start ? 0 : at - start < n ? size_t(at - start) : n;
}

}  // namespace

void AddPeChecksumBytes(PeChecksum* state, const uint8_t* bytes, size_t n) {
  // The field counts as zero: the words on either side of it are summed. It starts on
  // an even offset, so both sides start on a word.
  const size_t fieldStart = OffsetInPiece(state->fieldOffset, state->length, n);
  const size_t fieldEnd = OffsetInPiece(state->fieldOffset + 4, state->length, n);
  uint64_t sum = AddWords(state->sum, bytes, fieldStart);
  state->sum = AddWords(sum, bytes + fieldEnd, n - fieldEnd);
  state->length += n;
}

uint32_t FinishPeChecksum(const PeChecksum& state) {
  uint64_t sum = state.sum;
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  return uint32_t(sum + state.length);
}
