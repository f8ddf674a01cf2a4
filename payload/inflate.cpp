#include "payload/inflate.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "config/state.h"
#include "payload/writer_state.h"
#include "text/status.h"

const uint8_t* gInput = nullptr;
int32_t gInputLeft = 0;
uint32_t gBitBuffer = 0;
uint16_t gBitCount = 0;
uint16_t gWindowFill = 0;

namespace {

constexpr unsigned kMaxSymbols = 288;
constexpr unsigned kMaxCodeLength = 16;
constexpr unsigned kMaxMatch = 258;
constexpr int32_t kMarkerSpan = 30;

// Root widths. Wide roots resolve nearly every code in one lookup; the code-length
// code is never longer than 7 bits and the fixed codes never longer than 9.
constexpr unsigned kCodeLengthWidth = 7;
constexpr unsigned kLiteralWidth = 11;
constexpr unsigned kDistanceWidth = 8;

// Length symbols 257..287; the last two do not exist and read as no such code.
const uint16_t kLengthBases[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27, 31,
                                   35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
const uint8_t kLengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                  3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
static_assert(sizeof(kLengthBases) / sizeof(kLengthBases[0]) == 288 - 257, "length symbols");
static_assert(sizeof(kLengthExtra) == 288 - 257, "length symbols");

const uint16_t kDistanceBases[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                     33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                     1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
static_assert(sizeof(kDistanceBases) / sizeof(kDistanceBases[0]) == 30, "distance codes");
static_assert(sizeof(kDistanceExtra) == 30, "distance codes");

// The order in which a dynamic block sends its code-length code lengths.
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
static_assert(sizeof(kCodeLengthOrder) == 19, "code-length symbols");

const uint8_t* gInputEnd = nullptr;   // end of the input as Inflate found it
const uint8_t* gPlainEnd = nullptr;   // the next marker, or the end of what may be fetched
bool gPlainKnown = false;
uint32_t gPaddingBits = 0;            // zero bits supplied past the end of the input
bool gWindowWrapped = false;          // a full window went out: every distance is in reach

// For the few small functions of the decoding loop, which must not cost a call.
#define DECODER_INLINE inline __attribute__((always_inline))

// The state in which decoding goes on; every other value ends the block with it.
constexpr int kKeepDecoding = -1;

inline uint32_t Mask(unsigned n) { return (uint32_t(1) << n) - 1; }

// Mask(n) for the bit counts of one read, as a lookup rather than a shift.
const uint32_t kLowBits[17] = {0x0,   0x1,   0x3,   0x7,    0xF,    0x1F,   0x3F,
                               0x7F,  0xFF,  0x1FF, 0x3FF,  0x7FF,  0xFFF,  0x1FFF,
                               0x3FFF, 0x7FFF, 0xFFFF};

inline bool IsMarker(const uint8_t* p) {
  return p[0] == 0xF8 && p[1] == 0xF5 && p[2] == 0x23 && p[3] == 0x7C;
}

// Bytes from gInput on that may be fetched without the marker test having any
// effect: up to the next marker that NeedBits would recognise, or to the end.
uint32_t PlainInputBytes() {
  if (gInputLeft <= 0) return 0;
  if (!gPlainKnown || gInput > gPlainEnd) {
    const uint8_t* limit = gInput + gInputLeft;
    const uint8_t* p = gInput;
    gPlainEnd = limit;
    while (limit - p >= 4) {
      const void* hit = std::memchr(p, 0xF8, static_cast<size_t>(limit - 3 - p));
      if (hit == nullptr) break;
      p = static_cast<const uint8_t*>(hit);
      if (IsMarker(p)) {
        gPlainEnd = p;
        break;
      }
      ++p;
    }
    gPlainKnown = true;
  }
  return static_cast<uint32_t>(gPlainEnd - gInput);
}

inline void DropBits(unsigned n) {
  gBitBuffer >>= n;
  gBitCount = static_cast<uint16_t>(gBitCount - n);
}

// True once the decoder has consumed bits that the input does not hold.
inline bool InputOverrun() { return gPaddingBits > gBitCount; }

// Hands the full window to the writer. Bytes decoded from bits past the end of the
// input never leave the decoder.
int FlushFullWindow() {
  gWindowFill = static_cast<uint16_t>(kWindowSize);
  if (InputOverrun()) return statusTruncated;
  int status = FlushWindow();
  if (status != 0) return status;
  gWindowFill = 0;
  gWindowWrapped = true;
  return 0;
}

// The two ways of reading bits: one byte at a time through NeedBits, with the marker
// test before every byte, and a 64-bit word refilled a word at a time from input that
// holds no marker. The rules of decoding are written once, for either.
struct ByteBits {
  static void Refill() {}
  static void Keep(unsigned) {}
  static void Need(unsigned n) { NeedBits(n); }
  static unsigned Peek(unsigned n) { return gBitBuffer & kLowBits[n]; }
  static unsigned PeekMasked(uint32_t mask) { return gBitBuffer & mask; }
  static void Drop(unsigned n) { DropBits(n); }
};

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

struct WordBits {
  uint64_t buffer;
  unsigned count;
  const uint8_t* in;

  // At least 56 bits: a literal/length code with its extra bits and a distance code
  // with its extra bits take at most 48. The bits above the count are the next input
  // bits, so loading them again is harmless.
  void Refill() {
    buffer |= Load64(in) << count;
    in += (63 - count) >> 3;
    count |= 56;
  }
  // For readers that take few bits at a time: refills only when fewer than n are left.
  void Keep(unsigned n) {
    if (count < n) Refill();
  }
  static void Need(unsigned) {}
  unsigned Peek(unsigned n) const { return static_cast<unsigned>(buffer) & kLowBits[n]; }
  unsigned PeekMasked(uint32_t mask) const { return static_cast<unsigned>(buffer) & mask; }
  void Drop(unsigned n) {
    buffer >>= n;
    count -= n;
  }
};

WordBits StartWords() { return WordBits{gBitBuffer, gBitCount, gInput}; }

// Gives back the bytes loaded but not used, so that the state is then exactly what
// the byte-at-a-time path would have left.
void FinishWords(WordBits& bits) {
  const unsigned unused = bits.count >> 3;
  bits.in -= unused;
  bits.count &= 7;
  gInputLeft -= static_cast<int32_t>(bits.in - gInput);
  gInput = bits.in;
  gBitBuffer = static_cast<uint32_t>(bits.buffer) & Mask(bits.count);
  gBitCount = static_cast<uint16_t>(bits.count);
}

// A code set's table as the decoding loop reads it.
struct CodeTable {
  const HuffmanEntry* slots;
  unsigned width;  // of the root
  uint32_t mask;   // Mask(width)
};

template <class Bits>
DECODER_INLINE unsigned TakeBits(Bits& bits, unsigned n) {
  bits.Need(n);
  unsigned value = bits.Peek(n);
  bits.Drop(n);
  return value;
}

// The final slot of the code whose root slot is e, its bits consumed. A slot of no
// such code consumes as many bits as the longest code of its set.
template <class Bits>
DECODER_INLINE const HuffmanEntry* ResolveCode(const HuffmanEntry* table, const HuffmanEntry* e,
                                       Bits& bits) {
  if (unsigned(e->operation - huffmanLiteral - 1) < 16) {  // a link
    bits.Drop(e->bits);
    const unsigned k = e->operation - huffmanLiteral;
    bits.Need(k);
    e = &table[e->value + bits.Peek(k)];
  }
  bits.Need(e->bits);
  bits.Drop(e->bits);
  return e;
}

// For a table as wide as its longest code.
template <class Bits>
DECODER_INLINE const HuffmanEntry* ReadRootCode(const HuffmanEntry* table, unsigned width,
                                                Bits& bits) {
  bits.Need(width);
  const HuffmanEntry* e = &table[bits.Peek(width)];
  bits.Drop(e->bits);
  return e;
}

template <class Bits>
DECODER_INLINE const HuffmanEntry* ReadCode(const HuffmanEntry* table, unsigned width, Bits& bits) {
  bits.Need(width);
  return ResolveCode(table, &table[bits.Peek(width)], bits);
}

inline void Copy8(uint8_t* dst, const uint8_t* src) {
  uint64_t v;
  std::memcpy(&v, src, 8);
  std::memcpy(dst, &v, 8);
}

inline void Copy4(uint8_t* dst, const uint8_t* src) {
  uint32_t v;
  std::memcpy(&v, src, 4);
  std::memcpy(dst, &v, 4);
}

DECODER_INLINE void CopyPieces(uint8_t* dst, const uint8_t* src, unsigned n) {
  // Pieces of 8 read only bytes that are final when the source is at least 8 bytes
  // away; the last piece ends exactly at the end and may write some bytes again with
  // the same values.
  uint8_t* const end = dst + n;
  const ptrdiff_t gap = dst - src;
  if (n >= 8) {
    for (; end - dst > 8; dst += 8, src += 8) Copy8(dst, src);
    Copy8(end - 8, end - 8 - gap);
  } else if (n >= 4) {
    Copy4(dst, src);
    Copy4(end - 4, end - 4 - gap);
  } else {
    for (; dst < end; ++dst, ++src) *dst = *src;
  }
}

// Copies n bytes with the result of a forward copy one byte at a time: a source just
// behind the destination repeats the bytes just written. Nothing outside the n bytes
// of the destination is touched, since the window keeps older output there.
DECODER_INLINE void CopyForward(uint8_t* dst, const uint8_t* src, unsigned n) {
  const ptrdiff_t gap = dst - src;
  if (gap >= 8 || gap <= -8) {
    CopyPieces(dst, src, n);
    return;
  }
  if (gap == 1) {
    std::memset(dst, *src, n);
    return;
  }
  if (gap <= 0) {
    // The source just ahead, read before it is overwritten, or (distance 32768) the
    // destination itself.
    std::memmove(dst, src, n);
    return;
  }
  // A pattern that repeats every gap bytes. Past its first stride - gap bytes, where
  // stride is the first multiple of gap from 8 on, the byte stride back is the same
  // and already final.
  const ptrdiff_t stride = gap * ((8 + gap - 1) / gap);
  uint8_t* const end = dst + n;
  uint8_t* const head = end - dst > stride - gap ? dst + (stride - gap) : end;
  for (; dst < head; ++dst, ++src) *dst = *src;
  CopyPieces(dst, dst - stride, static_cast<unsigned>(end - dst));
}

// Bytes past the end of a match that the fast loop's copies may write.
constexpr unsigned kCopyOverrun = 8;

// Short distances are rare; out of line, they leave the registers to the rest.
__attribute__((noinline)) void CopyPattern(uint8_t* dst, const uint8_t* src, unsigned n) {
  CopyForward(dst, src, n);
}

// CopyForward in whole 8-byte pieces, for a destination with kCopyOverrun bytes of
// window after it, and a source with as many bytes after its end inside the window.
// The pieces may run up to 7 bytes past the end; the window holds older output there
// that a later match may reach, so those bytes are put back.
DECODER_INLINE void CopyForwardOverrun(uint8_t* dst, const uint8_t* src, unsigned n) {
  uint8_t* const end = dst + n;
  uint64_t after;
  std::memcpy(&after, end, sizeof after);
  const ptrdiff_t gap = dst - src;
  if (gap >= 8 || gap <= 0) {
    // A piece reads only bytes at least 8 behind what it writes, which are final, or
    // bytes ahead that no earlier piece wrote. Most matches take one or two pieces.
    Copy8(dst, src);
    if (n > 8) {
      Copy8(dst + 8, src + 8);
      for (unsigned i = 16; i < n; i += 8) Copy8(dst + i, src + i);
    }
  } else if (gap == 1) {
    const uint64_t repeated = *src * uint64_t(0x0101010101010101u);
    for (unsigned i = 0; i < n; i += 8) std::memcpy(dst + i, &repeated, sizeof repeated);
  } else {
    CopyPattern(dst, src, n);
  }
  std::memcpy(end, &after, sizeof after);
}

struct Appended {
  int status;  // kKeepDecoding, or the status that ends the block
  unsigned fill;
};

// Appends a match to the window at fill, in runs that end at the window end, where
// the window goes to the writer and the source wraps to the window start.
__attribute__((noinline)) Appended AppendMatchRuns(unsigned length, unsigned distance,
                                                   unsigned fill) {
  if (!gWindowWrapped && distance > fill) return {statusBadDistance, fill};
  unsigned from = (fill - distance) & (kWindowSize - 1);
  for (;;) {
    unsigned run = kWindowSize - (from > fill ? from : fill);
    if (run > length) run = length;
    CopyForward(gWindow + fill, gWindow + from, run);
    fill += run;
    from = (from + run) & (kWindowSize - 1);
    length -= run;
    if (fill == kWindowSize) {
      int status = FlushFullWindow();
      if (status != statusOk) return {status, fill};
      fill = 0;
    }
    if (length == 0) return {kKeepDecoding, fill};
  }
}

// AppendMatch for the common case, source and destination inside the window, in one
// run; the rest out of line. With room, the window has kCopyOverrun bytes of room
// after the match.
template <bool room>
DECODER_INLINE int AppendMatch(uint8_t* window, unsigned length, unsigned distance,
                               unsigned& fill) {
  if (distance <= fill && (room || length < kWindowSize - fill)) {
    if (room) {
      CopyForwardOverrun(window + fill, window + fill - distance, length);
    } else {
      CopyForward(window + fill, window + fill - distance, length);
    }
    fill += length;
    return kKeepDecoding;
  }
  const unsigned from = fill - distance + kWindowSize;  // wrapped, when in reach
  if (room && gWindowWrapped && from + length + kCopyOverrun <= kWindowSize) {
    // A source near the window end, ahead of the destination, in one run.
    CopyForwardOverrun(window + fill, window + from, length);
    fill += length;
    return kKeepDecoding;
  }
  const Appended appended = AppendMatchRuns(length, distance, fill);
  fill = appended.fill;
  return appended.status;
}

template <bool room>
DECODER_INLINE int AppendLiteral(uint8_t* window, unsigned value, unsigned& fill) {
  window[fill++] = static_cast<uint8_t>(value);
  if (room || fill != kWindowSize) return kKeepDecoding;
  int status = FlushFullWindow();
  if (status != statusOk) return status;
  fill = 0;
  return kKeepDecoding;
}

// One symbol of a Huffman block whose literal/length root slot is e: a literal, the
// end of the block, or a length with its distance. With room, the window has room
// for it and for its copy's overrun (see kFastFillLimit).
template <bool room, class Bits>
DECODER_INLINE int DecodeFrom(const HuffmanEntry* e, const CodeTable& literals,
                              const CodeTable& distances, Bits& bits, uint8_t* window,
                              unsigned& fill) {
  // Lengths and distances mostly resolve at the root, where a slot below the end of
  // block is one: its bits are all in the buffer already.
  if (e->operation < huffmanEndOfBlock) {
    bits.Drop(e->bits);
  } else {
    e = ResolveCode(literals.slots, e, bits);
    if (e->operation >= huffmanEndOfBlock) {
      if (e->operation == huffmanLiteral) {
        return AppendLiteral<room>(window, e->value, fill);
      }
      return e->operation == huffmanNoCode ? statusBadCode : statusOk;
    }
  }
  const unsigned length = e->value + TakeBits(bits, e->operation);
  bits.Need(distances.width);
  const HuffmanEntry* d = &distances.slots[bits.PeekMasked(distances.mask)];
  if (d->operation < huffmanEndOfBlock) {
    bits.Drop(d->bits);
  } else {
    d = ResolveCode(distances.slots, d, bits);
    if (d->operation == huffmanNoCode) return statusBadCode;
  }
  const unsigned distance = d->value + TakeBits(bits, d->operation);
  return AppendMatch<room>(window, length, distance, fill);
}

// Room for three literals or two and a longest match, which one round of the loop
// may add, and for the overrun of its copy.
constexpr unsigned kFastFillLimit = kWindowSize - kMaxMatch - 2 - kCopyOverrun;
// Two 8-byte loads in one round of the loop.
constexpr uint32_t kFastInputMargin = 16;

// The bulk of a Huffman block: while the window has room for any round and enough
// plain input remains, bits come from a 64-bit word.
int InflateCodesFast(const HuffmanEntry* literalTable, const HuffmanEntry* distanceTable,
                     unsigned literalWidth, unsigned distanceWidth) {
  WordBits bits = StartWords();
  const uint8_t* const inLast = gInput + PlainInputBytes() - kFastInputMargin;
  uint8_t* const window = gWindow;
  unsigned fill = gWindowFill;
  const CodeTable literals = {literalTable, literalWidth, Mask(literalWidth)};
  const CodeTable distances = {distanceTable, distanceWidth, Mask(distanceWidth)};
  int result = kKeepDecoding;

  while (bits.in <= inLast && fill < kFastFillLimit) {
    bits.Refill();
    // Literals that resolve at the root are the common case: up to three of them
    // on one refill.
    const HuffmanEntry* e = &literals.slots[bits.PeekMasked(literals.mask)];
    if (e->operation == huffmanLiteral) {
      bits.Drop(e->bits);
      window[fill++] = static_cast<uint8_t>(e->value);
      e = &literals.slots[bits.PeekMasked(literals.mask)];
      if (e->operation == huffmanLiteral) {
        bits.Drop(e->bits);
        window[fill++] = static_cast<uint8_t>(e->value);
        e = &literals.slots[bits.PeekMasked(literals.mask)];
        if (e->operation == huffmanLiteral) {
          bits.Drop(e->bits);
          window[fill++] = static_cast<uint8_t>(e->value);
          continue;
        }
      }
      bits.Refill();  // enough bits again for a length and a distance
    }
    result = DecodeFrom<true>(e, literals, distances, bits, window, fill);
    if (result != kKeepDecoding) break;
  }

  FinishWords(bits);
  gWindowFill = static_cast<uint16_t>(fill);
  return result;
}

// The lengths of a dynamic block's literal/length and distance codes, sent with the
// code-length code, whose table is as wide as its longest code.
template <class Bits>
int ReadCodeLengths(const HuffmanEntry* table, unsigned width, Bits& bits, uint16_t* lengths,
                    unsigned total) {
  unsigned i = 0;
  uint16_t last = 0;
  while (i < total) {
    bits.Keep(7 + 7);  // a code and its extra bits
    const HuffmanEntry* e = ReadRootCode(table, width, bits);
    if (e->operation == huffmanNoCode) return statusBadCode;
    if (e->value < 16) {
      last = e->value;
      lengths[i++] = last;
      continue;
    }
    unsigned repeat;
    if (e->value == 16) {
      repeat = 3 + TakeBits(bits, 2);
    } else {
      repeat = e->value == 17 ? 3 + TakeBits(bits, 3) : 11 + TakeBits(bits, 7);
      last = 0;
    }
    if (i + repeat > total) return statusBadPackedTree;
    while (repeat-- > 0) lengths[i++] = last;
  }
  return statusOk;
}

// The rest of a dynamic block's header after its type: the code counts, the
// code-length code, and the lengths of the literal/length and distance codes.
template <class Bits>
int ReadDynamicHeader(Bits& bits, uint16_t* lengths, unsigned* literalCount,
                      unsigned* distanceCount) {
  bits.Keep(5 + 5 + 4);
  *literalCount = TakeBits(bits, 5) + 257;
  *distanceCount = TakeBits(bits, 5) + 1;
  const unsigned codeLengthCount = TakeBits(bits, 4) + 4;
  if (*literalCount > 286 || *distanceCount > 30) return statusTooManyCodes;

  uint16_t codeLengthLengths[19] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    bits.Keep(3);
    codeLengthLengths[kCodeLengthOrder[i]] = static_cast<uint16_t>(TakeBits(bits, 3));
  }
  HuffmanEntry* table = nullptr;
  unsigned width = kCodeLengthWidth;
  int status = BuildHuffmanTable(codeLengthLengths, 19, 19, nullptr, nullptr, &table, &width);
  if (status != statusOk) return status;
  // The width comes back as the longest code-length code.
  status = ReadCodeLengths(table, width, bits, lengths, *literalCount + *distanceCount);
  FreeHuffmanTable(table);
  return status;
}

// Input for reading a whole dynamic header a word at a time: 14 bits of counts, 19
// code-length code lengths of 3 bits, and each code length at most 14 bits; a refill
// loads 8 bytes from where the unused bits end.
constexpr uint32_t kDynamicHeaderInputMargin = (14 + 19 * 3 + (286 + 30) * 14 + 7) / 8 + 8 + 8;

// The width of a new sub-table for codes from length k on, of which `remaining` are
// of length k: as wide as those codes need to fill it exactly.
unsigned SubTableBits(const uint32_t* codes, unsigned k, uint32_t remaining, unsigned rootBits,
                      unsigned longest) {
  unsigned bits = k - rootBits;
  const unsigned limit = longest - rootBits;
  int32_t unused = (int32_t(1) << bits) - static_cast<int32_t>(remaining);
  for (unsigned next = k; unused > 0 && bits < limit;) {
    ++bits;
    if (bits == limit) break;
    unused *= 2;
    ++next;
    if (static_cast<int32_t>(codes[next]) >= unused) break;
    unused -= static_cast<int32_t>(codes[next]);
  }
  return bits;
}

// The canonical code after `code` among codes of length k, both bit-reversed so that
// they index the tables directly (the first stream bit is the lowest).
inline unsigned NextCode(unsigned code, unsigned k) {
  unsigned step = 1u << (k - 1);
  while ((code & step) != 0) step >>= 1;
  return step != 0 ? (code & (step - 1)) + step : 0;
}

inline void FillSlots(HuffmanEntry* table, unsigned size, unsigned first, unsigned stride,
                      HuffmanEntry e) {
  for (unsigned i = first; i < size; i += stride) table[i] = e;
}

}  // namespace

void NeedBits(unsigned n) {
  while (gBitCount < n) {
    if (gInputLeft >= 4 && IsMarker(gInput)) {
      ptrdiff_t rest = gInputEnd - gInput;
      gInputLeft = rest < kMarkerSpan ? static_cast<int32_t>(rest) : kMarkerSpan;
    }
    if (gInputLeft <= 0) {
      // Past the end: the missing bits read as zero, and are counted so that using
      // any of them marks the stream as truncated.
      gPaddingBits += 8;
      gBitCount = static_cast<uint16_t>(gBitCount + 8);
      continue;
    }
    --gInputLeft;
    gBitBuffer |= uint32_t(*gInput++) << gBitCount;
    gBitCount = static_cast<uint16_t>(gBitCount + 8);
  }
}

unsigned GetBits(unsigned n) {
  ByteBits bits;
  return TakeBits(bits, n);
}

const HuffmanEntry* DecodeSymbol(const HuffmanEntry* table, unsigned width) {
  ByteBits bits;
  const HuffmanEntry* e = ReadCode(table, width, bits);
  return e->operation == huffmanNoCode ? nullptr : e;
}

int BuildHuffmanTable(const uint16_t* lengths, unsigned count, unsigned simpleCount,
                      const uint16_t* bases, const uint8_t* extraBits, HuffmanEntry** table,
                      unsigned* width) {
  if (count > kMaxSymbols) return statusOversubscribed;
  uint32_t codes[kMaxCodeLength + 1] = {};
  for (unsigned i = 0; i < count; ++i) {
    if (lengths[i] > kMaxCodeLength) return statusOversubscribed;
    ++codes[lengths[i]];
  }
  if (codes[0] == count) return statusAllCodesZero;

  unsigned shortest = 1;
  while (codes[shortest] == 0) ++shortest;
  unsigned longest = kMaxCodeLength;
  while (codes[longest] == 0) --longest;
  unsigned rootBits = *width;
  if (rootBits < shortest) rootBits = shortest;
  if (rootBits > longest) rootBits = longest;
  *width = rootBits;

  // Codes left over at each length; below zero the set is over-subscribed. What is
  // left at the longest length are codes without meaning.
  int32_t left = int32_t(1) << shortest;
  for (unsigned k = shortest; k < longest; ++k) {
    left -= static_cast<int32_t>(codes[k]);
    if (left < 0) return statusOversubscribed;
    left *= 2;
  }
  left -= static_cast<int32_t>(codes[longest]);
  if (left < 0) return statusOversubscribed;

  // Symbols by length, and by number within a length; those without a code first.
  uint16_t sorted[kMaxSymbols];
  unsigned offset[kMaxCodeLength + 1];
  offset[0] = 0;
  for (unsigned k = 0; k < kMaxCodeLength; ++k) offset[k + 1] = offset[k] + codes[k];
  for (unsigned i = 0; i < count; ++i) sorted[offset[lengths[i]]++] = static_cast<uint16_t>(i);
  unsigned placed = codes[0];

  // Each code longer than the root opens at most one sub-table, no wider than the
  // longest code needs; the block is sized for that.
  const unsigned rootSize = 1u << rootBits;
  uint32_t longCodes = 0;
  for (unsigned k = rootBits + 1; k <= longest; ++k) longCodes += codes[k];
  if (longCodes > rootSize) longCodes = rootSize;
  const size_t size = rootSize + (size_t(longCodes) << (longest - rootBits));
  // Slot numbers must fit a slot's value; no Deflate code set comes near.
  if (size > 0x10000) return statusNoMemory;
  HuffmanEntry* root = static_cast<HuffmanEntry*>(std::malloc(size * sizeof(HuffmanEntry)));
  if (root == nullptr) return statusNoMemory;

  auto entryOf = [&](unsigned symbol, unsigned bits) {
    HuffmanEntry e;
    if (symbol < simpleCount) {
      e.operation = symbol < 256 ? huffmanLiteral : huffmanEndOfBlock;
      e.value = static_cast<uint16_t>(symbol);
    } else {
      e.operation = extraBits[symbol - simpleCount];
      e.value = bases[symbol - simpleCount];
    }
    e.bits = static_cast<uint8_t>(bits);
    return e;
  };

  // The root grows from the shortest length: the codes of length k take one slot
  // each of a table of 2^k slots, which is then doubled for the next length, so
  // that every slot of a code ends up holding it. Slots that no code reaches read as
  // no such code; those of longer codes become links below.
  unsigned filled = 1u << shortest;
  const HuffmanEntry none = {static_cast<uint8_t>(longest), huffmanNoCode, 0};
  FillSlots(root, filled, 0, 1, none);
  unsigned code = 0;  // bit-reversed, so that it indexes the tables directly
  for (unsigned k = shortest; k <= rootBits; ++k) {
    if (filled < (1u << k)) {
      std::memcpy(root + filled, root, filled * sizeof(HuffmanEntry));
      filled *= 2;
    }
    for (uint32_t c = 0; c < codes[k]; ++c, code = NextCode(code, k)) {
      root[code] = entryOf(sorted[placed++], k);
    }
  }

  // Longer codes share a sub-table while their root bits agree. The codes without
  // meaning come last, at the longest length; they are not placed one by one, but
  // sub-tables count them so that every sub-table is filled exactly.
  uint32_t all[kMaxCodeLength + 1];
  std::memcpy(all, codes, sizeof all);
  all[longest] += static_cast<uint32_t>(left);
  unsigned prefix = rootSize;  // of the current sub-table; none yet
  unsigned subStart = 0;
  unsigned subSize = 0;
  size_t next = rootSize;
  const HuffmanEntry subNone = {static_cast<uint8_t>(longest - rootBits), huffmanNoCode, 0};
  for (unsigned k = rootBits + 1; k <= longest; ++k) {
    for (uint32_t c = 0; c < codes[k]; ++c, code = NextCode(code, k)) {
      if ((code & (rootSize - 1)) != prefix) {
        prefix = code & (rootSize - 1);
        const unsigned bits = SubTableBits(all, k, all[k] - c, rootBits, longest);
        subStart = static_cast<unsigned>(next);
        subSize = 1u << bits;
        next += subSize;
        root[prefix] = {static_cast<uint8_t>(rootBits),
                        static_cast<uint8_t>(huffmanLiteral + bits),
                        static_cast<uint16_t>(subStart)};
        if (left > 0) FillSlots(root + subStart, subSize, 0, 1, subNone);
      }
      FillSlots(root + subStart, subSize, code >> rootBits, 1u << (k - rootBits),
                entryOf(sorted[placed++], k - rootBits));
    }
  }
  *table = root;
  return statusOk;
}

void FreeHuffmanTable(HuffmanEntry* table) { std::free(table); }

int Inflate() {
  gWindowFill = 0;
  gBitBuffer = 0;
  gBitCount = 0;
  gRunningCrc = 0xFFFFFFFFu;
  if (gInputLeft < 0) gInputLeft = 0;
  gInputEnd = gInput + gInputLeft;
  gPlainKnown = false;
  gPaddingBits = 0;
  gWindowWrapped = false;

  for (;;) {
    unsigned isFinal = GetBits(1);
    unsigned type = GetBits(2);
    int status;
    switch (type) {
      case 0: status = InflateStored(); break;
      case 1: status = InflateFixed(); break;
      case 2: status = InflateDynamic(); break;
      default: status = statusBadBlockType; break;
    }
    // Whatever went wrong after the input ran out is reported as the end it met.
    if (InputOverrun()) return statusTruncated;
    if (status != statusOk) return status;
    if (gWriteFailed) return statusOk;
    if (isFinal) break;
  }
  FlushWindow();  // the writer's own state tells what became of it
  return statusOk;
}

int InflateStored() {
  DropBits(gBitCount & 7);
  unsigned length = GetBits(16);
  unsigned complement = GetBits(16);
  if (length != (~complement & 0xFFFFu)) return statusBadStoredLength;
  while (length > 0) {
    uint32_t plain;
    if (gBitCount == 0 && (plain = PlainInputBytes()) > 0) {
      // Whole bytes straight from the input, the ones the bit buffer would deliver.
      uint32_t n = kWindowSize - gWindowFill;
      if (n > length) n = length;
      if (n > plain) n = plain;
      std::memcpy(gWindow + gWindowFill, gInput, n);
      gInput += n;
      gInputLeft -= static_cast<int32_t>(n);
      gWindowFill = static_cast<uint16_t>(gWindowFill + n);
      length -= n;
    } else {
      gWindow[gWindowFill++] = static_cast<uint8_t>(GetBits(8));
      --length;
    }
    if (gWindowFill == kWindowSize) {
      int status = FlushFullWindow();
      if (status != statusOk) return status;
    }
  }
  return statusOk;
}

int InflateFixed() {
  uint16_t lengths[288 + 30];
  unsigned i = 0;
  for (; i < 144; ++i) lengths[i] = 8;
  for (; i < 256; ++i) lengths[i] = 9;
  for (; i < 280; ++i) lengths[i] = 7;
  for (; i < 288; ++i) lengths[i] = 8;
  for (; i < 288 + 30; ++i) lengths[i] = 5;
  return InflateHuffmanBlock(kLiteralWidth, lengths, 288, kDistanceWidth, 30);
}

int InflateDynamic() {
  uint16_t lengths[286 + 30];
  unsigned literalCount = 0;
  unsigned distanceCount = 0;
  int status;
  if (PlainInputBytes() >= kDynamicHeaderInputMargin) {
    WordBits bits = StartWords();
    status = ReadDynamicHeader(bits, lengths, &literalCount, &distanceCount);
    FinishWords(bits);
  } else {
    ByteBits bits;
    status = ReadDynamicHeader(bits, lengths, &literalCount, &distanceCount);
  }
  if (status != statusOk) return status;
  return InflateHuffmanBlock(kLiteralWidth, lengths, literalCount, kDistanceWidth, distanceCount);
}

int InflateHuffmanBlock(unsigned literalWidth, const uint16_t* lengths, unsigned literalCount,
                        unsigned distanceWidth, unsigned distanceCount) {
  HuffmanEntry* literalTable = nullptr;
  int status = BuildHuffmanTable(lengths, literalCount, 257, kLengthBases, kLengthExtra,
                                 &literalTable, &literalWidth);
  if (status != statusOk) return status;
  HuffmanEntry* distanceTable = nullptr;
  status = BuildHuffmanTable(lengths + literalCount, distanceCount, 0, kDistanceBases,
                             kDistanceExtra, &distanceTable, &distanceWidth);
  if (status == statusOk) {
    status = InflateCodes(literalTable, distanceTable, literalWidth, distanceWidth);
    FreeHuffmanTable(distanceTable);
  }
  FreeHuffmanTable(literalTable);
  return status;
}

int InflateCodes(const HuffmanEntry* literalTable, const HuffmanEntry* distanceTable,
                 unsigned literalWidth, unsigned distanceWidth) {
  const CodeTable literals = {literalTable, literalWidth, Mask(literalWidth)};
  const CodeTable distances = {distanceTable, distanceWidth, Mask(distanceWidth)};
  for (;;) {
    if (gWindowFill < kFastFillLimit && PlainInputBytes() >= kFastInputMargin) {
      int status = InflateCodesFast(literalTable, distanceTable, literalWidth, distanceWidth);
      if (status != kKeepDecoding) return status;
    }
    // One symbol at a time near the window end, a word at a time while the input
    // allows, and a byte at a time near the end of the input. A window that fills
    // within the symbol goes to the writer while gInput still shows the input as it
    // was before the symbol: behind, never ahead.
    unsigned fill = gWindowFill;
    int status;
    if (PlainInputBytes() >= kFastInputMargin) {
      WordBits bits = StartWords();
      bits.Refill();
      status = DecodeFrom<false>(&literals.slots[bits.PeekMasked(literals.mask)], literals,
                                 distances, bits, gWindow, fill);
      FinishWords(bits);
    } else {
      ByteBits bits;
      bits.Need(literals.width);
      status = DecodeFrom<false>(&literals.slots[bits.PeekMasked(literals.mask)], literals,
                                 distances, bits, gWindow, fill);
    }
    gWindowFill = static_cast<uint16_t>(fill);
    if (status != kKeepDecoding) return status;
  }
}
