// The payload stream: compressed so that the setup's own decoder accepts it, proven
// by decoding, and re-encoded where a plain encoding would hold the bytes F8 F5 23 7C.
#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tools/mksetup/compress.h"
#include "tools/mksetup/decode.h"

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

  std::string dir_;
};

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

// Payloads of every shape come back byte for byte through the setup's decoder.
TEST_F(PayloadTest, FilesComeBackThroughTheSetupDecoder) {
  struct Case {
    const char* what;
    std::vector<std::vector<uint8_t>> files;
  };
  const Case cases[] = {
      {"no bytes at all", {}},
      {"one empty file", {{}}},
      {"empty files around data", {{}, Mixed(5000, 1), {}, Mixed(70, 2), {}}},
      {"several segments", {Mixed(200000, 3), Mixed(100000, 4)}},
      {"one byte", {{0x41}}},
  };
  for (const Case& c : cases) {
    std::vector<PayloadFile> files;
    std::vector<uint8_t> all;
    for (size_t i = 0; i < c.files.size(); ++i) {
      files.push_back(File("f" + std::to_string(i), c.files[i]));
      all.insert(all.end(), c.files[i].begin(), c.files[i].end());
    }
    CompressOptions options;
    options.iterations = 1;
    Payload payload = CompressPayload(files, options);
    int status = -1;
    EXPECT_EQ(Decode(payload.stream, &status), all) << c.what;
    EXPECT_EQ(status, 0) << c.what;
    EXPECT_EQ(payload.size, all.size()) << c.what;
    EXPECT_EQ(payload.crc, uint32_t(crc32(0, all.data(), uInt(all.size())))) << c.what;
  }
}

TEST_F(PayloadTest, VerificationRefusesAStreamThatDoesNotMatchTheFiles) {
  std::vector<PayloadFile> files = {File("a", Mixed(100000, 5))};
  CompressOptions options;
  options.iterations = 1;
  Payload payload = CompressPayload(files, options);
  EXPECT_THROW(VerifyPayload(payload.stream, files, payload.crc ^ 1), PayloadError);
  std::vector<uint8_t> damaged = payload.stream;
  damaged[damaged.size() / 2] ^= 0x10;
  EXPECT_THROW(VerifyPayload(damaged, files, payload.crc), PayloadError);
  std::vector<uint8_t> cut(payload.stream.begin(), payload.stream.end() - 1);
  EXPECT_THROW(VerifyPayload(cut, files, payload.crc), PayloadError);
}

// Noise does not compress, so the encoder stores it as it stands, markers included.
std::vector<uint8_t> NoiseHoldingTheMarker() {
  std::mt19937 rng(7);
  std::vector<uint8_t> input(20000);
  for (uint8_t& b : input) b = uint8_t(rng());
  for (size_t at : {size_t(1234), size_t(1236), size_t(19996)}) std::copy(kInputMarker, kInputMarker + 4, &input[at]);
  return input;
}

TEST_F(PayloadTest, AnEncodingThatWouldHoldTheMarkerIsReplaced) {
  std::vector<uint8_t> input = NoiseHoldingTheMarker();
  std::vector<uint8_t> plain = DeflateOnce(input.data(), input.size(), CompressOptions());
  ASSERT_TRUE(HoldsMarker(plain.data(), 0, plain.size())) << "the fixture no longer provokes the marker";

  std::vector<PayloadFile> files = {File("marker", input)};
  CompressOptions options;
  options.iterations = 1;
  Payload payload = CompressPayload(files, options);
  EXPECT_FALSE(HoldsMarker(payload.stream.data(), 0, payload.stream.size()));
  int status = -1;
  EXPECT_EQ(Decode(payload.stream, &status), input);
  EXPECT_EQ(status, 0);
  // The marker would stop the decoder 30 bytes after it: that stream is refused.
  EXPECT_THROW(VerifyPayload(plain, files, payload.crc), PayloadError);
}

}  // namespace
