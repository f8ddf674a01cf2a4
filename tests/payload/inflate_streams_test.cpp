// Hand-built Deflate streams: every failure status, and the edge cases of the bit
// input, the window and the lookup tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/bit_writer.h"
#include "payload/inflate_harness.h"
#include "text/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Block headers.
BitWriter Stored(BitWriter w, bool final, unsigned length) {
  return w.Bits(final, 1)               // BFINAL
      .Bits(0, 2)                       // BTYPE stored
      .Align()                          // to the byte boundary
      .Bits(length, 16)                 // LEN
      .Bits(~length & 0xFFFF, 16);      // NLEN
}
BitWriter FixedHeader(BitWriter w, bool final) {
  return w.Bits(final, 1)  // BFINAL
      .Bits(1, 2);         // BTYPE fixed
}

// Dynamic blocks use one code-length code: the repeat codes 16, 17, 18 get the
// two-bit codes 00, 01, 10 and the lengths 0 to 15 the six-bit codes 110000 + length.
BitWriter& DynamicHeader(BitWriter& w, bool final, unsigned literalCount, unsigned distanceCount) {
  w.Bits(final, 1)                  // BFINAL
      .Bits(2, 2)                   // BTYPE dynamic
      .Bits(literalCount - 257, 5)  // HLIT
      .Bits(distanceCount - 1, 5)   // HDIST
      .Bits(19 - 4, 4);             // HCLEN: all 19 code-length code lengths
  w.Bits(2, 3).Bits(2, 3).Bits(2, 3);       // symbols 16, 17, 18
  for (int i = 0; i < 16; ++i) w.Bits(6, 3);  // 0, 8, 7, 9, 6, 10, 5, ... 1, 15
  return w;
}
BitWriter& Length(BitWriter& w, unsigned length) { return w.Code(0x30 + length, 6); }
BitWriter& RepeatLast(BitWriter& w, unsigned times) { return w.Code(0, 2).Bits(times - 3, 2); }
BitWriter& Zeros(BitWriter& w, unsigned count) {
  while (count >= 11) {
    unsigned n = count < 138 ? count : 138;
    w.Code(2, 2).Bits(n - 11, 7);  // 18: 11 to 138 zeros
    count -= n;
  }
  if (count >= 3) return w.Code(1, 2).Bits(count - 3, 3);  // 17: 3 to 10 zeros
  while (count-- > 0) Length(w, 0);
  return w;
}
// All code lengths of a block, given as (symbol, length) pairs; the rest are zero.
BitWriter& Lengths(BitWriter& w, unsigned total, std::vector<std::pair<unsigned, unsigned>> set) {
  unsigned next = 0;
  for (auto [symbol, length] : set) {
    Zeros(w, symbol - next);
    Length(w, length);
    next = symbol + 1;
  }
  return Zeros(w, total - next);
}

Bytes Pattern(size_t n) {
  Bytes bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 251) % 241);
  return bytes;
}

// Appends a match the way the format defines it, one byte at a time.
void AppendMatch(Bytes& out, size_t length, size_t distance) {
  for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
}

// A literal/length code of four symbols for dynamic blocks: end of block 0,
// 'A' 10, 'B' 110, length 3 (257) 111; one distance code of length 1 (distance 1,
// code 0), which leaves the code 1 unused.
BitWriter SmallDynamicBlock() {
  BitWriter w;
  DynamicHeader(w, true, 258, 1);
  Lengths(w, 258, {{'A', 2}, {'B', 3}, {256, 1}, {257, 3}});
  Length(w, 1);  // distance 1
  return w;
}

// Codes longer than any root table, in incomplete sets, so that second-level tables
// hold unused codes beside real ones. Literal/length: 'A' 0, end of block 10,
// length 3 (257) 110, 'B' 1110000000000 (13 bits). Distance: distance 1 is 0,
// distance 2 is 1000000000 (10 bits).
constexpr uint32_t kLongB = 0x1C00;
constexpr uint32_t kLongDistance2 = 0x200;
BitWriter LongCodeBlock() {
  BitWriter w;
  DynamicHeader(w, true, 258, 2);
  Lengths(w, 258, {{'A', 1}, {'B', 13}, {256, 2}, {257, 3}});
  Length(w, 1);   // distance 1
  Length(w, 10);  // distance 2
  return w;
}

// Short streams are decoded a bit at a time; with more input after them the decoder
// uses its word-at-a-time paths as far as it can, a dynamic block's header included,
// which wants room for its longest form.
Bytes WithTrailingBytes(Bytes stream) {
  stream.insert(stream.end(), 1024, 0x5A);
  return stream;
}

