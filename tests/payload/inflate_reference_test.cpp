// Streams made by two independent compressors, decoded and compared with what went in.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "payload/inflate_harness.h"
#include "text/status.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Text with repeats at every distance, a stretch of random bytes (stored or
// literal-only blocks), long runs (matches at distance 1) and binary records.
Bytes MixedData(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"setup ", "window ", "flush ", "Quorbex32 ", "\r\n",
                                       "archive ", "the ", "of ", "a ", "C:\\Program Files\\"};
  std::mt19937 random(seed);
  Bytes data;
  while (data.size() < size) {
    switch (random() % 4) {
      case 0:
        for (int i = 0; i < 200; ++i) {
          const char* word = kWords[random() % 10];
          data.insert(data.end(), word, word + std::char_traits<char>::length(word));
        }
        break;
      case 1:
        for (int i = 0; i < 3000; ++i) data.push_back(static_cast<uint8_t>(random()));
        break;
      case 2:
        data.insert(data.end(), 1000 + random() % 3000, static_cast<uint8_t>(random()));
        break;
      default:
        for (uint32_t i = 0; i < 500; ++i) {
          uint32_t record[2] = {i, static_cast<uint32_t>(random() % 16)};
          const uint8_t* p = reinterpret_cast<const uint8_t*>(record);
          data.insert(data.end(), p, p + sizeof record);
        }
        break;
    }
  }
  data.resize(size);
  return data;
}

Bytes ZlibDeflate(const Bytes& data, int level, int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 9, strategy), Z_OK);
  Bytes out(deflateBound(&z, data.size()));
  z.next_in = const_cast<Bytes::value_type*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes LibdeflateCompress(const Bytes& data, int level) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  Bytes out(libdeflate_deflate_compress_bound(c, data.size()));
  out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
  libdeflate_free_compressor(c);
  return out;
}

uint32_t Crc(const Bytes& data) {
  return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

// Full windows, then the rest in one final flush, which is made even when empty.
std::vector<size_t> ExpectedFlushes(size_t size) {
  std::vector<size_t> flushes(size / 32768, 32768);
  flushes.push_back(size % 32768);
  return flushes;
}

TEST(InflateReference, StreamsOfBothCompressorsDecodeToTheirInput) {
  const std::vector<Bytes> inputs = {MixedData(300001, 1), MixedData(4 * 32768, 2),
                                     MixedData(70000, 3)};
  struct Compression {
    std::string name;
    Bytes (*compress)(const Bytes&);
  };
  const std::vector<Compression> compressions = {
      {"zlib 0", [](const Bytes& d) { return ZlibDeflate(d, 0, Z_DEFAULT_STRATEGY); }},
      {"zlib 1", [](const Bytes& d) { return ZlibDeflate(d, 1, Z_DEFAULT_STRATEGY); }},
      {"zlib 6", [](const Bytes& d) { return ZlibDeflate(d, 6, Z_DEFAULT_STRATEGY); }},
      {"zlib 9", [](const Bytes& d) { return ZlibDeflate(d, 9, Z_DEFAULT_STRATEGY); }},
      {"zlib 6 filtered", [](const Bytes& d) { return ZlibDeflate(d, 6, Z_FILTERED); }},
      {"zlib 6 huffman only", [](const Bytes& d) { return ZlibDeflate(d, 6, Z_HUFFMAN_ONLY); }},
      {"zlib 6 rle", [](const Bytes& d) { return ZlibDeflate(d, 6, Z_RLE); }},
      {"zlib 9 fixed", [](const Bytes& d) { return ZlibDeflate(d, 9, Z_FIXED); }},
      {"libdeflate 1", [](const Bytes& d) { return LibdeflateCompress(d, 1); }},
      {"libdeflate 6", [](const Bytes& d) { return LibdeflateCompress(d, 6); }},
      {"libdeflate 12", [](const Bytes& d) { return LibdeflateCompress(d, 12); }},
  };
  for (const Bytes& data : inputs) {
    for (const Compression& c : compressions) {
      SCOPED_TRACE(c.name + ", " + std::to_string(data.size()) + " bytes");
      InflateResult r = RunInflate(c.compress(data));
      ASSERT_EQ(r.status, statusOk);
      EXPECT_TRUE(r.output == data);
      EXPECT_EQ(r.flushes, ExpectedFlushes(data.size()));
      EXPECT_EQ(r.crc, Crc(data));
    }
  }
}

// A valid stream cut anywhere is truncated, and what went out before is a prefix of
// the data in whole windows.
TEST(InflateReference, CutStreamsAreTruncatedAndFlushOnlyWholeWindows) {
  const Bytes data = MixedData(200000, 4);
  const Bytes stream = ZlibDeflate(data, 6, Z_DEFAULT_STRATEGY);
  std::vector<size_t> cuts = {0, 1, 2, stream.size() - 2, stream.size() - 1};
  for (size_t cut = 3; cut < stream.size(); cut += stream.size() / 97) cuts.push_back(cut);
  for (size_t cut : cuts) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    InflateResult r = RunInflate(Bytes(stream.begin(), stream.begin() + cut));
    EXPECT_EQ(r.status, statusTruncated);
    EXPECT_EQ(r.output.size(), r.flushes.size() * 32768);
    EXPECT_TRUE(std::equal(r.output.begin(), r.output.end(), data.begin()));
  }
}

