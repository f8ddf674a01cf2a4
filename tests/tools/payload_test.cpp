// The payload stream: compressed so that the setup's own decoder accepts it, the same
// whatever the number of threads, proven by decoding, and re-encoded where a plain
// encoding would hold the bytes F8 F5 23 7C.
#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tools/mksetup/compress.h"
#include "tools/mksetup/decode.h"
#include "tools/mksetup/deflate_tokens.h"

namespace {

class PayloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mksetup-payload-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  PayloadFile File(const std::string& name, const std::vector<uint8_t>& bytes) {
    PayloadFile f;
    f.source = dir_ + "/" + name;
    std::ofstream(f.source, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    std::streamsize(bytes.size()));
    f.size = bytes.size();
    f.fileTime = 0;
    return f;
  }

  // The stream as written, beside what CompressPayload says of it.
  struct Compressed {
    Payload payload;
    std::vector<uint8_t> stream;
  };
  Compressed Compress(const std::vector<PayloadFile>& files, const CompressOptions& options) {
    const std::string path = dir_ + "/stream";
    const Payload payload = CompressPayload(files, options, path);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(payload.streamSize, stream.size());
    return {payload, stream};
  }

  std::string dir_;
};

void Verify(const std::vector<uint8_t>& stream, const std::vector<PayloadFile>& files, uint32_t crc) {
  VerifyPayload(stream.data(), stream.size(), files, crc);
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& stream, int* status) {
  std::vector<uint8_t> out;
  *status = DecodeStream(stream.data(), stream.size(), [&](const uint8_t* d, size_t n) {
    out.insert(out.end(), d, d + n);
    return true;
  });
  return out;
}

std::vector<uint8_t> Mixed(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out;
  const std::string text = "the setup decodes its payload window by window ";
  while (out.size() < size) {
    if (rng() % 2) {
      out.insert(out.end(), text.begin(), text.end());
    } else {
      for (int i = 0; i < 300; ++i) out.push_back(uint8_t(rng()));
    }
  }
  out.resize(size);
  return out;
}

std::vector<uint8_t> Noise(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(size);
  for (uint8_t& b : out) b = uint8_t(rng());
  return out;
}

std::vector<uint8_t> Repeated(const std::vector<uint8_t>& unit, size_t times) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
  return out;
}

std::vector<uint8_t> NoiseHoldingTheMarker() {
  std::vector<uint8_t> input = Noise(20000, 7);
  for (size_t at : {size_t(1234), size_t(1236), size_t(19996)}) std::copy(kInputMarker, kInputMarker + 4, &input[at]);
  return input;
}

// Every block dynamic with a distance code of non-zero length, no marker, and the files
// back byte for byte through the setup's decoder.
template <typename Compressed>
void ExpectPayloadRules(const Compressed& c, const std::vector<uint8_t>& all, const std::string& what) {
  const Payload& payload = c.payload;
  const std::vector<uint8_t>& stream = c.stream;
  DeflateParse parse;
  ASSERT_TRUE(ReadDeflateTokens(stream.data(), stream.size(), &parse)) << what;
  for (size_t i = 0; i < parse.blocks.size(); ++i) {
    EXPECT_EQ(parse.blocks[i].type, 2) << what << ", block " << i;
    EXPECT_GE(parse.blocks[i].distanceCodes, 1) << what << ", block " << i;
  }
  EXPECT_FALSE(HoldsMarker(stream.data(), 0, stream.size())) << what;
  int status = -1;
  EXPECT_EQ(Decode(stream, &status), all) << what;
  EXPECT_EQ(status, 0) << what;
  EXPECT_EQ(payload.size, all.size()) << what;
  EXPECT_EQ(payload.crc, uint32_t(crc32(0, all.data(), uInt(all.size())))) << what;
}

struct PayloadCase {
  const char* what;
  std::vector<std::vector<uint8_t>> files;
};

// Inputs of every awkward shape, under both encoders.
TEST_F(PayloadTest, EveryShapeKeepsTheRulesAndComesBack) {
  const PayloadCase cases[] = {
      {"no bytes at all", {}},
      {"one empty file", {{}}},
      {"empty files around data", {{}, Mixed(5000, 1), {}, Mixed(70, 2), {}}},
      {"one byte", {{0x41}}},
      {"several segments", {Mixed(200000, 3), Mixed(400000, 4)}},
      {"incompressible, over a segment end", {Noise(300000, 8)}},
      {"one byte repeated", {std::vector<uint8_t>(700000, 0)}},
      {"a short pattern repeated", {Repeated({1, 2, 3, 4, 5, 6, 7}, 50000)}},
      {"the marker bytes over and over", {Repeated({0xF8, 0xF5, 0x23, 0x7C}, 5000)}},
      {"the marker in noise", {NoiseHoldingTheMarker()}},
  };
  for (bool best : {false, true}) {
    for (const PayloadCase& c : cases) {
      std::vector<PayloadFile> files;
      std::vector<uint8_t> all;
      for (size_t i = 0; i < c.files.size(); ++i) {
        files.push_back(File("f" + std::to_string(i), c.files[i]));
        all.insert(all.end(), c.files[i].begin(), c.files[i].end());
      }
      // The strongest encoder is slow: the largest inputs are for the fast one.
      if (best && all.size() > 300000) continue;
      CompressOptions options;
      options.best = best;
      options.iterations = 1;
      ExpectPayloadRules(Compress(files, options), all, std::string(c.what) + (best ? " (best)" : ""));
    }
  }
}