struct FailureCase {
  const char* name;
  Bytes stream;
  int status;
};

TEST(InflateStreams, FailuresReportTheirStatusAndFlushNothing) {
  const std::vector<FailureCase> cases = {
      {"block type 3",
       BitWriter().Bits(1, 1).Bits(3, 2).Finish(), statusBadBlockType},
      {"block type 3 after a good block: its bytes are not flushed",
       Stored(BitWriter(), false, 2).Bytes({'h', 'i'}).Bits(1, 1).Bits(3, 2).Finish(),
       statusBadBlockType},
      {"287 literal/length codes announced",
       BitWriter().Bits(1, 1).Bits(2, 2)
           .Bits(30, 5)   // HLIT: 287
           .Bits(0, 5)    // HDIST: 1
           .Bits(0, 4)    // HCLEN: 4
           .Finish(),
       statusTooManyCodes},
      {"31 distance codes announced",
       BitWriter().Bits(1, 1).Bits(2, 2)
           .Bits(29, 5)   // HLIT: 286
           .Bits(30, 5)   // HDIST: 31
           .Bits(0, 4)    // HCLEN: 4
           .Finish(),
       statusTooManyCodes},
      {"all code-length code lengths zero",
       BitWriter().Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5)
           .Bits(0, 4)                                     // HCLEN: 4
           .Bits(0, 3).Bits(0, 3).Bits(0, 3).Bits(0, 3)    // 16, 17, 18, 0
           .Finish(),
       statusAllCodesZero},
      {"all distance lengths zero",
       [] {
         BitWriter w;
         DynamicHeader(w, true, 257, 1);
         Lengths(w, 257, {{'A', 1}, {256, 1}});
         Length(w, 0);                     // the only distance length
         w.Code(0, 1).Code(1, 1);          // 'A', end of block: never reached
         return w.Finish();
       }(),
       statusAllCodesZero},
      {"length symbol 286 in a fixed block",
       FixedHeader(BitWriter(), true).Fixed('a').Fixed(286).Fixed(256).Finish(), statusBadCode},
      {"length symbol 287 in a fixed block",
       FixedHeader(BitWriter(), true).Fixed('a').Fixed(287).Fixed(256).Finish(), statusBadCode},
      {"distance symbol 30 in a fixed block",
       FixedHeader(BitWriter(), true).Fixed('a').Fixed(257).FixedDistance(30).Fixed(256).Finish(),
       statusBadCode},
      {"the unused code of an incomplete distance code",
       SmallDynamicBlock()
           .Code(2, 2)   // 'A'
           .Code(7, 3)   // length 3
           .Code(1, 1)   // the unused distance code
           .Code(0, 1)   // end of block
           .Finish(),
       statusBadCode},
      {"the unused code of an incomplete code-length code",
       [] {
         BitWriter w;
         w.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5)
             .Bits(18 - 4, 4);                            // HCLEN: 18 lengths
         for (int i = 0; i < 17; ++i) w.Bits(0, 3);       // 16, 17, 18, 0, 8, ... 14
         w.Bits(1, 3);                                    // symbol 1: code 0
         w.Code(1, 1);                                    // first length: code 1, unused
         return w.Finish();
       }(),
       statusBadCode},
      {"an unused literal/length code beside a real one in a second-level table",
       LongCodeBlock().Code(0, 1).Code(kLongB + 1, 13).Code(2, 2).Finish(), statusBadCode},
      {"an unused literal/length code with a root slot of its own",
       LongCodeBlock().Code(0, 1).Code(0x1FFF, 13).Code(2, 2).Finish(), statusBadCode},
      {"an unused distance code beside a real one in a second-level table",
       LongCodeBlock().Code(0, 1).Code(6, 3).Code(kLongDistance2 + 1, 10).Code(2, 2).Finish(),
       statusBadCode},
      {"an unused distance code with a root slot of its own",
       LongCodeBlock().Code(0, 1).Code(6, 3).Code(0x3FF, 10).Code(2, 2).Finish(), statusBadCode},
      {"stored LEN not the complement of NLEN",
       BitWriter().Bits(1, 1).Bits(0, 2).Align()
           .Bits(5, 16)   // LEN
           .Bits(5, 16)   // NLEN, should be 0xFFFA
           .Bytes({1, 2, 3, 4, 5}).Finish(),
       statusBadStoredLength},
      {"over-subscribed code-length code",
       BitWriter().Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5)
           .Bits(0, 4)                                     // HCLEN: 4
           .Bits(1, 3).Bits(1, 3).Bits(1, 3).Bits(1, 3)    // four codes of length 1
           .Finish(),
       statusOversubscribed},
      {"over-subscribed literal/length code",
       [] {
         BitWriter w;
         DynamicHeader(w, true, 257, 1);
         Lengths(w, 257, {{'A', 1}, {'B', 1}, {256, 1}});  // three codes of length 1
         Length(w, 1);
         return w.Finish();
       }(),
       statusOversubscribed},
      {"repeat code past the announced lengths",
       [] {
         BitWriter w;
         DynamicHeader(w, true, 257, 1);                // 258 lengths
         w.Code(2, 2).Bits(127, 7);                     // 18: 138 zeros
         w.Code(2, 2).Bits(127, 7);                     // 18: 138 more, 276 > 258
         return w.Finish();
       }(),
       statusBadPackedTree},
      {"empty input", {}, statusTruncated},
      {"fixed block without end of block (zero padding would read as one)",
       FixedHeader(BitWriter(), true).Fixed('a').Finish(), statusTruncated},
      {"stored block shorter than LEN",
       Stored(BitWriter(), true, 10).Bytes({1, 2, 3}).Finish(), statusTruncated},
      {"dynamic header cut after HLIT",
       BitWriter().Bits(1, 1).Bits(2, 2).Bits(0, 5).Finish(), statusTruncated},
      {"cut where zero bits read as a literal: ends at the first full window",
       [] {
         BitWriter w;
         DynamicHeader(w, true, 257, 1);
         Lengths(w, 257, {{'A', 1}, {256, 1}});  // 'A' has the code 0
         Length(w, 1);
         return w.Code(0, 1).Finish();           // 'A', then the stream ends
       }(),
       statusTruncated},
      {"second block missing",
       Stored(BitWriter(), false, 1).Bytes({'z'}).Finish(), statusTruncated},
      {"distance 1 before any output",
       FixedHeader(BitWriter(), true)
           .Fixed(257)           // length 3
           .FixedDistance(0)     // distance 1
           .Fixed(256).Finish(),
       statusBadDistance},
      {"distance 5 after four bytes",
       FixedHeader(BitWriter(), true)
           .Fixed('a').Fixed('b').Fixed('c').Fixed('d')
           .Fixed(257)                    // length 3
           .FixedDistance(4).Bits(0, 1)   // distance 5 + 0
           .Fixed(256).Finish(),
       statusBadDistance},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    InflateResult r = RunInflate(c.stream);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.flushes.empty());
    if (c.status != statusTruncated) {
      // Bytes after the point of failure change nothing, but let the decoder take
      // its word-at-a-time path up to it.
      EXPECT_EQ(RunInflate(WithTrailingBytes(c.stream)).status, c.status);
    }
  }
}

