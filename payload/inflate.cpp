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

inline uint32_t Mask(unsigned n) { return (uint32_t(1) << n) - 1; }

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

// Hands a full window to the writer. Bytes decoded from bits past the end of the
// input never leave the decoder.
int FlushFullWindow() {
  if (InputOverrun()) return statusTruncated;
  int status = FlushWindow();
  if (status != 0) return status;
  gWindowFill = 0;
  gWindowWrapped = true;
  return 0;
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

// Copies n bytes forward from src to dst = src + gap with the result of a byte-by-byte
// copy: a gap shorter than n repeats the bytes just written. Nothing at or after
// dst + n is touched, since the window keeps older output there.
inline void CopyMatch(uint8_t* dst, const uint8_t* src, unsigned n) {
  const size_t gap = static_cast<size_t>(dst - src);
  uint8_t* const end = dst + n;
  if (gap >= 8) {
    if (n >= 8) {
      // 8-byte pieces only read bytes that are final; the last piece ends exactly
      // at the end and may write some bytes again with the same values.
      for (; end - dst > 8; dst += 8, src += 8) Copy8(dst, src);
      Copy8(end - 8, end - 8 - gap);
    } else if (n >= 4) {
      Copy4(dst, src);
      Copy4(end - 4, end - 4 - gap);
    } else {
      for (; dst < end; ++dst, ++src) *dst = *src;
    }
    return;
  }
  if (gap == 1) {
    std::memset(dst, *src, n);
    return;
  }
  for (; dst < end; ++dst, ++src) *dst = *src;
}

// Copies a match of length bytes from window position from to dst, where the source
// does not cross the window end before length bytes unless it wraps to 0.
inline void CopyFromWindow(uint8_t* window, uint8_t* dst, unsigned from, unsigned length) {
  uint8_t* src = window + from;
  if (src >= dst) {
    // The source lies ahead (in the previous pass over the window): it is read
    // before it is overwritten, and it may run into the window end.
    unsigned first = static_cast<unsigned>(kWindowSize - from);
    if (first >= length) {
      std::memmove(dst, src, length);
      return;
    }
    std::memmove(dst, src, first);
    CopyMatch(dst + first, window, length - first);
    return;
  }
  CopyMatch(dst, src, length);
}

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

constexpr int kKeepDecoding = -1;
// Room for two literals and a longest match, which one round of the loop may add.
constexpr unsigned kFastFillLimit = kWindowSize - kMaxMatch - 3;
// Two 8-byte loads in one round of the loop.
constexpr uint32_t kFastInputMargin = 16;

// Adds whole bytes to the 64-bit buffer until it holds at least 56 bits. The bits
// above the count are the next input bits or zero, so loading them again is harmless.
#define REFILL()                      \
  do {                                \
    buffer |= Load64(in) << count;    \
    in += (63 - count) >> 3;          \
    count |= 56;                      \
  } while (0)

#define CONSUME(n)   \
  do {               \
    buffer >>= (n);  \
    count -= (n);    \
  } while (0)

// The bulk of a Huffman block: while the window has room for any symbol and enough
// plain input remains, symbols are decoded from a 64-bit buffer refilled a word at a
// time. Bytes loaded but not used are given back on the way out, so the state is then
// exactly what the byte-at-a-time path would have left. Returns kKeepDecoding when it
// stopped for want of room or input, otherwise the block's status.
int InflateCodesFast(const HuffmanEntry* literalTable, const HuffmanEntry* distanceTable,
                     unsigned literalWidth, unsigned distanceWidth) {
  const uint8_t* in = gInput;
  const uint8_t* const inLast = gInput + PlainInputBytes() - kFastInputMargin;
  uint64_t buffer = gBitBuffer;
  unsigned count = gBitCount;
  uint8_t* const window = gWindow;
  uint8_t* out = window + gWindowFill;
  uint8_t* const outLast = window + kFastFillLimit;
  const bool wrapped = gWindowWrapped;
  const unsigned literalMask = Mask(literalWidth);
  const unsigned distanceMask = Mask(distanceWidth);
  int result = kKeepDecoding;

  while (in <= inLast && out < outLast) {
    REFILL();
    HuffmanEntry e = literalTable[buffer & literalMask];
    if (e.operation == huffmanLiteral) {
      // Runs of literals: up to three per refill.
      CONSUME(e.bits);
      *out++ = static_cast<uint8_t>(e.value);
      e = literalTable[buffer & literalMask];
      if (e.operation == huffmanLiteral) {
        CONSUME(e.bits);
        *out++ = static_cast<uint8_t>(e.value);
        e = literalTable[buffer & literalMask];
        if (e.operation == huffmanLiteral) {
          CONSUME(e.bits);
          *out++ = static_cast<uint8_t>(e.value);
          continue;
        }
      }
      REFILL();  // enough bits again for a length and a distance
    }
    while (e.operation > huffmanLiteral) {
      CONSUME(e.bits);
      if (e.operation == huffmanNoCode) break;
      e = e.next[buffer & Mask(e.operation - huffmanLiteral)];
    }
    if (e.operation == huffmanNoCode) {
      result = statusBadCode;
      break;
    }
    CONSUME(e.bits);
    if (e.operation == huffmanLiteral) {
      *out++ = static_cast<uint8_t>(e.value);
      continue;
    }
    if (e.operation == huffmanEndOfBlock) {
      result = statusOk;
      break;
    }
    const unsigned length = e.value + static_cast<unsigned>(buffer & Mask(e.operation));
    CONSUME(e.operation);

    HuffmanEntry d = distanceTable[buffer & distanceMask];
    while (d.operation > huffmanLiteral) {
      CONSUME(d.bits);
      if (d.operation == huffmanNoCode) break;
      d = d.next[buffer & Mask(d.operation - huffmanLiteral)];
    }
    if (d.operation == huffmanNoCode) {
      result = statusBadCode;
      break;
    }
    CONSUME(d.bits);
    const unsigned distance = d.value + static_cast<unsigned>(buffer & Mask(d.operation));
    CONSUME(d.operation);

    const unsigned fill = static_cast<unsigned>(out - window);
    if (distance > fill && !wrapped) {
      result = statusBadDistance;
      break;
    }
    if (distance <= fill) {
      CopyMatch(out, out - distance, length);
    } else {
      CopyFromWindow(window, out, (fill - distance) & (kWindowSize - 1), length);
    }
    out += length;
  }

  in -= count >> 3;
  count &= 7;
  gInputLeft -= static_cast<int32_t>(in - gInput);
  gInput = in;
  gBitBuffer = static_cast<uint32_t>(buffer) & Mask(count);
  gBitCount = static_cast<uint16_t>(count);
  gWindowFill = static_cast<uint16_t>(out - window);
  return result;
}

#undef REFILL
#undef CONSUME

HuffmanEntry* AllocateTable(unsigned bits, HuffmanEntry** last) {
  size_t slots = (size_t(1) << bits) + 1;
  HuffmanEntry* block = static_cast<HuffmanEntry*>(std::malloc(slots * sizeof(HuffmanEntry)));
  if (block == nullptr) return nullptr;
  block[0].operation = 0;
  block[0].bits = 0;
  block[0].next = nullptr;
  if (*last != nullptr) (*last - 1)->next = block + 1;
  *last = block + 1;
  return block + 1;
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
  NeedBits(n);
  unsigned value = gBitBuffer & Mask(n);
  DropBits(n);
  return value;
}

const HuffmanEntry* DecodeSymbol(const HuffmanEntry* table, unsigned width) {
  NeedBits(width);
  const HuffmanEntry* e = &table[gBitBuffer & Mask(width)];
  while (e->operation > huffmanLiteral) {
    DropBits(e->bits);
    if (e->operation == huffmanNoCode) return nullptr;
    unsigned k = e->operation - huffmanLiteral;
    NeedBits(k);
    e = &e->next[gBitBuffer & Mask(k)];
  }
  DropBits(e->bits);
  return e;
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
  // left at the longest length becomes dummy codes that read as no such code.
  int32_t left = int32_t(1) << shortest;
  for (unsigned k = shortest; k < longest; ++k) {
    left -= static_cast<int32_t>(codes[k]);
    if (left < 0) return statusOversubscribed;
    left *= 2;
  }
  left -= static_cast<int32_t>(codes[longest]);
  if (left < 0) return statusOversubscribed;

  // Symbols by length, and by number within a length.
  uint16_t sorted[kMaxSymbols];
  unsigned offset[kMaxCodeLength + 2] = {};
  for (unsigned k = 1; k <= kMaxCodeLength; ++k) offset[k + 1] = offset[k] + codes[k];
  for (unsigned i = 0; i < count; ++i) {
    if (lengths[i] != 0) sorted[offset[lengths[i]]++] = static_cast<uint16_t>(i);
  }
  const unsigned realCodes = count - codes[0];
  codes[longest] += static_cast<uint32_t>(left);

  HuffmanEntry* last = nullptr;
  HuffmanEntry* root = AllocateTable(rootBits, &last);
  if (root == nullptr) return statusNoMemory;
  const unsigned rootSize = 1u << rootBits;

  // Walk the canonical codes in order. code holds the current code bit-reversed, so
  // that it indexes the tables directly (the first stream bit is the lowest).
  unsigned code = 0;
  unsigned placed = 0;
  HuffmanEntry* sub = nullptr;
  unsigned subSize = 0;
  unsigned subPrefix = rootSize;  // none yet
  for (unsigned k = shortest; k <= longest; ++k) {
    for (uint32_t c = 0; c < codes[k]; ++c) {
      HuffmanEntry e;
      e.next = nullptr;
      if (placed < realCodes) {
        unsigned symbol = sorted[placed++];
        if (symbol < simpleCount) {
          e.operation = symbol < 256 ? huffmanLiteral : huffmanEndOfBlock;
          e.value = static_cast<uint16_t>(symbol);
        } else {
          e.operation = extraBits[symbol - simpleCount];
          e.value = bases[symbol - simpleCount];
        }
      } else {
        e.operation = huffmanNoCode;
        e.value = 0;
      }

      if (k <= rootBits) {
        e.bits = static_cast<uint8_t>(k);
        for (unsigned i = code; i < rootSize; i += 1u << k) root[i] = e;
      } else {
        unsigned prefix = code & (rootSize - 1);
        if (prefix != subPrefix) {
          // A new sub-table for the codes under this root slot. It is as wide as
          // those codes need to fill it exactly: grow while the codes of this
          // length and the next ones leave patterns unused.
          unsigned bits = k - rootBits;
          const unsigned limit = longest - rootBits;
          int32_t unused = (int32_t(1) << bits) - static_cast<int32_t>(codes[k] - c);
          for (unsigned next = k; unused > 0 && bits < limit;) {
            ++bits;
            if (bits == limit) break;
            unused *= 2;
            ++next;
            if (static_cast<int32_t>(codes[next]) >= unused) break;
            unused -= static_cast<int32_t>(codes[next]);
          }
          sub = AllocateTable(bits, &last);
          if (sub == nullptr) {
            FreeHuffmanTable(root);
            return statusNoMemory;
          }
          subSize = 1u << bits;
          subPrefix = prefix;
          HuffmanEntry link;
          link.operation = static_cast<uint8_t>(huffmanLiteral + bits);
          link.bits = static_cast<uint8_t>(rootBits);
          link.next = sub;
          root[prefix] = link;
        }
        e.bits = static_cast<uint8_t>(k - rootBits);
        for (unsigned i = code >> rootBits; i < subSize; i += 1u << (k - rootBits)) sub[i] = e;
      }

      // The next code of length k, in bit-reversed form.
      unsigned step = 1u << (k - 1);
      while ((code & step) != 0) step >>= 1;
      code = step != 0 ? (code & (step - 1)) + step : 0;
    }
  }

  *table = root;
  return statusOk;
}

void FreeHuffmanTable(HuffmanEntry* table) {
  while (table != nullptr) {
    HuffmanEntry* block = table - 1;
    table = block->next;
    std::free(block);
  }
}

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
  return InflateHuffmanBlock(7, lengths, 288, 5, 30);
}