// The stream depends on the data alone, not on how many threads made it.
TEST_F(PayloadTest, ThreadsDoNotChangeTheStream) {
  std::vector<PayloadFile> files = {File("a", Mixed(500000, 9)), File("b", Noise(100000, 10)),
                                    File("c", Mixed(200000, 11))};
  CompressOptions one;
  one.threads = 1;
  const std::vector<uint8_t> single = Compress(files, one).stream;
  for (int threads : {2, 5}) {
    CompressOptions many;
    many.threads = threads;
    EXPECT_EQ(Compress(files, many).stream, single) << threads << " threads";
  }
  CompressOptions best = one;
  best.best = true;
  best.iterations = 1;
  std::vector<PayloadFile> small = {File("d", Mixed(300000, 12))};
  const std::vector<uint8_t> bestSingle = Compress(small, best).stream;
  best.threads = 3;
  EXPECT_EQ(Compress(small, best).stream, bestSingle) << "best, 3 threads";
}

TEST_F(PayloadTest, VerificationRefusesAStreamThatDoesNotMatchTheFiles) {
  std::vector<PayloadFile> files = {File("a", Mixed(100000, 5))};
  const Compressed c = Compress(files, CompressOptions());
  EXPECT_THROW(Verify(c.stream, files, c.payload.crc ^ 1), PayloadError);
  std::vector<uint8_t> damaged = c.stream;
  damaged[damaged.size() / 2] ^= 0x10;
  EXPECT_THROW(Verify(damaged, files, c.payload.crc), PayloadError);
  std::vector<uint8_t> cut(c.stream.begin(), c.stream.end() - 1);
  EXPECT_THROW(Verify(cut, files, c.payload.crc), PayloadError);
}

// Every byte value equally often, so that the literals all have codes of 8 bits but
// one: four literals whose codes read F8 F5 23 7C, moved along until the codes before
// them add up to whole bytes.
std::vector<uint8_t> InputWhoseEncodingHoldsTheMarker() {
  std::vector<uint8_t> input;
  for (int copy = 0; copy < 40; ++copy) {
    for (int b = 0; b < 256; ++b) input.push_back(uint8_t(b));
  }
  std::shuffle(input.begin(), input.end(), std::mt19937(3));
  for (int shift : {1, 0}) {
    for (size_t at = 16; at + 4 < input.size(); at += 97) {
      std::vector<uint8_t> candidate = input;
      for (size_t i = 0; i < 4; ++i) {
        uint8_t reversed = 0;
        for (int bit = 0; bit < 8; ++bit) reversed = uint8_t(reversed | (((kInputMarker[i] >> bit) & 1) << (7 - bit)));
        const uint8_t wanted = uint8_t(reversed + shift);
        // A swap keeps every count, and so every code.
        auto from = std::find(candidate.begin() + std::ptrdiff_t(at + i), candidate.end(), wanted);
        std::iter_swap(candidate.begin() + std::ptrdiff_t(at + i), from);
      }
      std::vector<uint8_t> plain = DeflateOnce(candidate.data(), candidate.size(), CompressOptions());
      if (HoldsMarker(plain.data(), 0, plain.size())) return candidate;
    }
  }
  return {};
}

TEST_F(PayloadTest, AnEncodingThatWouldHoldTheMarkerIsReplaced) {
  std::vector<uint8_t> input = InputWhoseEncodingHoldsTheMarker();
  ASSERT_FALSE(input.empty()) << "the fixture no longer provokes the marker";
  std::vector<uint8_t> plain = DeflateOnce(input.data(), input.size(), CompressOptions());

  std::vector<PayloadFile> files = {File("marker", input)};
  const Compressed c = Compress(files, CompressOptions());
  ExpectPayloadRules(c, input, "re-encoded");
  EXPECT_NE(c.stream, plain);
  // The marker would stop the decoder 30 bytes after it: that stream is refused.
  EXPECT_THROW(Verify(plain, files, c.payload.crc), PayloadError);
}

}  // namespace