struct SuccessCase {
  const char* name;
  Bytes stream;
  Bytes output;
  std::vector<size_t> flushes;
};

// Output of a stored block of n pattern bytes followed by a match.
Bytes PatternWithMatch(size_t n, size_t length, size_t distance) {
  Bytes out = Pattern(n);
  AppendMatch(out, length, distance);
  return out;
}

TEST(InflateStreams, EdgeCasesDecodeCompletely) {
  const Bytes big = Pattern(65535);
  const std::vector<SuccessCase> cases = {
      {"stored LEN 0: the final flush is still made",
       Stored(BitWriter(), true, 0).Finish(), {}, {0}},
      {"stored LEN 65535 flushes as the window fills",
       Stored(BitWriter(), true, 65535).Bytes(big).Finish(), big, {32768, 32767}},
      {"exactly one window: an empty final flush follows",
       Stored(BitWriter(), true, 32768).Bytes(Pattern(32768)).Finish(), Pattern(32768),
       {32768, 0}},
      {"258-byte match at distance 1",
       FixedHeader(BitWriter(), true)
           .Fixed('x')
           .Fixed(285)          // length 258
           .FixedDistance(0)    // distance 1
           .Fixed(256).Finish(),
       Bytes(259, 'x'), {259}},
      {"distance equal to the output so far",
       FixedHeader(BitWriter(), true)
           .Fixed('a').Fixed('b').Fixed('c').Fixed('d')
           .Fixed(257)                    // length 3
           .FixedDistance(3)              // distance 4
           .Fixed(256).Finish(),
       {'a', 'b', 'c', 'd', 'a', 'b', 'c'}, {7}},
      {"match whose destination crosses the window end",
       FixedHeader(Stored(BitWriter(), false, 32760).Bytes(Pattern(32760)), true)
           .Fixed(269).Bits(1, 2)           // length 19 + 1
           .FixedDistance(6).Bits(1, 2)     // distance 9 + 1
           .Fixed(256).Finish(),
       PatternWithMatch(32760, 20, 10), {32768, 12}},
      {"a match leaves the old bytes after it alone",
       FixedHeader(Stored(BitWriter(), false, 40000).Bytes(Pattern(40000)), true)
           .Fixed(265).Bits(0, 1)              // length 11 + 0
           .FixedDistance(6).Bits(0, 2)        // distance 9 + 0
           .Fixed(257)                         // length 3
           .FixedDistance(29).Bits(8189, 13)   // distance 24577 + 8189: just past it
           .Fixed(256).Finish(),
       [] {
         Bytes out = PatternWithMatch(40000, 11, 9);
         AppendMatch(out, 3, 32766);
         return out;
       }(),
       {32768, 7246}},
      {"match crossing the window end leaves the old bytes after it alone",
       FixedHeader(Stored(BitWriter(), false, 32760).Bytes(Pattern(32760)), true)
           .Fixed(269).Bits(1, 2)              // length 19 + 1
           .FixedDistance(6).Bits(1, 2)        // distance 9 + 1
           .Fixed(257)                         // length 3
           .FixedDistance(29).Bits(8189, 13)   // distance 24577 + 8189: just past it
           .Fixed(256).Finish(),
       [] {
         Bytes out = PatternWithMatch(32760, 20, 10);
         AppendMatch(out, 3, 32766);
         return out;
       }(),
       {32768, 15}},
      {"match whose source crosses the window end",
       FixedHeader(Stored(BitWriter(), false, 32770).Bytes(Pattern(32770)), true)
           .Fixed(264)                      // length 10
           .FixedDistance(4).Bits(0, 1)     // distance 5 + 0
           .Fixed(256).Finish(),
       PatternWithMatch(32770, 10, 5), {32768, 12}},
      {"distance 32768 once a window has gone out",
       FixedHeader(Stored(BitWriter(), false, 40000).Bytes(Pattern(40000)), true)
           .Fixed(259)                         // length 5
           .FixedDistance(29).Bits(8191, 13)   // distance 24577 + 8191
           .Fixed(256).Finish(),
       PatternWithMatch(40000, 5, 32768), {32768, 7237}},
      {"incomplete distance code accepted",
       SmallDynamicBlock()
           .Code(2, 2)   // 'A'
           .Code(7, 3)   // length 3
           .Code(0, 1)   // distance 1
           .Code(6, 3)   // 'B'
           .Code(0, 1)   // end of block
           .Finish(),
       {'A', 'A', 'A', 'A', 'B'}, {5}},
      {"codes of second-level tables decode",
       LongCodeBlock()
           .Code(0, 1)                    // 'A'
           .Code(kLongB, 13)              // 'B'
           .Code(6, 3)                    // length 3
           .Code(kLongDistance2, 10)      // distance 2
           .Code(2, 2)                    // end of block
           .Finish(),
       {'A', 'B', 'A', 'B', 'A'}, {5}},
      {"repeat code 16 first repeats zeros",
       [] {
         BitWriter w;
         DynamicHeader(w, true, 257, 1);
         RepeatLast(w, 3);  // symbols 0 to 2: 0 (a nonzero repeat would over-subscribe)
         Length(w, 1);      // symbol 3: code 0
         Zeros(w, 252);     // symbols 4 to 255
         Length(w, 1);      // end of block: code 1
         Length(w, 1);      // distance 1
         w.Code(0, 1).Code(1, 1);
         return w.Finish();
       }(),
       {3}, {1}},
  };
  for (const SuccessCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Bytes& stream : {c.stream, WithTrailingBytes(c.stream)}) {
      InflateResult r = RunInflate(stream);
      EXPECT_EQ(r.status, statusOk);
      EXPECT_EQ(r.output, c.output);
      EXPECT_EQ(r.flushes, c.flushes);
    }
  }
}

