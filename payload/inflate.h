// The raw Deflate decoder (RFC 1951) of the payload. One decoder exists; its state is
// process-wide. Output goes to the 32 KB window gWindow (config/state.h, allocated by
// the caller), which is handed to FlushWindow() whenever it is full and once at the end.
#pragma once

#include <cstdint>

// One slot of a lookup table, four bytes. A code set's tables lie in one heap block:
// the root first, its sub-tables after it.
struct HuffmanEntry {
  uint8_t bits;       // bits this slot consumes at its level; for no such code, all
                      // the bits left of the set's longest code (can exceed the width)
  uint8_t operation;  // 0-13 extra bits of a length/distance, 15 end of block,
                      // 16 literal, 17-32 link to a table of (operation - 16) bits,
                      // 99 no such code
  uint16_t value;     // literal, base, or code-length symbol; for a link, the index
                      // of the sub-table's first slot counted from the root
};
static_assert(sizeof(HuffmanEntry) == 4, "compact table slots");

enum {
  huffmanLiteral = 16,
  huffmanEndOfBlock = 15,
  huffmanNoCode = 99,
};

extern const uint8_t* gInput;  // next byte to fetch
extern int32_t gInputLeft;     // bytes that may still be fetched; set before Inflate
extern uint32_t gBitBuffer;    // fetched bits not yet consumed, next bit lowest
extern uint16_t gBitCount;     // bits in gBitBuffer: fetched ones, and past the end of
                               // the input the zero bits that stand in for missing ones
extern uint16_t gWindowFill;   // bytes in gWindow, also the next output index

// Defined by the program that runs the decoder. Takes gWindow[0 .. gWindowFill) and
// returns 0 or a nonzero status that stops decoding; leaves gWindowFill alone.
int FlushWindow();

// Decodes the whole stream from gInput/gInputLeft. Returns 0 or a status of
// text/status.h. A stream that needs bits past its end returns statusTruncated.
int Inflate();

// Bit input. The four bytes F8 F5 23 7C met before a fetch leave only 30 bytes,
// counted from the first of them, to be fetched (never more than the input holds).
void NeedBits(unsigned n);      // n <= 16; missing bits past the end read as zero
unsigned GetBits(unsigned n);   // the next n bits, first stream bit lowest

// The final slot of the next code, or none for a code without meaning (its bits
// are consumed all the same).
const HuffmanEntry* DecodeSymbol(const HuffmanEntry* table, unsigned width);

// Builds the lookup table of count code lengths (0 to 16). Symbols below simpleCount
// are literals (below 256) or the end of block; the others take bases[] and
// extraBits[] at (symbol - simpleCount). width is the requested root width; it comes
// back clamped to the shortest and longest code. Returns 0, statusNoMemory,
// statusAllCodesZero (nothing built) or statusOversubscribed. An incomplete set is
// accepted; its unused codes read as huffmanNoCode.
int BuildHuffmanTable(const uint16_t* lengths, unsigned count, unsigned simpleCount,
                      const uint16_t* bases, const uint8_t* extraBits, HuffmanEntry** table,
                      unsigned* width);
void FreeHuffmanTable(HuffmanEntry* table);  // the root and its sub-tables

// Block decoders, called by Inflate after the three header bits.
int InflateStored();
int InflateFixed();
int InflateDynamic();
int InflateHuffmanBlock(unsigned literalWidth, const uint16_t* lengths, unsigned literalCount,
                        unsigned distanceWidth, unsigned distanceCount);
int InflateCodes(const HuffmanEntry* literalTable, const HuffmanEntry* distanceTable,
                 unsigned literalWidth, unsigned distanceWidth);
