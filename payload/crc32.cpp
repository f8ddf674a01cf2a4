#include "payload/crc32.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr int kSlices = 16;

// A multiple of the polynomial with five terms, in powers of y = x^64:
// y^300 + y^155 + y^117 + y^89 + 1. Modulo it, a 64-bit word folds into four words that
// follow it by XOR alone, and what is left after the last word has the same CRC as the
// whole. Its span, 300 words, is the shortest a search of five-term multiples found.
constexpr int kSpan = 300;
constexpr int kTerms[] = {155, 117, 89};  // the inner terms; the constant one is the word itself

// Words folded between two moves of the window back to the front of its buffer.
constexpr int kRun = 4096;

struct CrcState {
  // tables[k][b] is the register change of byte b followed by k zero bytes, so sixteen
  // bytes fold in with sixteen independent lookups.
  uint32_t tables[kSlices][256];
  uint64_t window[kSpan + kRun];
};

// The register after eight of its bits have been shifted out through the polynomial.
inline uint32_t ShiftOutByte(uint32_t c) {
  for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? kPolynomial ^ (c >> 1) : c >> 1;
  return c;
}

// Built on first use on the heap and kept for the process: 51 KB that the program file
// need not carry (zeroed data of its own would take room in it). Not guarded: every
// caller runs on one thread.
CrcState* gCrcState = nullptr;

CrcState* BuildCrcState() {
  CrcState* state = static_cast<CrcState*>(std::malloc(sizeof(CrcState)));
  if (state == nullptr) return nullptr;
  uint32_t (*t)[256] = state->tables;
  for (uint32_t n = 0; n < 256; ++n) t[0][n] = ShiftOutByte(n);
  for (uint32_t n = 0; n < 256; ++n) {
    for (int k = 1; k < kSlices; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
  }
  return state;
}

// Without memory for the tables: one bit at a time, slowly but right.
uint32_t FoldBits(uint32_t crc, const uint8_t* data, size_t n) {
  for (; n > 0; --n) crc = ShiftOutByte(crc ^ *data++);
  return crc;
}

// Assembled byte by byte so that they read the same on any byte order and alignment;
// compilers make each one load where the processor allows.
inline uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint64_t Load64(const uint8_t* p) { return Load32(p) | uint64_t(Load32(p + 4)) << 32; }

uint32_t FoldBytes(const uint32_t (*t)[256], uint32_t crc, const uint8_t* data, size_t n) {
  for (; n >= 16; n -= 16, data += 16) {
    const uint32_t first = crc ^ Load32(data);
    crc = t[15][first & 0xFF] ^ t[14][(first >> 8) & 0xFF] ^ t[13][(first >> 16) & 0xFF] ^
          t[12][first >> 24];
    for (int k = 4; k < 16; ++k) crc ^= t[15 - k][data[k]];
  }
  for (; n > 0; --n) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
  return crc;
}

// The register of eight message bytes, byte k being bits 8k to 8k+7 of the word.
inline uint32_t FoldWord(const uint32_t (*t)[256], uint32_t crc, uint64_t word) {
  const uint32_t low = crc ^ uint32_t(word);
  const uint32_t high = uint32_t(word >> 32);
  return t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
         t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
}

// The register after `words` whole words, by folding every word but the last kSpan into
// those that follow it. The register joins the message as its first four bytes do, so the
// rest starts from zero.
uint32_t FoldSpans(CrcState* s, uint32_t crc, const uint8_t* data, size_t words) {
  uint64_t* const w = s->window;
  for (int k = 0; k < kSpan; ++k) w[k] = Load64(data + 8 * k);
  w[0] ^= crc;
  size_t done = kSpan;
  while (done < words) {
    size_t run = words - done < size_t(kRun) ? words - done : size_t(kRun);
    uint64_t* p = w + kSpan;
    const uint8_t* in = data + 8 * done;
    // Four words a round: loop control was a fifth of the work.
#pragma GCC unroll 4
    for (size_t i = 0; i < run; ++i, ++p, in += 8) {
      const uint64_t x = p[-kSpan];
      p[0] = Load64(in) ^ x;
      p[-kTerms[0]] ^= x;
      p[-kTerms[1]] ^= x;
      p[-kTerms[2]] ^= x;
    }
    done += run;
    std::memmove(w, w + run, kSpan * sizeof(uint64_t));
  }
  uint32_t rest = 0;
  for (int k = 0; k < kSpan; ++k) rest = FoldWord(s->tables, rest, w[k]);
  return rest;
}

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const uint8_t* data, size_t n) {
  if (gCrcState == nullptr) gCrcState = BuildCrcState();
  if (gCrcState == nullptr) return FoldBits(crc, data, n);
  // Folding pays for its fixed cost (the last kSpan words by table) from about twice that.
  const size_t words = n / 8;
  if (words >= 2 * kSpan) {
    crc = FoldSpans(gCrcState, crc, data, words);
    data += 8 * words;
    n -= 8 * words;
  }
  return FoldBytes(gCrcState->tables, crc, data, n);
}