// A lookup reads as many bits as the table is wide; at the end of the stream the
// ones past the last byte read as zero and must not count as missing input.
TEST(InflateStreams, FinalCodeShorterThanItsLookupEndsInTheLastByte) {
  BitWriter w = SmallDynamicBlock();  // root width 3: the end-of-block code has 1 bit
  Bytes expected = {'A'};
  w.Code(2, 2);
  while ((w.BitLength() + 1) % 8 != 0) {
    w.Code(6, 3);  // 'B' until the end-of-block code takes the last bit of a byte
    expected.push_back('B');
  }
  w.Code(0, 1);
  Bytes stream = w.Finish();
  ASSERT_EQ(w.BitLength(), stream.size() * 8);

  InflateResult r = RunInflate(stream);
  EXPECT_EQ(r.status, statusOk);
  EXPECT_EQ(r.output, expected);

  stream.pop_back();
  EXPECT_EQ(RunInflate(stream).status, statusTruncated);
}

// A stored block of `length` bytes with F8 F5 23 7C at the given offsets of its data.
// Its data starts at byte 5 of the stream.
Bytes StoredWithMarkers(unsigned length, std::vector<unsigned> at, Bytes* data) {
  *data = Bytes(length, 0x11);
  for (unsigned i = 0; i < length; ++i) (*data)[i] = static_cast<uint8_t>(0x20 + i % 90);
  for (unsigned offset : at) {
    const uint8_t marker[4] = {0xF8, 0xF5, 0x23, 0x7C};
    for (unsigned k = 0; k < 4 && offset + k < length; ++k) (*data)[offset + k] = marker[k];
  }
  return Stored(BitWriter(), true, length).Bytes(*data).Finish();
}