int InflateDynamic() {
  unsigned literalCount = GetBits(5) + 257;
  unsigned distanceCount = GetBits(5) + 1;
  unsigned codeLengthCount = GetBits(4) + 4;
  if (literalCount > 286 || distanceCount > 30) return statusTooManyCodes;

  uint16_t codeLengthLengths[19] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    codeLengthLengths[kCodeLengthOrder[i]] = static_cast<uint16_t>(GetBits(3));
  }
  HuffmanEntry* table = nullptr;
  unsigned width = 7;
  int status = BuildHuffmanTable(codeLengthLengths, 19, 19, nullptr, nullptr, &table, &width);
  if (status != statusOk) return status;

  // The width is the longest code-length code, so every code resolves at the root.
  uint16_t lengths[286 + 30];
  const unsigned total = literalCount + distanceCount;
  unsigned i = 0;
  uint16_t last = 0;
  while (i < total) {
    NeedBits(width);
    const HuffmanEntry& e = table[gBitBuffer & Mask(width)];
    DropBits(e.bits);
    if (e.operation == huffmanNoCode) {
      status = statusBadCode;
      break;
    }
    if (e.value < 16) {
      last = e.value;
      lengths[i++] = last;
      continue;
    }
    unsigned repeat;
    if (e.value == 16) {
      repeat = 3 + GetBits(2);
    } else {
      repeat = e.value == 17 ? 3 + GetBits(3) : 11 + GetBits(7);
      last = 0;
    }
    if (i + repeat > total) {
      status = statusBadPackedTree;
      break;
    }
    while (repeat-- > 0) lengths[i++] = last;
  }
  FreeHuffmanTable(table);
  if (status != statusOk) return status;
  return InflateHuffmanBlock(9, lengths, literalCount, 6, distanceCount);
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
  for (;;) {
    if (gWindowFill < kFastFillLimit && PlainInputBytes() >= kFastInputMargin) {
      int status = InflateCodesFast(literalTable, distanceTable, literalWidth, distanceWidth);
      if (status != kKeepDecoding) return status;
    }

    // One symbol at a time near the window end and near the end of the input.
    const HuffmanEntry* e = DecodeSymbol(literalTable, literalWidth);
    if (e == nullptr) return statusBadCode;
    if (e->operation == huffmanLiteral) {
      gWindow[gWindowFill++] = static_cast<uint8_t>(e->value);
      if (gWindowFill == kWindowSize) {
        int status = FlushFullWindow();
        if (status != statusOk) return status;
      }
      continue;
    }
    if (e->operation == huffmanEndOfBlock) return statusOk;
    unsigned length = e->value + GetBits(e->operation);
    const HuffmanEntry* d = DecodeSymbol(distanceTable, distanceWidth);
    if (d == nullptr) return statusBadCode;
    unsigned distance = d->value + GetBits(d->operation);
    if (!gWindowWrapped && distance > gWindowFill) return statusBadDistance;

    // In runs that end at the window end, where the window is flushed and the
    // source wraps to its start.
    unsigned from = (gWindowFill - distance) & (kWindowSize - 1);
    while (length > 0) {
      unsigned run = kWindowSize - (from > gWindowFill ? from : gWindowFill);
      if (run > length) run = length;
      uint8_t* dst = gWindow + gWindowFill;
      if (from >= gWindowFill) {
        std::memmove(dst, gWindow + from, run);
      } else {
        CopyMatch(dst, gWindow + from, run);
      }
      gWindowFill = static_cast<uint16_t>(gWindowFill + run);
      from = (from + run) & (kWindowSize - 1);
      length -= run;
      if (gWindowFill == kWindowSize) {
        int status = FlushFullWindow();
        if (status != statusOk) return status;
      }
    }
  }
}