// The marker in the middle of a compressed stream, inside a stored stretch that the
// compressor was switched to: the input ends 30 bytes after it, whether the decoder
// is in its word-at-a-time loop or not.
TEST(InflateReference, MarkerInsideACompressedStream) {
  const Bytes text = MixedData(100000, 5);
  const Bytes tail = MixedData(50000, 6);
  const Bytes marker = {0xF8, 0xF5, 0x23, 0x7C};

  for (size_t after : {size_t(20), size_t(200)}) {
    SCOPED_TRACE(std::to_string(after) + " bytes after the marker");
    Bytes stored = marker;
    stored.insert(stored.end(), after, 'm');
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes stream(400000);
    z.next_out = stream.data();
    z.avail_out = static_cast<uInt>(stream.size());
    auto feed = [&](const Bytes& part, int flush) {
      z.next_in = const_cast<Bytes::value_type*>(part.data());
      z.avail_in = static_cast<uInt>(part.size());
      ASSERT_NE(deflate(&z, flush), Z_STREAM_ERROR);
    };
    feed(text, Z_NO_FLUSH);
    ASSERT_EQ(deflateParams(&z, 0, Z_DEFAULT_STRATEGY), Z_OK);
    const bool last = after < 30;
    feed(stored, last ? Z_FINISH : Z_NO_FLUSH);
    if (!last) {
      ASSERT_EQ(deflateParams(&z, 6, Z_DEFAULT_STRATEGY), Z_OK);
      feed(tail, Z_FINISH);
    }
    stream.resize(z.total_out);
    deflateEnd(&z);
    ASSERT_EQ(std::search(stream.begin(), stream.end(), marker.begin(), marker.end()) -
                  stream.begin(),
              std::find_end(stream.begin(), stream.end(), marker.begin(), marker.end()) -
                  stream.begin());

    Bytes data = text;
    data.insert(data.end(), stored.begin(), stored.end());
    if (!last) data.insert(data.end(), tail.begin(), tail.end());
    InflateResult r = RunInflate(stream);
    if (last) {
      EXPECT_EQ(r.status, statusOk);
      EXPECT_TRUE(r.output == data);
    } else {
      EXPECT_EQ(r.status, statusTruncated);
      EXPECT_EQ(r.output.size(), text.size() / 32768 * 32768);
      EXPECT_TRUE(std::equal(r.output.begin(), r.output.end(), data.begin()));
    }
  }
}

}  // namespace