TEST(InflateStreams, MarkerLeavesThirtyBytesToFetch) {
  struct MarkerCase {
    const char* name;
    unsigned length;
    std::vector<unsigned> markers;
    int status;
  };
  const std::vector<MarkerCase> cases = {
      {"stream ends on the 30th byte from the marker", 40, {10}, statusOk},
      {"stream needs a 31st byte", 41, {10}, statusTruncated},
      {"a second marker starts a new count", 65, {10, 35}, statusOk},
      {"a second count is 30 bytes too", 66, {10, 35}, statusTruncated},
      {"a marker with fewer than 4 bytes left in the count is data", 41, {10, 37},
       statusTruncated},
      {"three marker bytes at the end are data", 40, {37}, statusOk},
  };
  for (const MarkerCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes data;
    Bytes stream = StoredWithMarkers(c.length, c.markers, &data);
    InflateResult r = RunInflate(stream);
    EXPECT_EQ(r.status, c.status);
    if (c.status == statusOk) {
      EXPECT_EQ(r.output, data);
    }
  }
}

// 128 matches of 258 at distance 1 after one literal: the window fills inside a match.
Bytes LongRunInFixedBlock(bool final) {
  BitWriter w = FixedHeader(BitWriter(), final).Fixed('r');
  for (int i = 0; i < 128; ++i) w.Fixed(285).FixedDistance(0);
  return w.Fixed(256).Finish();
}

WriterScript CancelAt(int flush) {
  WriterScript script;
  script.cancelAt = flush;
  return script;
}
WriterScript FailWriteAt(int flush) {
  WriterScript script;
  script.failWriteAt = flush;
  return script;
}

TEST(InflateStreams, WriterStatusesStopTheDecoder) {
  Bytes storedTwoWindows = Stored(BitWriter(), true, 40000).Bytes(Pattern(40000)).Finish();

  InflateResult canceled = RunInflate(storedTwoWindows, CancelAt(0));
  EXPECT_EQ(canceled.status, statusCanceled);
  EXPECT_EQ(canceled.flushes, (std::vector<size_t>{32768}));

  InflateResult canceledInMatch = RunInflate(LongRunInFixedBlock(true), CancelAt(0));
  EXPECT_EQ(canceledInMatch.status, statusCanceled);
  EXPECT_EQ(canceledInMatch.flushes, (std::vector<size_t>{32768}));

  InflateResult whole = RunInflate(LongRunInFixedBlock(true));
  EXPECT_EQ(whole.status, statusOk);
  EXPECT_EQ(whole.output, Bytes(1 + 128 * 258, 'r'));
  EXPECT_EQ(whole.flushes, (std::vector<size_t>{32768, 257}));

  // A failed write ends decoding after the current block, with no final flush: the
  // block of type 3 that follows is never read.
  Bytes thenBadBlock = Stored(BitWriter(), false, 40000).Bytes(Pattern(40000))
                           .Bits(1, 1).Bits(3, 2).Finish();
  InflateResult failed = RunInflate(thenBadBlock, FailWriteAt(0));
  EXPECT_EQ(failed.status, statusOk);
  EXPECT_EQ(failed.flushes, (std::vector<size_t>{32768}));
}

}  // namespace
