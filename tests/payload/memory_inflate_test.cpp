// Decoding a stream into memory with the payload's decoder, as the pictures are.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "config/state.h"
#include "payload/memory_inflate.h"
#include "payload/writer_state.h"
#include "text/status.h"

// The program's writer hands every window to the sink when one is set; this one
// counts what reaches it otherwise.
int gWriterWindows = 0;
int FlushWindow() {
  if (gWindowSink != nullptr) return gWindowSink();
  ++gWriterWindows;
  return statusOk;
}

namespace {

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = 12345;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = uint8_t(i % 7 == 0 ? state >> 24 : i / 64);
  }
  return bytes;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  z_stream z = {};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
  std::vector<uint8_t> out(deflateBound(&z, uLong(data.size())));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = uInt(data.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(MemoryInflateTest, FillsTheBufferExactlyAcrossWindows) {
  // Smaller than a window, exactly one, and several with a part left over.
  for (size_t size : {size_t(1), size_t(19000), size_t(kWindowSize), size_t(3 * kWindowSize + 77)}) {
    SCOPED_TRACE(size);
    const std::vector<uint8_t> data = Pattern(size);
    const std::vector<uint8_t> stream = Deflate(data);
    std::vector<uint8_t> out(size + 1, 0xAA);  // one guard byte after the buffer
    EXPECT_EQ(InflateToMemory(stream.data(), uint32_t(stream.size()), out.data(), uint32_t(size)), statusOk);
    EXPECT_EQ(out.back(), 0xAA);
    out.pop_back();
    EXPECT_EQ(out, data);
  }
}

TEST(MemoryInflateTest, AStreamOfAnotherLengthIsRefused) {
  const std::vector<uint8_t> data = Pattern(40000);
  const std::vector<uint8_t> stream = Deflate(data);
  std::vector<uint8_t> out(data.size() + 1);
  // Longer than the buffer: in the last window, and a whole window beyond it.
  EXPECT_EQ(InflateToMemory(stream.data(), uint32_t(stream.size()), out.data(), uint32_t(data.size() - 1)),
            statusTruncated);
  EXPECT_EQ(InflateToMemory(stream.data(), uint32_t(stream.size()), out.data(), 100), statusTruncated);
  // Shorter than the buffer.
  EXPECT_EQ(InflateToMemory(stream.data(), uint32_t(stream.size()), out.data(), uint32_t(data.size() + 1)),
            statusTruncated);
}

TEST(MemoryInflateTest, TheDecodersStatusComesBack) {
  const std::vector<uint8_t> stream = Deflate(Pattern(5000));
  std::vector<uint8_t> out(5000);
  const uint8_t badBlock[] = {0x07};  // final block of type 3
  EXPECT_EQ(InflateToMemory(badBlock, 1, out.data(), 5000), statusBadBlockType);
  EXPECT_EQ(InflateToMemory(stream.data(), uint32_t(stream.size() / 2), out.data(), 5000), statusTruncated);
}

TEST(MemoryInflateTest, TheExtractionGetsItsWindowAndWriterBack) {
  std::vector<uint8_t> extractionWindow(kWindowSize);
  gWindow = extractionWindow.data();
  gWriterWindows = 0;
  const std::vector<uint8_t> stream = Deflate(Pattern(70000));
  std::vector<uint8_t> out(70000);
  EXPECT_EQ(InflateToMemory(stream.data(), uint32_t(stream.size()), out.data(), 70000), statusOk);
  EXPECT_EQ(gWindow, extractionWindow.data());
  EXPECT_EQ(gWindowSink, nullptr);
  EXPECT_EQ(gWriterWindows, 0);
  // A failed decode leaves them the same way.
  EXPECT_NE(InflateToMemory(stream.data(), 3, out.data(), 70000), statusOk);
  EXPECT_EQ(gWindow, extractionWindow.data());
  EXPECT_EQ(gWindowSink, nullptr);
  gWindow = nullptr;
}

}  // namespace
